#include "ros2_compat/detail/transport.hpp"

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

std::shared_ptr<Transport> get_transport()
{
  // Never destroyed: publishers and subscriptions held in statics may outlive a static here.
  static auto * transport = new std::shared_ptr<Transport>(make_in_process_transport());
  return *transport;
}

}  // namespace detail
}  // namespace ros2_compat
