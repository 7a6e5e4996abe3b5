#ifndef QUILLON_DYNAMIC_DETECTOR__CLUSTER_SPLIT_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLUSTER_SPLIT_HPP_

#include <cstddef>
#include <vector>

#include <Eigen/Core>

#include "quillon_dynamic_detector/cluster_cloud.hpp"

namespace quillon_dynamic_detector
{

// m: a predicted person lies in a cluster when one of its points is this near: the body's middle
// is up to half a stride and half a hip from either leg.
constexpr float SPLIT_PLACE_REACH = 0.35f;

// Two people walking side by side leave one cluster (their inner legs touch within the
// clustering tolerance): where the tracker expects two or more people at least `min_distance`
// apart within one moving cluster (`places`, in the clusters' frame), the cluster is cut between
// them, each point going to the nearest place, so that each keeps a detection of their own. A
// cluster is kept whole when a part would hold fewer than `min_points` points; a place nearer
// than `min_distance` to one taken before it (in `places` order) is left out. The result keeps
// the list's order, a cut cluster's parts in place order; the input is left untouched.
ClusterList splitClustersBetweenPlaces(
  const ClusterList & clusters, const std::vector<Eigen::Vector2f> & places, float min_distance,
  std::size_t min_points);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLUSTER_SPLIT_HPP_
