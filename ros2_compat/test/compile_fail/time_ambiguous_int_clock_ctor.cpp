// Time(0, RCL_ROS_TIME) matches both Time(int32_t, uint32_t, ...) and Time(int64_t, clock type);
// Humble refuses it as ambiguous (use Time(0, 0, RCL_ROS_TIME)).
// expect-error: is ambiguous
#include "rclcpp/time.hpp"

rclcpp::Time zero_ros_time() { return rclcpp::Time(0, RCL_ROS_TIME); }
