// The QoS profiles of tf2_ros: /tf keeps the last 100, reliable and volatile; /tf_static is
// transient local so that late listeners still receive the static transforms.
#ifndef TF2_ROS__QOS_HPP_
#define TF2_ROS__QOS_HPP_

#include <cstddef>

#include "rclcpp/qos.hpp"

namespace tf2_ros
{

class DynamicListenerQoS : public rclcpp::QoS
{
public:
  explicit DynamicListenerQoS(size_t depth = 100) : rclcpp::QoS(depth) {}
};

class DynamicBroadcasterQoS : public rclcpp::QoS
{
public:
  explicit DynamicBroadcasterQoS(size_t depth = 100) : rclcpp::QoS(depth) {}
};

class StaticListenerQoS : public rclcpp::QoS
{
public:
  explicit StaticListenerQoS(size_t depth = 100) : rclcpp::QoS(depth) { transient_local(); }
};

class StaticBroadcasterQoS : public rclcpp::QoS
{
public:
  explicit StaticBroadcasterQoS(size_t depth = 1) : rclcpp::QoS(depth) { transient_local(); }
};

}  // namespace tf2_ros

#endif  // TF2_ROS__QOS_HPP_
