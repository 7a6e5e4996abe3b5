// What a participant announces on "ros_discovery_info" so that ROS 2 tools see its nodes, as
// rmw_fastrtps fills rmw_dds_common's ParticipantEntitiesInfo: the participant's gid and, per
// node, its namespace, name and the gids of the DDS readers and writers it owns. A gid is the
// entity's 16-byte DDS GUID (GUID prefix, then entity id) followed by 8 zero bytes.
#ifndef ROS2_COMPAT__DETAIL__PARTICIPANT_ENTITIES_INFO_HPP_
#define ROS2_COMPAT__DETAIL__PARTICIPANT_ENTITIES_INFO_HPP_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "rmw_dds_common/msg/gid.hpp"
#include "rmw_dds_common/msg/participant_entities_info.hpp"

namespace ros2_compat
{
namespace detail
{

using DdsGuid = std::array<uint8_t, 16>;

struct NodeEntities
{
  std::string node_namespace;  // "/" for the root namespace
  std::string node_name;
  std::vector<DdsGuid> readers;
  std::vector<DdsGuid> writers;
};

rmw_dds_common::msg::Gid gid_of(const DdsGuid & guid);

// Nodes and their endpoints in the order given.
rmw_dds_common::msg::ParticipantEntitiesInfo participant_entities_info(
  const DdsGuid & participant, const std::vector<NodeEntities> & nodes);

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__PARTICIPANT_ENTITIES_INFO_HPP_
