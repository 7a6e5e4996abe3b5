// The one source of system (wall) time of the layer: system and ROS clocks without override, the
// stamp of log lines and tf2::get_now() read it. Tests may replace it, see
// ros2_compat/testing/time_control.hpp.
#ifndef ROS2_COMPAT__SYSTEM_TIME_HPP_
#define ROS2_COMPAT__SYSTEM_TIME_HPP_

#include <cstdint>

namespace ros2_compat
{

// Nanoseconds since the Unix epoch.
int64_t system_time_now();

}  // namespace ros2_compat

#endif  // ROS2_COMPAT__SYSTEM_TIME_HPP_
