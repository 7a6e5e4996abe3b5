#include "quillon_tools/evaluation/marker_ids.hpp"

#include <cmath>
#include <string>

#include "quillon_tools/evaluation/scored_list.hpp"

namespace quillon_tools
{
namespace
{

using visualization_msgs::msg::Marker;

// trailscan labels its tracks in "pedestrian_label", trailmerge its fused objects in
// "fused_pedestrian_label"; both place the label at the object's (x, y).
bool isTrackLabel(const Marker & marker)
{
  return marker.action == Marker::ADD && marker.type == Marker::TEXT_VIEW_FACING &&
         (marker.ns == "pedestrian_label" || marker.ns == "fused_pedestrian_label");
}

}  // namespace

std::vector<int32_t> idsFromMarkers(
  const quillon_protocol::msg::ObjectList & list,
  const visualization_msgs::msg::MarkerArray & markers, double tolerance_m)
{
  std::vector<int32_t> ids;
  ids.reserve(list.objects.size());
  for (const auto & object : list.objects) {
    int32_t id = UNKNOWN_OBJECT_ID;
    double best = tolerance_m;
    for (const auto & marker : markers.markers) {
      if (!isTrackLabel(marker)) {
        continue;
      }
      const double d = std::hypot(
        marker.pose.position.x - object.pose.position.x,
        marker.pose.position.y - object.pose.position.y);
      if (d <= best && (id == UNKNOWN_OBJECT_ID || d < best)) {
        best = d;
        id = marker.id;
      }
    }
    ids.push_back(id);
  }
  return ids;
}

}  // namespace quillon_tools
