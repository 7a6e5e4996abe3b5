// A DDS reader's or writer's place under its node in the graph, from when it exists until it
// goes (the endpoint owns one).
#ifndef DDS__DDS_GRAPH_LISTING_HPP_
#define DDS__DDS_GRAPH_LISTING_HPP_

#include <memory>

#include <fastdds/rtps/common/Guid.h>

#include "ros2_compat/detail/transport.hpp"

namespace ros2_compat
{
namespace detail
{

class DdsGraph;

enum class EndpointKind
{
  Reader,
  Writer,
};

class DdsGraphListing
{
public:
  // Lists nothing without a graph or a node.
  DdsGraphListing(
    std::shared_ptr<DdsGraph> graph, GraphNodeId node, EndpointKind kind,
    const eprosima::fastrtps::rtps::GUID_t & guid);
  ~DdsGraphListing();

  DdsGraphListing(const DdsGraphListing &) = delete;
  DdsGraphListing & operator=(const DdsGraphListing &) = delete;

private:
  const std::shared_ptr<DdsGraph> graph_;
  const GraphNodeId node_;
  const EndpointKind kind_;
  const eprosima::fastrtps::rtps::GUID_t guid_;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__DDS_GRAPH_LISTING_HPP_
