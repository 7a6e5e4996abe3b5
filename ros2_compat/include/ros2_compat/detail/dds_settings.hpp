// How this process joins DDS, read from the environment once:
// - ROS_DOMAIN_ID: the domain, 0 when unset or empty (as in Humble), an integer 0..232;
// - ROS2_COMPAT_DDS_ALL_INTERFACES=1: allow every network interface. Without it the transport
//   stays on loopback (UDP on 127.0.0.1, as Humble's ROS_LOCALHOST_ONLY=1).
#ifndef ROS2_COMPAT__DETAIL__DDS_SETTINGS_HPP_
#define ROS2_COMPAT__DETAIL__DDS_SETTINGS_HPP_

#include <cstdint>

namespace ros2_compat
{
namespace detail
{

struct DdsSettings
{
  uint32_t domain_id = 0;
  bool loopback_only = true;
};

// Throws std::invalid_argument naming the variable for values it cannot use.
DdsSettings dds_settings_from_environment();

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__DDS_SETTINGS_HPP_
