// One input message of a bag replay, read and placed on the replay's clock.
#ifndef QUILLON_TOOLS__RUNNER__REPLAY_INPUT_HPP_
#define QUILLON_TOOLS__RUNNER__REPLAY_INPUT_HPP_

#include <cstdint>
#include <limits>
#include <string>

#include "quillon_tools/recording/bag_message.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

namespace quillon_tools
{

// What drives "/clock" in a bag replay.
enum class ReplayClockSource
{
  // The messages' own stamps (a scan's header, the newest stamp of a "/tf" message), in that
  // order: a bag recorded again from a replay, whose receive times are years later than its
  // stamps, replays as the original did.
  kHeaderStamps,
  // The recorder's receive times, in that order.
  kReceiveTimes,
};

// A message without a time of its own: static transforms, and what cannot be read.
constexpr int64_t NO_CLOCK_TIME = std::numeric_limits<int64_t>::min();

struct ReplayInput
{
  enum class Kind
  {
    kTransforms,
    kStaticTransforms,
    kScan,
    kUnreadableScan,
    kUnreadableTransforms,
  };
  Kind kind = Kind::kUnreadableScan;
  std::string topic;
  tf2_msgs::msg::TFMessage transforms;  // kTransforms, kStaticTransforms
  sensor_msgs::msg::LaserScan scan;     // kScan
  int64_t receive_ns = 0;
  int64_t clock_ns = NO_CLOCK_TIME;  // where the replay's clock stands for it
};

// Reads a message of "/tf_static", "/tf", "/scan_01" or "/scan_02". Bytes that are not a
// message of its topic's type give an unreadable input rather than an error. With header
// stamps, a scan with an invalid stamp (negative seconds) and a "/tf" message without a valid
// stamp have no clock time of their own.
ReplayInput readReplayInput(const BagMessage & message, ReplayClockSource clock);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__REPLAY_INPUT_HPP_
