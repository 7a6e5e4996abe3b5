// Transport within one process: a publication is queued directly at every subscription of
// the same topic and type whose QoS is compatible, as DDS would deliver it.
#ifndef ROS2_COMPAT__DETAIL__TRANSPORT_IN_PROCESS_HPP_
#define ROS2_COMPAT__DETAIL__TRANSPORT_IN_PROCESS_HPP_

#include <memory>

#include "ros2_compat/detail/transport.hpp"

namespace ros2_compat
{
namespace detail
{

// Keep-last readers hold at most `depth` undelivered messages (oldest dropped), keep-all
// readers hold every message; transient-local writers replay their last `depth` messages to
// transient-local readers that join later.
std::shared_ptr<Transport> make_in_process_transport();

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__TRANSPORT_IN_PROCESS_HPP_
