#include "ros2_compat/detail/dds_participant_qos.hpp"

#include <memory>
#include <string>
#include <vector>

#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>

namespace ros2_compat
{
namespace detail
{

eprosima::fastdds::dds::DomainParticipantQos dds_participant_qos(const DdsSettings & settings)
{
  eprosima::fastdds::dds::DomainParticipantQos qos =
    eprosima::fastdds::dds::PARTICIPANT_QOS_DEFAULT;
  qos.name("/");
  const std::string enclave = "enclave=/;";
  qos.user_data().data_vec(
    std::vector<eprosima::fastrtps::rtps::octet>(enclave.begin(), enclave.end()));
  if (settings.loopback_only) {
    auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
    udp->interfaceWhiteList.emplace_back("127.0.0.1");
    qos.transport().user_transports.push_back(udp);
    qos.transport().use_builtin_transports = false;
  }
  return qos;
}

}  // namespace detail
}  // namespace ros2_compat
