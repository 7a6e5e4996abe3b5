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

// How walkers measure a detection that another track lies nearer to: the offset across the
// walker's heading counts `across_factor` times, sqrt(along^2 + (across_factor * across)^2),
// both in choosing and against the gate. Any other detection is measured plainly.
struct HeadingWeighting
{
  // Per track: a unit heading, or zero for a track that measures every detection plainly.
  PlanarPoints headings;
  // Per track: whether a walker weighs the detections this track lies nearer to.
  std::vector<bool> rivals;
  float across_factor = 1.0f;
};

// Greedy nearest-neighbour association in track order: each track takes the nearest detection
// not yet taken that lies strictly closer than `gate` (the lower index on equal distances).
std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions, float gate);
// The same with a gate of each track's own.
std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions,
  const std::vector<float> & gates);
// The same with walkers weighing detections that a rival lies nearer to (`weighting` holds one
// entry per track, or none).
std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions,
  const std::vector<float> & gates, const HeadingWeighting & weighting);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACK_ASSOCIATION_HPP_
