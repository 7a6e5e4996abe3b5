#include "quillon_dynamic_detector/track_association.hpp"

#include <cmath>
#include <cstddef>
#include <limits>

namespace quillon_dynamic_detector
{

namespace
{

bool rivalLiesNearer(
  const PlanarPoints & track_positions, const Eigen::Vector2f & detection, std::size_t track,
  float distance, const std::vector<bool> & rivals)
{
  for (std::size_t k = 0; k < track_positions.size(); ++k) {
    if (
      k != track && k < rivals.size() && rivals[k] &&
      (detection - track_positions[k]).norm() < distance) {
      return true;
    }
  }
  return false;
}

bool yieldsAt(const RivalRules & rules, std::size_t track, float distance)
{
  return !rules.yield_distances.empty() && rules.yield_distances[track] > 0.0f &&
         distance >= rules.yield_distances[track];
}

bool weighsAcross(const RivalRules & rules, std::size_t track)
{
  return !rules.headings.empty() && !rules.headings[track].isZero();
}

// The distance track `i` measures to `detection`: plain, weighted across its heading, or none at
// all (infinite) where it yields, when a rival lies nearer to the detection.
float associationDistance(
  const PlanarPoints & track_positions, const Eigen::Vector2f & detection, std::size_t i,
  const RivalRules & rules)
{
  const Eigen::Vector2f offset = detection - track_positions[i];
  const float distance = offset.norm();
  const bool yields = yieldsAt(rules, i, distance);
  if (!yields && !weighsAcross(rules, i)) {
    return distance;
  }
  if (!rivalLiesNearer(track_positions, detection, i, distance, rules.rivals)) {
    return distance;
  }
  if (yields) {
    return std::numeric_limits<float>::infinity();
  }
  const Eigen::Vector2f & heading = rules.headings[i];
  const float along = offset.dot(heading);
  const float across = offset.x() * heading.y() - offset.y() * heading.x();
  const float weighted_across = rules.across_factor * across;
  return std::sqrt(along * along + weighted_across * weighted_across);
}

}  // namespace

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
  return associateNearest(track_positions, detection_positions, gates, RivalRules{});
}

std::vector<TrackDetectionPair> associateNearest(
  const PlanarPoints & track_positions, const PlanarPoints & detection_positions,
  const std::vector<float> & gates, const RivalRules & rules)
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
      const float distance = associationDistance(track_positions, detection_positions[j], i, rules);
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
