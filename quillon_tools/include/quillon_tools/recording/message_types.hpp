// The message types this system records and replays, and a count of a bag's other messages
// (which the reader returns as bytes for the caller to skip or pass on).
#ifndef QUILLON_TOOLS__RECORDING__MESSAGE_TYPES_HPP_
#define QUILLON_TOOLS__RECORDING__MESSAGE_TYPES_HPP_

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_metadata.hpp"

namespace quillon_tools
{

// LaserScan, PointCloud2, MarkerArray, ObjectList, TFMessage and Clock, by interface name.
const std::set<std::string> & systemMessageTypes();

uint64_t countMessagesOfUnknownTypes(
  const std::vector<BagTopicInfo> & topics,
  const std::set<std::string> & known_types = systemMessageTypes());

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__MESSAGE_TYPES_HPP_
