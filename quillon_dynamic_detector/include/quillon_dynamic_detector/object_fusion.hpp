#ifndef QUILLON_DYNAMIC_DETECTOR__OBJECT_FUSION_HPP_
#define QUILLON_DYNAMIC_DETECTOR__OBJECT_FUSION_HPP_

#include <cstddef>
#include <vector>

#include "quillon_protocol/msg/object.hpp"

namespace quillon_dynamic_detector
{

// How trailmerge joins objects that both scanners see ("merge_distance", "prefer_more_points").
struct FusionConfig
{
  double merge_distance = 0.45;  // m, planar; objects this close or closer merge
  // true: the object with more points (pedestrians and compact shapes first) supplies the
  // fields that are not averaged; false: the seed of the merge always does.
  bool prefer_more_points = true;
};

// Merges `other` into `merged`: the dominant one's fields, with position and velocity averaged
// by point count (at least 1 each), point counts summed and speed, range and bearing recomputed.
quillon_protocol::msg::Object mergeObjects(
  const quillon_protocol::msg::Object & merged, const quillon_protocol::msg::Object & other,
  bool prefer_more_points);

// Greedy agglomeration: each object not yet taken seeds a merged object that absorbs, sweep after
// sweep in index order, every object within merge_distance of its moving centre. The result is
// in seed order. Quadratic or worse in the number of objects. `members`, when given, receives
// for each merged object the indices of the objects it was made of, its seed first.
std::vector<quillon_protocol::msg::Object> fuseObjects(
  const std::vector<quillon_protocol::msg::Object> & objects, const FusionConfig & config,
  std::vector<std::vector<std::size_t>> * members = nullptr);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__OBJECT_FUSION_HPP_
