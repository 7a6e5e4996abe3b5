#include "quillon_dynamic_detector/track_association.hpp"

#include <cstddef>

namespace quillon_dynamic_detector
{

std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions, float gate)
{
  return associateNearest(
    track_positions, detection_positions, std::vector<float>(track_positions.size(), gate));
}

std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions,
  const std::vector<float> & gates)
{
  std::vector<TrackDetectionPair> pairs;
  std::vector<bool> taken(detection_positions.size(), false);
  for (std::size_t i = 0; i < track_positions.size(); ++i) {
    float best_distance = gates[i];
    std::ptrdiff_t chosen = -1;
    for (std::size_t j = 0; j < detection_positions.size(); ++j) {
      if (taken[j]) {
        continue;
      }
      const float distance = (track_positions[i] - detection_positions[j]).norm();
      if (distance < best_distance) {
        best_distance = distance;
        chosen = static_cast<std::ptrdiff_t>(j);
      }
    }
    if (chosen >= 0) {
      pairs.emplace_back(static_cast<int32_t>(i), static_cast<int32_t>(chosen));
      taken[static_cast<std::size_t>(chosen)] = true;
    }
  }
  return pairs;
}

}  // namespace quillon_dynamic_detector
