// The nodes of this process's participant as the ROS graph sees them: each node with the DDS
// readers and writers it owns, announced on "ros_discovery_info" (keep last 1, reliable,
// transient local, as rmw_fastrtps does) whenever a node or an endpoint comes or goes.
#ifndef DDS__DDS_GRAPH_HPP_
#define DDS__DDS_GRAPH_HPP_

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <fastdds/rtps/common/Guid.h>

#include "dds_graph_listing.hpp"
#include "dds_participant.hpp"
#include "dds_writer.hpp"
#include "ros2_compat/detail/participant_entities_info.hpp"
#include "ros2_compat/detail/transport.hpp"

namespace ros2_compat
{
namespace detail
{

class DdsGraph
{
public:
  // Announces the participant, with no nodes yet.
  explicit DdsGraph(std::shared_ptr<DdsParticipant> participant);

  DdsGraph(const DdsGraph &) = delete;
  DdsGraph & operator=(const DdsGraph &) = delete;

  GraphNodeId add_node(const std::string & node_namespace, const std::string & node_name);
  void remove_node(GraphNodeId node);

  // Endpoints of a node that is gone (or of no node) are not announced.
  void add_endpoint(
    GraphNodeId node, EndpointKind kind, const eprosima::fastrtps::rtps::GUID_t & guid);
  void remove_endpoint(
    GraphNodeId node, EndpointKind kind, const eprosima::fastrtps::rtps::GUID_t & guid);

private:
  void announce_locked();

  const DdsGuid participant_guid_;
  std::unique_ptr<DdsWriter> writer_;
  std::mutex mutex_;
  GraphNodeId last_node_ = no_graph_node;
  std::map<GraphNodeId, NodeEntities> nodes_;  // ids grow, so this is creation order
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__DDS_GRAPH_HPP_
