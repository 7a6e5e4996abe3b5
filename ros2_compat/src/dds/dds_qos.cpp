#include "dds_qos.hpp"

#include <algorithm>

namespace ros2_compat
{
namespace detail
{

namespace
{

namespace dds = eprosima::fastdds::dds;

// The policies readers and writers share; SYSTEM_DEFAULT leaves the DDS default.
template <typename EndpointQos>
void apply_common(const rmw_qos_profile_t & qos, EndpointQos & out)
{
  if (qos.reliability == RMW_QOS_POLICY_RELIABILITY_RELIABLE) {
    out.reliability().kind = dds::RELIABLE_RELIABILITY_QOS;
  } else if (qos.reliability == RMW_QOS_POLICY_RELIABILITY_BEST_EFFORT) {
    out.reliability().kind = dds::BEST_EFFORT_RELIABILITY_QOS;
  }
  if (qos.durability == RMW_QOS_POLICY_DURABILITY_TRANSIENT_LOCAL) {
    out.durability().kind = dds::TRANSIENT_LOCAL_DURABILITY_QOS;
  } else if (qos.durability == RMW_QOS_POLICY_DURABILITY_VOLATILE) {
    out.durability().kind = dds::VOLATILE_DURABILITY_QOS;
  }
  if (qos.history == RMW_QOS_POLICY_HISTORY_KEEP_ALL) {
    out.history().kind = dds::KEEP_ALL_HISTORY_QOS;
  } else if (qos.history == RMW_QOS_POLICY_HISTORY_KEEP_LAST) {
    out.history().kind = dds::KEEP_LAST_HISTORY_QOS;
  }
  if (qos.depth != RMW_QOS_POLICY_DEPTH_SYSTEM_DEFAULT) {
    out.history().depth = static_cast<int32_t>(qos.depth);
  }
  // DDS refuses a keep-last depth beyond the samples an instance may hold.
  auto & limits = out.resource_limits();
  if (
    out.history().kind == dds::KEEP_LAST_HISTORY_QOS &&
    limits.max_samples_per_instance < out.history().depth) {
    limits.max_samples_per_instance = out.history().depth;
    limits.max_samples = std::max(limits.max_samples, out.history().depth);
  }
  out.endpoint().history_memory_policy =
    eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  out.data_sharing().off();
}

}  // namespace

dds::DataWriterQos dds_writer_qos(const rmw_qos_profile_t & qos)
{
  dds::DataWriterQos out = dds::DATAWRITER_QOS_DEFAULT;
  apply_common(qos, out);
  out.publish_mode().kind = dds::SYNCHRONOUS_PUBLISH_MODE;
  out.representation().m_value = {dds::XCDR_DATA_REPRESENTATION};
  return out;
}

dds::DataReaderQos dds_reader_qos(const rmw_qos_profile_t & qos)
{
  dds::DataReaderQos out = dds::DATAREADER_QOS_DEFAULT;
  apply_common(qos, out);
  out.type_consistency().representation.m_value = {dds::XCDR_DATA_REPRESENTATION};
  return out;
}

std::optional<QosPolicy> ros_qos_policy(dds::QosPolicyId_t policy)
{
  if (policy == dds::RELIABILITY_QOS_POLICY_ID) {
    return QosPolicy::Reliability;
  }
  if (policy == dds::DURABILITY_QOS_POLICY_ID) {
    return QosPolicy::Durability;
  }
  return std::nullopt;
}

}  // namespace detail
}  // namespace ros2_compat
