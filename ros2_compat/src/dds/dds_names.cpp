#include "ros2_compat/detail/dds_names.hpp"

#include <stdexcept>
#include <string>

namespace ros2_compat
{
namespace detail
{

std::string dds_topic_name(const std::string & ros_topic, bool avoid_ros_namespace_conventions)
{
  return avoid_ros_namespace_conventions ? ros_topic : "rt" + ros_topic;
}

std::string dds_type_name(const std::string & interface_name)
{
  const std::string separator = "/msg/";
  const size_t at = interface_name.find(separator);
  const size_t type_start = at + separator.size();
  if (
    at == std::string::npos || at == 0 || type_start == interface_name.size() ||
    interface_name.find('/', type_start) != std::string::npos) {
    throw std::invalid_argument(
      "'" + interface_name + "' is not a message type name of the form <package>/msg/<Type>");
  }
  return interface_name.substr(0, at) + "::msg::dds_::" + interface_name.substr(type_start) + "_";
}

}  // namespace detail
}  // namespace ros2_compat
