#ifndef QUILLON_DYNAMIC_DETECTOR__STATIC_CENTROID_HPP_
#define QUILLON_DYNAMIC_DETECTOR__STATIC_CENTROID_HPP_

#include <functional>
#include <optional>

#include <Eigen/Core>

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/tracker_config.hpp"

namespace quillon_dynamic_detector
{

// The planar centroid of a cluster's finite points; empty for a null or empty cluster or one
// without finite points.
std::optional<Eigen::Vector2f> planarCentroid(const ClusterCloud & cluster);

// The planar centroid of the static cluster nearest to `position`, if one lies strictly within
// "tracker.static_gate" (the earlier cluster on equal distances). Empty clusters and clusters
// without finite points are skipped.
std::optional<Eigen::Vector2f> findNearestStaticCentroid(
  const TrackerConfig & config, const Eigen::Vector2f & position,
  const ClusterList & static_clusters);

// The same among the clusters whose centroid `acceptable` admits.
std::optional<Eigen::Vector2f> findNearestStaticCentroid(
  const TrackerConfig & config, const Eigen::Vector2f & position,
  const ClusterList & static_clusters,
  const std::function<bool(const Eigen::Vector2f &)> & acceptable);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__STATIC_CENTROID_HPP_
