#ifndef QUILLON_DYNAMIC_DETECTOR__OBJECT_FUSION_HPP_
#define QUILLON_DYNAMIC_DETECTOR__OBJECT_FUSION_HPP_

#include <cstddef>
#include <cstdint>
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
  // m; above 0, pairAcrossLists joins an object of one list to one of the other up to this far
  // apart. 0: only merge_distance joins objects.
  double pair_distance = 0.0;
  // true: an object of one list within merge_distance of two objects of the other list that lie
  // farther apart than merge_distance (one scanner saw two people as one object, the other saw
  // them apart) joins the nearest fused object without moving it; false: it merges as any other.
  bool keep_separated_objects = false;
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
// With config.keep_separated_objects, the objects below `first_list_size` are the first list's
// and the rest the second's; objects bridging two of the other list's (see FusionConfig) take no
// part in the agglomeration and then join the nearest fused object within merge_distance, adding
// their points only (or stand alone, after the others, when none is that near).
std::vector<quillon_protocol::msg::Object> fuseObjects(
  const std::vector<quillon_protocol::msg::Object> & objects, const FusionConfig & config,
  std::vector<std::vector<std::size_t>> * members = nullptr,
  std::size_t first_list_size = SIZE_MAX);

// One person's objects in the two lists can lie farther apart than merge_distance: the lists are
// taken at different moments, and the edge of a field of view cuts a person differently. After
// fuseObjects, a fused object drawn from the first list alone and one drawn from the second list
// alone become one (in the place of the earlier, its members first) when each is the other's
// nearest such object and they are at most `config.pair_distance` apart; two people side by side,
// each seen by both scanners, are left as they are. `members` is fuseObjects' and stays parallel
// to `fused`; its indices below `first_list_size` are the first list's objects.
void pairAcrossLists(
  std::vector<quillon_protocol::msg::Object> & fused,
  std::vector<std::vector<std::size_t>> & members, std::size_t first_list_size,
  const FusionConfig & config);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__OBJECT_FUSION_HPP_
