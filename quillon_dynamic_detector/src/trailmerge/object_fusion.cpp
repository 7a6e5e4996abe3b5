#include "quillon_dynamic_detector/object_fusion.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

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

// Whether objects[i] lies within merge_distance of two objects of the other list that lie
// farther apart than merge_distance: the other scanner keeps apart what this one saw as one.
bool bridgesTwoOfTheOtherList(
  const std::vector<Object> & objects, std::size_t i, std::size_t first_list_size,
  double merge_distance)
{
  const bool in_first = i < first_list_size;
  std::vector<std::size_t> near;
  for (std::size_t j = 0; j < objects.size(); ++j) {
    if (
      (j < first_list_size) != in_first &&
      planarDistance(objects[i].pose.position, objects[j].pose.position) <= merge_distance) {
      near.push_back(j);
    }
  }
  for (std::size_t a = 0; a < near.size(); ++a) {
    for (std::size_t b = a + 1; b < near.size(); ++b) {
      if (!(planarDistance(objects[near[a]].pose.position, objects[near[b]].pose.position) <=
            merge_distance)) {
        return true;
      }
    }
  }
  return false;
}

// A bridging object adds its points to the nearest fused object within merge_distance and
// leaves its place and motion alone; with none that near it stands on its own.
void joinWithoutMoving(
  const Object & bridging, std::size_t index, const FusionConfig & config,
  std::vector<Object> & fused, std::vector<std::vector<std::size_t>> * members)
{
  std::optional<std::size_t> nearest;
  double best = config.merge_distance;
  for (std::size_t k = 0; k < fused.size(); ++k) {
    const double d = planarDistance(bridging.pose.position, fused[k].pose.position);
    if (d < best || (d == best && !nearest)) {
      best = d;
      nearest = k;
    }
  }
  if (!nearest) {
    fused.push_back(bridging);
    if (members) {
      members->push_back({index});
    }
    return;
  }
  fused[*nearest].point_count = sumPointCounts(fused[*nearest].point_count, bridging.point_count);
  if (members) {
    (*members)[*nearest].push_back(index);
  }
}

// Which list a fused object was drawn from: 1, 2, or 0 for both.
int listOf(const std::vector<std::size_t> & member_indices, std::size_t first_list_size)
{
  const auto in_first = [&](std::size_t index) { return index < first_list_size; };
  const std::size_t first =
    static_cast<std::size_t>(std::count_if(member_indices.begin(), member_indices.end(), in_first));
  if (first == member_indices.size()) {
    return 1;
  }
  return first == 0 ? 2 : 0;
}

// The nearest object of the other list within `reach`, the earlier on ties.
std::optional<std::size_t> nearestOfOtherList(
  const std::vector<Object> & fused, const std::vector<int> & lists, std::size_t i, double reach)
{
  std::optional<std::size_t> nearest;
  double best = reach;
  for (std::size_t j = 0; j < fused.size(); ++j) {
    if (lists[j] == 0 || lists[j] == lists[i]) {
      continue;
    }
    const double d = planarDistance(fused[i].pose.position, fused[j].pose.position);
    if (d < best || (d == best && !nearest)) {
      best = d;
      nearest = j;
    }
  }
  return nearest;
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
  std::vector<std::vector<std::size_t>> * members, std::size_t first_list_size)
{
  std::vector<Object> fused;
  std::vector<bool> taken(objects.size(), false);
  std::vector<std::size_t> bridging;
  if (config.keep_separated_objects) {
    for (std::size_t i = 0; i < objects.size(); ++i) {
      if (bridgesTwoOfTheOtherList(objects, i, first_list_size, config.merge_distance)) {
        taken[i] = true;
        bridging.push_back(i);
      }
    }
  }
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
  for (const std::size_t i : bridging) {
    joinWithoutMoving(objects[i], i, config, fused, members);
  }
  return fused;
}

void pairAcrossLists(
  std::vector<Object> & fused, std::vector<std::vector<std::size_t>> & members,
  std::size_t first_list_size, const FusionConfig & config)
{
  if (!(config.pair_distance > 0.0)) {
    return;
  }
  std::vector<int> lists;
  lists.reserve(members.size());
  for (const auto & member_indices : members) {
    lists.push_back(listOf(member_indices, first_list_size));
  }
  // Pairs are found on the objects as fused, then joined: a join moves the joined object.
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t i = 0; i < fused.size(); ++i) {
    if (lists[i] != 1) {
      continue;
    }
    const auto j = nearestOfOtherList(fused, lists, i, config.pair_distance);
    if (j && nearestOfOtherList(fused, lists, *j, config.pair_distance) == i) {
      pairs.emplace_back(std::min(i, *j), std::max(i, *j));
    }
  }
  std::vector<bool> joined_away(fused.size(), false);
  for (const auto & [kept, joined] : pairs) {
    fused[kept] = mergeObjects(fused[kept], fused[joined], config.prefer_more_points);
    members[kept].insert(members[kept].end(), members[joined].begin(), members[joined].end());
    joined_away[joined] = true;
  }
  std::size_t next = 0;
  for (std::size_t i = 0; i < fused.size(); ++i) {
    if (joined_away[i]) {
      continue;
    }
    if (next != i) {
      fused[next] = std::move(fused[i]);
      members[next] = std::move(members[i]);
    }
    ++next;
  }
  fused.resize(next);
  members.resize(next);
}

}  // namespace quillon_dynamic_detector
