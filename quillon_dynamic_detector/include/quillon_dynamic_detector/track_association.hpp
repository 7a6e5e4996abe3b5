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

// Greedy nearest-neighbour association in track order: each track takes the nearest detection
// not yet taken that lies strictly closer than `gate` (the lower index on equal distances).
std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions, float gate);
// The same with a gate of each track's own.
std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions,
  const std::vector<float> & gates);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACK_ASSOCIATION_HPP_
