#ifndef QUILLON_DYNAMIC_DETECTOR__TRACK_ASSOCIATION_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRACK_ASSOCIATION_HPP_

#include <cstdint>
#include <utility>
#include <vector>

#include <Eigen/Core>

namespace quillon_dynamic_detector
{

using PlanarPoints = std::vector<Eigen::Vector2f>;
// (track index, detection index)
using TrackDetectionPair = std::pair<int32_t, int32_t>;

// How tracks measure a detection that a rival track lies nearer to. A walker counts the offset
// across its heading `across_factor` times, sqrt(along^2 + (across_factor * across)^2), both in
// choosing and against the gate; a track with a yield distance does not take such a detection at
// that distance or farther. Any other detection is measured plainly.
struct RivalRules
{
  // Per track: a unit heading, or zero for a track that measures every detection plainly; or
  // none for all.
  PlanarPoints headings;
  // Per track: whether the other tracks heed the detections this track lies nearer to.
  std::vector<bool> rivals;
  float across_factor = 1.0f;
  // Per track: the yield distance, 0 for none; or none for all.
  std::vector<float> yield_distances;
};

// Greedy nearest-neighbour association in track order: each track takes the nearest detection
// not yet taken that lies strictly closer than `gate` (the lower index on equal distances).
std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions, float gate);
// The same with a gate of each track's own.
std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions,
  const std::vector<float> & gates);
// The same with tracks heeding detections that a rival lies nearer to.
std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions,
  const std::vector<float> & gates, const RivalRules & rules);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACK_ASSOCIATION_HPP_
