// rclcpp::QoS has no default constructor: a depth or a QoSInitialization is always given.
// expect-error: no matching function for call to .*rclcpp::QoS::QoS\(\)
#include "rclcpp/qos.hpp"

rclcpp::QoS make_qos()
{
  rclcpp::QoS qos;
  return qos;
}
