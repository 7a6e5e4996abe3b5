#include "ros2_compat/detail/participant_entities_info.hpp"

#include <algorithm>
#include <utility>

namespace ros2_compat
{
namespace detail
{

namespace
{

std::vector<rmw_dds_common::msg::Gid> gids_of(const std::vector<DdsGuid> & guids)
{
  std::vector<rmw_dds_common::msg::Gid> gids;
  gids.reserve(guids.size());
  for (const auto & guid : guids) {
    gids.push_back(gid_of(guid));
  }
  return gids;
}

}  // namespace

rmw_dds_common::msg::Gid gid_of(const DdsGuid & guid)
{
  rmw_dds_common::msg::Gid gid;  // zeroed: the 8 bytes after the GUID stay 0
  std::copy(guid.begin(), guid.end(), gid.data.begin());
  return gid;
}

rmw_dds_common::msg::ParticipantEntitiesInfo participant_entities_info(
  const DdsGuid & participant, const std::vector<NodeEntities> & nodes)
{
  rmw_dds_common::msg::ParticipantEntitiesInfo info;
  info.gid = gid_of(participant);
  for (const auto & node : nodes) {
    rmw_dds_common::msg::NodeEntitiesInfo entry;
    entry.node_namespace = node.node_namespace;
    entry.node_name = node.node_name;
    entry.reader_gid_seq = gids_of(node.readers);
    entry.writer_gid_seq = gids_of(node.writers);
    info.node_entities_info_seq.push_back(std::move(entry));
  }
  return info;
}

}  // namespace detail
}  // namespace ros2_compat
