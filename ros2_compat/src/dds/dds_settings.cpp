#include "ros2_compat/detail/dds_settings.hpp"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace ros2_compat
{
namespace detail
{

namespace
{

// Above 232 the RTPS port numbers of a domain no longer fit in 16 bits.
constexpr unsigned long max_domain_id = 232;

uint32_t domain_id_from(const char * text)
{
  if (text == nullptr || *text == '\0') {
    return 0;
  }
  const std::string value(text);
  const bool digits_only = value.find_first_not_of("0123456789") == std::string::npos;
  if (!digits_only || value.size() > 3 || std::stoul(value) > max_domain_id) {
    throw std::invalid_argument(
      "ROS_DOMAIN_ID must be an integer from 0 to 232, not '" + value + "'");
  }
  return static_cast<uint32_t>(std::stoul(value));
}

bool all_interfaces_from(const char * text)
{
  if (text == nullptr || *text == '\0' || std::string(text) == "0") {
    return false;
  }
  if (std::string(text) == "1") {
    return true;
  }
  throw std::invalid_argument(
    std::string("ROS2_COMPAT_DDS_ALL_INTERFACES must be 0 or 1, not '") + text + "'");
}

}  // namespace

DdsSettings dds_settings_from_environment()
{
  DdsSettings settings;
  settings.domain_id = domain_id_from(std::getenv("ROS_DOMAIN_ID"));
  settings.loopback_only = !all_interfaces_from(std::getenv("ROS2_COMPAT_DDS_ALL_INTERFACES"));
  return settings;
}

}  // namespace detail
}  // namespace ros2_compat
