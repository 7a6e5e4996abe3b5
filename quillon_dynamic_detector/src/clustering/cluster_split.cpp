#include "quillon_dynamic_detector/cluster_split.hpp"

#include <cmath>
#include <limits>
#include <vector>

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

// Whether `b` walks beside `a` rather than ahead of or behind them, as each one's heading sees it.
bool sideBySide(const ExpectedPerson & a, const ExpectedPerson & b)
{
  const Eigen::Vector2f apart = b.place - a.place;
  for (const Eigen::Vector2f & velocity : {a.velocity, b.velocity}) {
    const float speed = velocity.norm();
    if (speed >= SPLIT_HEADING_MIN_SPEED) {
      const float along = std::abs(apart.dot(velocity)) / speed;
      const float across = std::abs(apart.x() * velocity.y() - apart.y() * velocity.x()) / speed;
      if (!(along <= across)) {
        return false;
      }
    }
  }
  return true;
}

// The places of the people within the cluster's reach, each at least `min_distance` from and
// beside those kept before them.
std::vector<Eigen::Vector2f> placesIn(
  const pcl::PointCloud<pcl::PointXYZ> & cluster, const std::vector<ExpectedPerson> & people,
  float min_distance)
{
  std::vector<const ExpectedPerson *> inside;
  for (const ExpectedPerson & person : people) {
    bool counts = reaches(cluster, person.place);
    for (const ExpectedPerson * kept : inside) {
      counts =
        counts && (kept->place - person.place).norm() >= min_distance && sideBySide(*kept, person);
    }
    if (counts) {
      inside.push_back(&person);
    }
  }
  std::vector<Eigen::Vector2f> places;
  for (const ExpectedPerson * person : inside) {
    places.push_back(person->place);
  }
  return places;
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
  const ClusterList & clusters, const std::vector<ExpectedPerson> & people, float min_distance,
  std::size_t min_points)
{
  ClusterList result;
  result.reserve(clusters.size());
  for (const ClusterCloud & cluster : clusters) {
    const std::vector<Eigen::Vector2f> inside =
      cluster ? placesIn(*cluster, people, min_distance) : std::vector<Eigen::Vector2f>{};
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
