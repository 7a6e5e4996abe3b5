#ifndef QUILLON_DYNAMIC_DETECTOR__CLUSTER_SPLIT_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLUSTER_SPLIT_HPP_

#include <cstddef>
#include <vector>

#include <Eigen/Core>

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/expected_person.hpp"

namespace quillon_dynamic_detector
{

// m: a predicted person lies in a cluster when one of its points is this near: the body's middle
// is up to half a stride and half a hip from either leg.
constexpr float SPLIT_PLACE_REACH = 0.35f;
// m/s: from this speed on a person's heading says where a companion can walk: beside them, not
// ahead or behind (there a second track is a fragment of the same person).
constexpr float SPLIT_HEADING_MIN_SPEED = 0.3f;

// Two people walking side by side leave one cluster (their inner legs touch within the
// clustering tolerance): where the tracker expects two or more people within one moving cluster
// (`people`, in the clusters' frame), at least `min_distance` apart and side by side (the line
// between them more across than along the heading of each who walks faster than
// SPLIT_HEADING_MIN_SPEED), the cluster is cut between them, each point going to the nearest
// place, so that each keeps a detection of their own. A cluster is kept whole when a part would
// hold fewer than `min_points` points; a person too near to, or ahead of or behind, one taken
// before them (in `people` order) is left out. The result keeps the list's order, a cut
// cluster's parts in the order of the people; the input is left untouched.
ClusterList splitClustersBetweenPlaces(
  const ClusterList & clusters, const std::vector<ExpectedPerson> & people, float min_distance,
  std::size_t min_points);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLUSTER_SPLIT_HPP_
