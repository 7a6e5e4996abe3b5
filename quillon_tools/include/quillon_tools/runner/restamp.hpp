// Moves the stamps inside a recorded message onto a new time line, so that an old recording
// played live looks current to nodes that check the age of their input.
#ifndef QUILLON_TOOLS__RUNNER__RESTAMP_HPP_
#define QUILLON_TOOLS__RUNNER__RESTAMP_HPP_

#include <cstdint>

#include "builtin_interfaces/msg/time.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "rosgraph_msgs/msg/clock.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_tools
{

// t -> to_ns + (t - from_ns) / rate: stamps keep their order and their spacing on the playback
// clock. A zero stamp means "no time" (e.g. the latest transform) and stays zero.
struct StampMapping
{
  int64_t from_ns = 0;
  int64_t to_ns = 0;
  double rate = 1.0;

  // The new time of a time of the played bag (apply() also checks that a stamp holds it).
  int64_t map(int64_t stamp_ns) const;
  // False, leaving the stamp as it was, when its new time is not one a stamp holds: not after
  // 1970 (zero would read as "no time") or past the 2^31 s of its seconds field.
  bool apply(builtin_interfaces::msg::Time & stamp) const;
};

// Every header stamp of the message (each transform's, each marker's), or the clock's time.
// False when one of them cannot be moved (see StampMapping::apply): the message then mixes old
// and new stamps and is not to be published.
bool restamp(sensor_msgs::msg::LaserScan & message, const StampMapping & mapping);
bool restamp(sensor_msgs::msg::PointCloud2 & message, const StampMapping & mapping);
bool restamp(quillon_protocol::msg::ObjectList & message, const StampMapping & mapping);
bool restamp(visualization_msgs::msg::MarkerArray & message, const StampMapping & mapping);
bool restamp(tf2_msgs::msg::TFMessage & message, const StampMapping & mapping);
bool restamp(rosgraph_msgs::msg::Clock & message, const StampMapping & mapping);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__RESTAMP_HPP_
