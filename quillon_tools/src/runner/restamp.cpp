#include "quillon_tools/runner/restamp.hpp"

#include <cmath>

#include "quillon_tools/evaluation/scored_list.hpp"

namespace quillon_tools
{
namespace
{

// The first time past what a stamp's int32 seconds hold.
constexpr int64_t STAMP_END_NS = 2147483648LL * 1000000000LL;
// Far beyond any stamp yet well inside int64: times past it are refused before the exact
// mapping could overflow.
constexpr double FAR_NS = 4.0e18;

}  // namespace

int64_t StampMapping::map(int64_t stamp_ns) const
{
  const double offset = static_cast<double>(stamp_ns - from_ns) / rate;
  return to_ns + static_cast<int64_t>(std::llround(offset));
}

bool StampMapping::apply(builtin_interfaces::msg::Time & stamp) const
{
  const int64_t old_ns = stampNanoseconds(stamp);
  if (old_ns == 0) {
    return true;
  }
  // Judged roughly in doubles first, where a corrupt stamp cannot overflow.
  const double offset_ns = static_cast<double>(old_ns) - static_cast<double>(from_ns);
  const double rough_ns = static_cast<double>(to_ns) + offset_ns / rate;
  if (!(std::abs(offset_ns) < 2.0 * FAR_NS && std::abs(rough_ns) < FAR_NS)) {
    return false;
  }
  const int64_t new_ns = map(old_ns);
  if (new_ns <= 0 || new_ns >= STAMP_END_NS) {  // a zero stamp would mean "no time"
    return false;
  }
  stamp.sec = static_cast<int32_t>(new_ns / 1000000000LL);
  stamp.nanosec = static_cast<uint32_t>(new_ns % 1000000000LL);
  return true;
}

bool restamp(sensor_msgs::msg::LaserScan & message, const StampMapping & mapping)
{
  return mapping.apply(message.header.stamp);
}

bool restamp(sensor_msgs::msg::PointCloud2 & message, const StampMapping & mapping)
{
  return mapping.apply(message.header.stamp);
}

bool restamp(quillon_protocol::msg::ObjectList & message, const StampMapping & mapping)
{
  return mapping.apply(message.header.stamp);
}

bool restamp(visualization_msgs::msg::MarkerArray & message, const StampMapping & mapping)
{
  bool all = true;
  for (auto & marker : message.markers) {
    all &= mapping.apply(marker.header.stamp);
  }
  return all;
}

bool restamp(tf2_msgs::msg::TFMessage & message, const StampMapping & mapping)
{
  bool all = true;
  for (auto & transform : message.transforms) {
    all &= mapping.apply(transform.header.stamp);
  }
  return all;
}

bool restamp(rosgraph_msgs::msg::Clock & message, const StampMapping & mapping)
{
  return mapping.apply(message.clock);
}

}  // namespace quillon_tools
