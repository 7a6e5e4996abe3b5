#include "quillon_dynamic_detector/static_centroid.hpp"

#include <pcl/common/centroid.h>

namespace quillon_dynamic_detector
{

std::optional<Eigen::Vector2f> findNearestStaticCentroid(
  const TrackerConfig & config, const Eigen::Vector2f & position,
  const ClusterList & static_clusters)
{
  float best_distance = config.static_gate;
  std::optional<Eigen::Vector2f> nearest;
  for (const ClusterCloud & cluster : static_clusters) {
    if (!cluster || cluster->empty()) {
      continue;
    }
    // Averages the finite points only when the cloud is not marked dense; zero means no point
    // was usable.
    Eigen::Vector4f centroid;
    if (pcl::compute3DCentroid(*cluster, centroid) == 0) {
      continue;
    }
    const Eigen::Vector2f planar = centroid.head<2>();
    const float distance = (planar - position).norm();
    if (distance < best_distance) {
      best_distance = distance;
      nearest = planar;
    }
  }
  return nearest;
}

}  // namespace quillon_dynamic_detector
