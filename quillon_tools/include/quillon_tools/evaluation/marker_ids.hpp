#ifndef QUILLON_TOOLS__EVALUATION__MARKER_IDS_HPP_
#define QUILLON_TOOLS__EVALUATION__MARKER_IDS_HPP_

#include <cstdint>
#include <vector>

#include "quillon_protocol/msg/object_list.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_tools
{

// Object lists carry no identities; the text labels published beside them do. Gives each object
// of `list` the id of the label (ns "pedestrian_label" or "fused_pedestrian_label",
// TEXT_VIEW_FACING, action ADD) nearest to it within `tolerance_m` in x and y, or
// UNKNOWN_OBJECT_ID. `markers` must be the array published with the list (same stamp).
std::vector<int32_t> idsFromMarkers(
  const quillon_protocol::msg::ObjectList & list,
  const visualization_msgs::msg::MarkerArray & markers, double tolerance_m = 1e-3);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__MARKER_IDS_HPP_
