#ifndef QUILLON_DYNAMIC_DETECTOR__TRACK_MARKERS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRACK_MARKERS_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include "builtin_interfaces/msg/time.hpp"
#include "quillon_dynamic_detector/track.hpp"
#include "visualization_msgs/msg/marker.hpp"

namespace quillon_dynamic_detector
{

using MarkerVector = std::vector<visualization_msgs::msg::Marker>;

// Appends the outline, the arrow (or, for a slow track, the arrow's deletion) and the label of
// one published track.
void appendTrackMarkers(
  const Track & track, const std::string & frame_id, const builtin_interfaces::msg::Time & stamp,
  MarkerVector & markers);

// The same, with the track as `object` shows it (its exported object, carried into `frame_id`).
void appendTrackMarkers(
  const Track & track, const Track::Object & object, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp, MarkerVector & markers);

// Appends the deletions of outline, arrow and label of a track that is no longer drawn.
void appendTrackMarkerDeletions(int32_t track_id, MarkerVector & markers);

// "ID:<id>", the averaged speed, the heading in whole degrees when moving, "[coasting]" when
// coasting; one item per line.
std::string trackLabelText(const Track & track, const Track::Object & object);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACK_MARKERS_HPP_
