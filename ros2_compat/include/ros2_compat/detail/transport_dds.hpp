// Transport between processes over DDS (Fast DDS), with ROS 2 Humble's wire conventions:
// topic "rt" + ROS topic name, type "<pkg>::msg::dds_::<Type>_", keyless topics, plain CDR
// payloads, ROS QoS mapped onto the DDS policies of the same names. One DDS participant per
// transport; readers and writers of the same process match each other through it, so a
// process's subscriptions receive its own publications once. The participant announces its
// nodes and their endpoints on "ros_discovery_info" and carries services (topics
// "rq<service>Request" / "rr<service>Reply") as rmw_fastrtps does, so that ROS 2 tools see the
// nodes and can call their parameter services.
#ifndef ROS2_COMPAT__DETAIL__TRANSPORT_DDS_HPP_
#define ROS2_COMPAT__DETAIL__TRANSPORT_DDS_HPP_

#include <memory>

#include "ros2_compat/detail/dds_settings.hpp"
#include "ros2_compat/detail/transport.hpp"

namespace ros2_compat
{
namespace detail
{

// The participant is created here; throws std::runtime_error if DDS refuses it.
std::shared_ptr<Transport> make_dds_transport(const DdsSettings & settings);

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__TRANSPORT_DDS_HPP_
