// A tf2::TimePoint lookup takes a tf2::Duration timeout; an rclcpp::Duration does not convert.
// expect-error: no matching function for call to .*lookupTransform
#include "tf2_ros/buffer.h"

geometry_msgs::msg::TransformStamped lookup(const tf2_ros::Buffer & buffer)
{
  return buffer.lookupTransform(
    "map", "base_link", tf2::TimePointZero, rclcpp::Duration::from_seconds(0.2));
}
