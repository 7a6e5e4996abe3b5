#include "quillon_dynamic_detector/object_fusion.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "quillon_dynamic_detector/object_classification.hpp"
#include "quillon_dynamic_detector/object_transform.hpp"
#include "quillon_dynamic_detector/planar_geometry.hpp"

namespace quillon_dynamic_detector
{
namespace
{

using quillon_protocol::msg::Object;

// Which of two objects is the better-observed one: points first, a pedestrian verdict
// outweighs any realistic point count, compactness breaks near ties.
double dominanceScore(const Object & o)
{
  return static_cast<double>(o.point_count) + (isPedestrian(o) ? 1000.0 : 0.0) +
         (o.compactness > 0.0 ? 10.0 * o.compactness : 0.0);
}

// An object without points still counts once.
double fusionWeight(const Object & o)
{
  return o.point_count > 0 ? static_cast<double>(o.point_count) : 1.0;
}

double weightedMean(double a, double weight_a, double b, double weight_b)
{
  return (weight_a * a + weight_b * b) / (weight_a + weight_b);
}

// Saturates rather than wrapping on absurd counts.
int32_t sumPointCounts(int32_t a, int32_t b)
{
  const int64_t sum = static_cast<int64_t>(a) + static_cast<int64_t>(b);
  if (sum > std::numeric_limits<int32_t>::max()) {
    return std::numeric_limits<int32_t>::max();
  }
  if (sum < std::numeric_limits<int32_t>::min()) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(sum);
}

// One pass over all objects not yet taken; merges each one within reach into `merged`.
bool sweep(
  const std::vector<Object> & objects, const FusionConfig & config, std::vector<bool> & taken,
  Object & merged, std::vector<std::size_t> & member_indices)
{
  bool merged_any = false;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (
      taken[i] ||
      !(planarDistance(merged.pose.position, objects[i].pose.position) <= config.merge_distance)) {
      continue;
    }
    merged = mergeObjects(merged, objects[i], config.prefer_more_points);
    taken[i] = true;
    member_indices.push_back(i);
    merged_any = true;
  }
  return merged_any;
}

}  // namespace

Object mergeObjects(const Object & merged, const Object & other, bool prefer_more_points)
{
  const bool other_dominates = prefer_more_points && dominanceScore(other) > dominanceScore(merged);
  Object result = other_dominates ? other : merged;

  const double w_merged = fusionWeight(merged);
  const double w_other = fusionWeight(other);
  result.pose.position.x =
    weightedMean(merged.pose.position.x, w_merged, other.pose.position.x, w_other);
  result.pose.position.y =
    weightedMean(merged.pose.position.y, w_merged, other.pose.position.y, w_other);
  result.velocity_x = weightedMean(merged.velocity_x, w_merged, other.velocity_x, w_other);
  result.velocity_y = weightedMean(merged.velocity_y, w_merged, other.velocity_y, w_other);
  result.speed = std::hypot(result.velocity_x, result.velocity_y);
  result.point_count = sumPointCounts(merged.point_count, other.point_count);
  updateRangeAndBearing(result);
  return result;
}

std::vector<Object> fuseObjects(
  const std::vector<Object> & objects, const FusionConfig & config,
  std::vector<std::vector<std::size_t>> * members)
{
  std::vector<Object> fused;
  std::vector<bool> taken(objects.size(), false);
  for (std::size_t seed = 0; seed < objects.size(); ++seed) {
    if (taken[seed]) {
      continue;
    }
    taken[seed] = true;
    Object merged = objects[seed];
    std::vector<std::size_t> member_indices{seed};
    // The centre moves with every merge, so objects skipped earlier may now be in reach.
    while (sweep(objects, config, taken, merged, member_indices)) {
    }
    fused.push_back(std::move(merged));
    if (members) {
      members->push_back(std::move(member_indices));
    }
  }
  return fused;
}

}  // namespace quillon_dynamic_detector
