// Buffer::transform's timeout is a tf2::Duration; an rclcpp::Duration does not convert to it.
// expect-error: no matching function for call to .*transform
#include "geometry_msgs/msg/point_stamped.hpp"
#include "tf2_geometry_msgs/tf2_geometry_msgs.hpp"
#include "tf2_ros/buffer.h"

geometry_msgs::msg::PointStamped toMap(
  const tf2_ros::Buffer & buffer, const geometry_msgs::msg::PointStamped & point)
{
  return buffer.transform(point, "map", rclcpp::Duration::from_seconds(0.2));
}
