#include "dds_graph.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "dds_guid.hpp"
#include "rmw/qos_profiles.h"
#include "rmw_dds_common/msg/participant_entities_info.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros2_compat/detail/dds_names.hpp"

namespace ros2_compat
{
namespace detail
{

namespace
{

using rmw_dds_common::msg::ParticipantEntitiesInfo;

// Late joiners get the latest announcement; older ones are of no use.
TopicEndpoint discovery_info_endpoint()
{
  rmw_qos_profile_t qos = rmw_qos_profile_default;
  qos.history = RMW_QOS_POLICY_HISTORY_KEEP_LAST;
  qos.depth = 1;
  qos.reliability = RMW_QOS_POLICY_RELIABILITY_RELIABLE;
  qos.durability = RMW_QOS_POLICY_DURABILITY_TRANSIENT_LOCAL;
  qos.avoid_ros_namespace_conventions = true;
  TopicEndpoint endpoint;
  endpoint.topic_name = "ros_discovery_info";
  endpoint.type_name = rosidl_generator_traits::name<ParticipantEntitiesInfo>();
  endpoint.qos = qos;
  endpoint.type_support = &cdr::get_message_type_support<ParticipantEntitiesInfo>();
  return endpoint;
}

std::vector<DdsGuid> & endpoints_of(NodeEntities & node, EndpointKind kind)
{
  return kind == EndpointKind::Reader ? node.readers : node.writers;
}

}  // namespace

DdsGraph::DdsGraph(std::shared_ptr<DdsParticipant> participant)
: participant_guid_(dds_guid_of(participant->guid()))
{
  const TopicEndpoint endpoint = discovery_info_endpoint();
  writer_ = std::make_unique<DdsWriter>(
    std::move(participant), nullptr, dds_topic_name(endpoint.topic_name, true), endpoint,
    WriterListener{});
  std::lock_guard<std::mutex> lock(mutex_);
  announce_locked();
}

GraphNodeId DdsGraph::add_node(const std::string & node_namespace, const std::string & node_name)
{
  std::lock_guard<std::mutex> lock(mutex_);
  const GraphNodeId node = ++last_node_;
  nodes_[node] = NodeEntities{node_namespace, node_name, {}, {}};
  announce_locked();
  return node;
}

void DdsGraph::remove_node(GraphNodeId node)
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (nodes_.erase(node) > 0) {
    announce_locked();
  }
}

void DdsGraph::add_endpoint(
  GraphNodeId node, EndpointKind kind, const eprosima::fastrtps::rtps::GUID_t & guid)
{
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = nodes_.find(node);
  if (found == nodes_.end()) {
    return;
  }
  endpoints_of(found->second, kind).push_back(dds_guid_of(guid));
  announce_locked();
}

void DdsGraph::remove_endpoint(
  GraphNodeId node, EndpointKind kind, const eprosima::fastrtps::rtps::GUID_t & guid)
{
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = nodes_.find(node);
  if (found == nodes_.end()) {
    return;
  }
  auto & endpoints = endpoints_of(found->second, kind);
  const auto listed = std::find(endpoints.begin(), endpoints.end(), dds_guid_of(guid));
  if (listed != endpoints.end()) {
    endpoints.erase(listed);
    announce_locked();
  }
}

void DdsGraph::announce_locked()
{
  std::vector<NodeEntities> nodes;
  nodes.reserve(nodes_.size());
  for (const auto & entry : nodes_) {
    nodes.push_back(entry.second);
  }
  writer_->write(std::make_shared<const ParticipantEntitiesInfo>(
    participant_entities_info(participant_guid_, nodes)));
}

}  // namespace detail
}  // namespace ros2_compat
