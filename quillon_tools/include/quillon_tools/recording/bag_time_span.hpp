// How many messages a bag (or one of its files) holds and the receive times they span, in the
// terms metadata.yaml uses for them.
#ifndef QUILLON_TOOLS__RECORDING__BAG_TIME_SPAN_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_TIME_SPAN_HPP_

#include <algorithm>
#include <cstdint>
#include <limits>

namespace quillon_tools
{

struct BagTimeSpan
{
  uint64_t message_count = 0;
  int64_t earliest_ns = 0;
  int64_t latest_ns = 0;

  void add(int64_t timestamp_ns) { add(BagTimeSpan{1, timestamp_ns, timestamp_ns}); }

  void add(const BagTimeSpan & other)
  {
    if (other.message_count == 0) {
      return;
    }
    earliest_ns = message_count == 0 ? other.earliest_ns : std::min(earliest_ns, other.earliest_ns);
    latest_ns = message_count == 0 ? other.latest_ns : std::max(latest_ns, other.latest_ns);
    message_count += other.message_count;
  }

  // Like rosbag2, a span without messages starts at the largest time point and lasts nothing.
  int64_t startingTimeNs() const
  {
    return message_count == 0 ? std::numeric_limits<int64_t>::max() : earliest_ns;
  }
  int64_t durationNs() const { return message_count == 0 ? 0 : latest_ns - earliest_ns; }
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_TIME_SPAN_HPP_
