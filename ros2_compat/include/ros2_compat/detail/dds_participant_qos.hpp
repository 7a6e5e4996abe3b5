// The participant's QoS: what it announces (as a Humble context in the root enclave) and which
// transports it may use. Loopback-only settings give UDP on 127.0.0.1 alone (no other
// interface, no shared memory, whose segments outlive crashed processes and are shared across
// network namespaces); otherwise Fast DDS's defaults (UDP on every interface and shared memory).
#ifndef ROS2_COMPAT__DETAIL__DDS_PARTICIPANT_QOS_HPP_
#define ROS2_COMPAT__DETAIL__DDS_PARTICIPANT_QOS_HPP_

#include <fastdds/dds/domain/qos/DomainParticipantQos.hpp>

#include "ros2_compat/detail/dds_settings.hpp"

namespace ros2_compat
{
namespace detail
{

eprosima::fastdds::dds::DomainParticipantQos dds_participant_qos(const DdsSettings & settings);

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__DDS_PARTICIPANT_QOS_HPP_
