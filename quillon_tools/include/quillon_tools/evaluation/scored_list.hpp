#ifndef QUILLON_TOOLS__EVALUATION__SCORED_LIST_HPP_
#define QUILLON_TOOLS__EVALUATION__SCORED_LIST_HPP_

#include <cstdint>
#include <vector>

#include "quillon_protocol/msg/object_list.hpp"

namespace quillon_tools
{

// Marks an object whose track identity is not known.
constexpr int32_t UNKNOWN_OBJECT_ID = -1;

// One published object list as the evaluation sees it: the list, the track id of each object
// (parallel to list.objects, UNKNOWN_OBJECT_ID where unknown; empty means all unknown) and the
// time from the scan's stamp to the list's arrival.
struct ScoredList
{
  quillon_protocol::msg::ObjectList list;
  std::vector<int32_t> ids;
  double latency_ms = 0.0;
};

// Nanoseconds since the epoch of a message stamp.
inline int64_t stampNanoseconds(const builtin_interfaces::msg::Time & stamp)
{
  return static_cast<int64_t>(stamp.sec) * 1000000000LL + static_cast<int64_t>(stamp.nanosec);
}

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__SCORED_LIST_HPP_
