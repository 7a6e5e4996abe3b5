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

std::string dds_request_topic_name(const std::string & ros_service)
{
  return "rq" + ros_service + "Request";
}

std::string dds_response_topic_name(const std::string & ros_service)
{
  return "rr" + ros_service + "Reply";
}

std::string dds_type_name(const std::string & interface_name)
{
  const size_t package_end = interface_name.find('/');
  const std::string kind =
    package_end == std::string::npos ? "" : interface_name.substr(package_end + 1, 3);
  const size_t type_start = package_end + 5;
  if (
    package_end == std::string::npos || package_end == 0 || (kind != "msg" && kind != "srv") ||
    interface_name.size() <= type_start || interface_name[type_start - 1] != '/' ||
    interface_name.find('/', type_start) != std::string::npos) {
    throw std::invalid_argument(
      "'" + interface_name +
      "' is not a message or service type name of the form <package>/msg/<Type> or "
      "<package>/srv/<Type>");
  }
  return interface_name.substr(0, package_end) + "::" + kind +
         "::dds_::" + interface_name.substr(type_start) + "_";
}

}  // namespace detail
}  // namespace ros2_compat
