#include "ros2_compat/detail/transport.hpp"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "ros2_compat/detail/transport_dds.hpp"
#include "ros2_compat/detail/transport_in_process.hpp"

namespace ros2_compat
{
namespace detail
{

const char * qos_policy_name(QosPolicy policy)
{
  switch (policy) {
    case QosPolicy::Reliability:
      return "RELIABILITY_QOS_POLICY";
    case QosPolicy::Durability:
      return "DURABILITY_QOS_POLICY";
  }
  return "INVALID_QOS_POLICY";
}

namespace
{

std::shared_ptr<Transport> make_selected_transport()
{
  const char * choice = std::getenv("ROS2_COMPAT_TRANSPORT");
  if (choice == nullptr || *choice == '\0' || std::string(choice) == "dds") {
    return make_dds_transport(dds_settings_from_environment());
  }
  if (std::string(choice) == "in_process") {
    return make_in_process_transport();
  }
  throw std::invalid_argument(
    std::string("ROS2_COMPAT_TRANSPORT must be 'dds' or 'in_process', not '") + choice + "'");
}

}  // namespace

std::shared_ptr<Transport> get_transport()
{
  // Destroyed at exit, after the endpoints of main's nodes, so that the DDS participant and its
  // threads end before the DDS library's own statics go; endpoints keep it alive while they
  // exist.
  static const std::shared_ptr<Transport> transport = make_selected_transport();
  return transport;
}

}  // namespace detail
}  // namespace ros2_compat
