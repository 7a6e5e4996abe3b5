#include "quillon_tools/runner/restamp.hpp"

#include <cmath>

#include "quillon_tools/evaluation/scored_list.hpp"

namespace quillon_tools
{

int64_t StampMapping::map(int64_t stamp_ns) const
{
  const double offset = static_cast<double>(stamp_ns - from_ns) / rate;
  return to_ns + static_cast<int64_t>(std::llround(offset));
}

void StampMapping::apply(builtin_interfaces::msg::Time & stamp) const
{
  const int64_t old_ns = stampNanoseconds(stamp);
  if (old_ns == 0) {
    return;
  }
  const int64_t new_ns = map(old_ns);
  stamp.sec = static_cast<int32_t>(new_ns / 1000000000LL);
  stamp.nanosec = static_cast<uint32_t>(new_ns % 1000000000LL);
}

void restamp(sensor_msgs::msg::LaserScan & message, const StampMapping & mapping)
{
  mapping.apply(message.header.stamp);
}

void restamp(sensor_msgs::msg::PointCloud2 & message, const StampMapping & mapping)
{
  mapping.apply(message.header.stamp);
}

void restamp(quillon_protocol::msg::ObjectList & message, const StampMapping & mapping)
{
  mapping.apply(message.header.stamp);
}

void restamp(visualization_msgs::msg::MarkerArray & message, const StampMapping & mapping)
{
  for (auto & marker : message.markers) {
    mapping.apply(marker.header.stamp);
  }
}

void restamp(tf2_msgs::msg::TFMessage & message, const StampMapping & mapping)
{
  for (auto & transform : message.transforms) {
    mapping.apply(transform.header.stamp);
  }
}

void restamp(rosgraph_msgs::msg::Clock & message, const StampMapping & mapping)
{
  mapping.apply(message.clock);
}

}  // namespace quillon_tools
