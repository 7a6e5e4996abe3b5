// ROS QoS profiles as DDS reader and writer QoS, as rmw_fastrtps maps them: reliability,
// durability and history (keep-last depth) carry over; deadline, lifespan and liveliness stay
// at the DDS defaults (what an unspecified ROS value means). Payloads are XCDR1 and the
// writer's history grows with the message size.
#ifndef DDS__DDS_QOS_HPP_
#define DDS__DDS_QOS_HPP_

#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>

#include <optional>

#include "rmw/types.h"
#include "ros2_compat/detail/transport.hpp"

namespace ros2_compat
{
namespace detail
{

eprosima::fastdds::dds::DataWriterQos dds_writer_qos(const rmw_qos_profile_t & qos);
eprosima::fastdds::dds::DataReaderQos dds_reader_qos(const rmw_qos_profile_t & qos);

// The ROS policy behind an incompatible-QoS event; only these two can differ between ROS
// endpoints here.
std::optional<QosPolicy> ros_qos_policy(eprosima::fastdds::dds::QosPolicyId_t policy);

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__DDS_QOS_HPP_
