#include "quillon_dynamic_detector/cluster_split.hpp"

#include <limits>

namespace quillon_dynamic_detector
{
namespace
{

Eigen::Vector2f planar(const pcl::PointXYZ & point) { return {point.x, point.y}; }

bool reaches(const pcl::PointCloud<pcl::PointXYZ> & cluster, const Eigen::Vector2f & place)
{
  for (const pcl::PointXYZ & point : cluster.points) {
    if ((planar(point) - place).squaredNorm() <= SPLIT_PLACE_REACH * SPLIT_PLACE_REACH) {
      return true;
    }
  }
  return false;
}

// The places within the cluster's reach, each at least `min_distance` from those kept before it.
std::vector<Eigen::Vector2f> placesIn(
  const pcl::PointCloud<pcl::PointXYZ> & cluster, const std::vector<Eigen::Vector2f> & places,
  float min_distance)
{
  std::vector<Eigen::Vector2f> inside;
  for (const Eigen::Vector2f & place : places) {
    bool apart = true;
    for (const Eigen::Vector2f & kept : inside) {
      apart = apart && (kept - place).norm() >= min_distance;
    }
    if (apart && reaches(cluster, place)) {
      inside.push_back(place);
    }
  }
  return inside;
}

std::size_t nearestPlace(const pcl::PointXYZ & point, const std::vector<Eigen::Vector2f> & places)
{
  std::size_t nearest = 0;
  float nearest_distance = std::numeric_limits<float>::infinity();
  for (std::size_t p = 0; p < places.size(); ++p) {
    const float distance = (planar(point) - places[p]).squaredNorm();
    if (distance < nearest_distance) {
      nearest = p;
      nearest_distance = distance;
    }
  }
  return nearest;
}

// The cluster's parts by nearest place, or none when a part would be too small.
ClusterList cutBetween(
  const ClusterCloud & cluster, const std::vector<Eigen::Vector2f> & places, std::size_t min_points)
{
  ClusterList parts;
  for (std::size_t p = 0; p < places.size(); ++p) {
    parts.push_back(std::make_shared<pcl::PointCloud<pcl::PointXYZ>>());
    parts.back()->header = cluster->header;
  }
  for (const pcl::PointXYZ & point : cluster->points) {
    parts[nearestPlace(point, places)]->push_back(point);
  }
  for (const ClusterCloud & part : parts) {
    if (part->size() < min_points || part->empty()) {
      return {};
    }
  }
  return parts;
}

}  // namespace

ClusterList splitClustersBetweenPlaces(
  const ClusterList & clusters, const std::vector<Eigen::Vector2f> & places, float min_distance,
  std::size_t min_points)
{
  ClusterList result;
  result.reserve(clusters.size());
  for (const ClusterCloud & cluster : clusters) {
    const std::vector<Eigen::Vector2f> inside =
      cluster ? placesIn(*cluster, places, min_distance) : std::vector<Eigen::Vector2f>{};
    ClusterList parts =
      inside.size() >= 2 ? cutBetween(cluster, inside, min_points) : ClusterList{};
    if (parts.empty()) {
      result.push_back(cluster);
    } else {
      result.insert(result.end(), parts.begin(), parts.end());
    }
  }
  return result;
}

}  // namespace quillon_dynamic_detector
