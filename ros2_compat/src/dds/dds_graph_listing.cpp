#include "dds_graph_listing.hpp"

#include <utility>

#include "dds_graph.hpp"

namespace ros2_compat
{
namespace detail
{

DdsGraphListing::DdsGraphListing(
  std::shared_ptr<DdsGraph> graph, GraphNodeId node, EndpointKind kind,
  const eprosima::fastrtps::rtps::GUID_t & guid)
: graph_(std::move(graph)), node_(node), kind_(kind), guid_(guid)
{
  if (graph_ && node_ != no_graph_node) {
    graph_->add_endpoint(node_, kind_, guid_);
  }
}

DdsGraphListing::~DdsGraphListing()
{
  if (graph_ && node_ != no_graph_node) {
    graph_->remove_endpoint(node_, kind_, guid_);
  }
}

}  // namespace detail
}  // namespace ros2_compat
