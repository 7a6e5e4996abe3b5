#include "quillon_dynamic_detector/static_centroid.hpp"

#include <pcl/common/centroid.h>

namespace quillon_dynamic_detector
{

std::optional<Eigen::Vector2f> planarCentroid(const ClusterCloud & cluster)
{
  if (!cluster || cluster->empty()) {
    return std::nullopt;
  }
  // Averages the finite points only when the cloud is not marked dense; zero means no point
  // was usable.
  Eigen::Vector4f centroid;
  if (pcl::compute3DCentroid(*cluster, centroid) == 0) {
    return std::nullopt;
  }
  return Eigen::Vector2f(centroid.head<2>());
}

std::optional<Eigen::Vector2f> findNearestStaticCentroid(
  const TrackerConfig & config, const Eigen::Vector2f & position,
  const ClusterList & static_clusters)
{
  return findNearestStaticCentroid(
    config, position, static_clusters, [](const Eigen::Vector2f &) { return true; });
}

std::optional<Eigen::Vector2f> findNearestStaticCentroid(
  const TrackerConfig & config, const Eigen::Vector2f & position,
  const ClusterList & static_clusters,
  const std::function<bool(const Eigen::Vector2f &)> & acceptable)
{
  float best_distance = config.static_gate;
  std::optional<Eigen::Vector2f> nearest;
  for (const ClusterCloud & cluster : static_clusters) {
    const auto planar = planarCentroid(cluster);
    if (!planar || !acceptable(*planar)) {
      continue;
    }
    const float distance = (*planar - position).norm();
    if (distance < best_distance) {
      best_distance = distance;
      nearest = planar;
    }
  }
  return nearest;
}

}  // namespace quillon_dynamic_detector
