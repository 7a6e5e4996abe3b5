// Checks that what a stage publishes can be told apart: every marker of one array has its own
// namespace and id (a repeat would overwrite or delete another drawing), and ids handed out are
// never handed out twice.
#ifndef QUILLON_FUZZ__UNIQUE_IDS_HPP_
#define QUILLON_FUZZ__UNIQUE_IDS_HPP_

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "invariant.hpp"
#include "visualization_msgs/msg/marker.hpp"

namespace quillon_fuzz
{

inline void requireUniqueMarkerIds(
  const std::vector<visualization_msgs::msg::Marker> & markers, const std::string & where)
{
  std::set<std::pair<std::string, int32_t>> seen;
  for (const auto & m : markers) {
    if (!seen.emplace(m.ns, m.id).second) {
      invariantBroken(where + ": marker " + m.ns + "/" + std::to_string(m.id) + " twice");
    }
  }
}

template <typename Container>
void requireUniqueIds(const Container & ids, const std::string & where)
{
  std::set<int64_t> seen;
  for (const auto id : ids) {
    if (!seen.insert(static_cast<int64_t>(id)).second) {
      invariantBroken(where + ": id " + std::to_string(id) + " twice");
    }
  }
}

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__UNIQUE_IDS_HPP_
