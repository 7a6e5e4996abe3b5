#include "quillon_dynamic_detector/cluster_features.hpp"

#include <Eigen/Core>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quillon_dynamic_detector
{
namespace
{

constexpr double FOUR_PI = 12.566370614359172;
constexpr float MIN_X_EXTENT_FOR_ASPECT = 0.01F;
constexpr double ASPECT_RATIO_OF_THIN_CLUSTER = 100.0;
// Points that all lie closer than this share of their coordinates' magnitude to the line through
// the first point and the point farthest from it count as collinear: far below anything a scanner
// resolves, so only outlines of no measurable area are taken for lines.
constexpr double COLLINEAR_RELATIVE_TOLERANCE = 1e-12;

bool isFinitePoint(const pcl::PointXYZ & p)
{
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Whether a point takes part in the extents and the centroid: every point of a dense cloud, only
// finite ones otherwise.
bool counts(const pcl::PointCloud<pcl::PointXYZ> & cloud, const pcl::PointXYZ & p)
{
  return cloud.is_dense || isFinitePoint(p);
}

pcl::Indices finitePointIndices(const pcl::PointCloud<pcl::PointXYZ> & cloud)
{
  pcl::Indices indices;
  indices.reserve(cloud.size());
  for (std::size_t i = 0; i < cloud.size(); ++i) {
    if (isFinitePoint(cloud[i])) {
      indices.push_back(static_cast<pcl::index_t>(i));
    }
  }
  return indices;
}

// False when no point counts.
bool setExtents(const pcl::PointCloud<pcl::PointXYZ> & cloud, ClusterFeatures & features)
{
  float min_x = FLT_MAX, min_y = FLT_MAX;
  float max_x = -FLT_MAX, max_y = -FLT_MAX;
  bool any_counted = false;
  for (const pcl::PointXYZ & p : cloud) {
    if (counts(cloud, p)) {
      min_x = std::min(min_x, p.x);
      min_y = std::min(min_y, p.y);
      max_x = std::max(max_x, p.x);
      max_y = std::max(max_y, p.y);
      any_counted = true;
    }
  }
  if (!any_counted) {
    return false;
  }
  const float dx = max_x - min_x;
  const float dy = max_y - min_y;
  features.width = dx;
  features.length = dy;
  features.aspect_ratio = dx > MIN_X_EXTENT_FOR_ASPECT
                            ? static_cast<double>(dy) / static_cast<double>(dx)
                            : ASPECT_RATIO_OF_THIN_CLUSTER;
  return true;
}

// Fewer than three distinct points, or points on one line, have no outline.
bool hasPlanarOutline(const pcl::PointCloud<pcl::PointXYZ> & cloud, const pcl::Indices & points)
{
  if (points.size() < 3) {
    return false;
  }
  const pcl::PointXYZ & first = cloud[points.front()];
  const auto offset = [&](pcl::index_t i) {
    return Eigen::Vector2d(
      static_cast<double>(cloud[i].x) - first.x, static_cast<double>(cloud[i].y) - first.y);
  };
  Eigen::Vector2d farthest = Eigen::Vector2d::Zero();
  double magnitude = 0.0;
  for (const pcl::index_t i : points) {
    if (offset(i).squaredNorm() > farthest.squaredNorm()) {
      farthest = offset(i);
    }
    magnitude = std::max(
      {magnitude, std::abs(static_cast<double>(cloud[i].x)),
       std::abs(static_cast<double>(cloud[i].y))});
  }
  if (farthest.squaredNorm() == 0.0) {
    return false;  // all points coincide
  }
  const double tolerance = COLLINEAR_RELATIVE_TOLERANCE * magnitude * farthest.norm();
  return std::any_of(points.begin(), points.end(), [&](pcl::index_t i) {
    const Eigen::Vector2d d = offset(i);
    return std::abs(farthest.x() * d.y() - farthest.y() * d.x()) > tolerance;
  });
}

// Twice the signed area of the triangle o, a, b: positive when o -> a -> b turns left.
double turn(const pcl::PointXYZ & o, const pcl::PointXYZ & a, const pcl::PointXYZ & b)
{
  const double ox = o.x;
  const double oy = o.y;
  return (static_cast<double>(a.x) - ox) * (static_cast<double>(b.y) - oy) -
         (static_cast<double>(a.y) - oy) * (static_cast<double>(b.x) - ox);
}

// The corners of the convex outline of `points` (monotone chain): points on an edge or inside are
// none.
std::vector<pcl::PointXYZ> hullCorners(
  const pcl::PointCloud<pcl::PointXYZ> & cloud, const pcl::Indices & points)
{
  std::vector<pcl::PointXYZ> sorted;
  sorted.reserve(points.size());
  for (const pcl::index_t i : points) {
    sorted.push_back(cloud[i]);
  }
  const auto before = [](const pcl::PointXYZ & a, const pcl::PointXYZ & b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  };
  std::sort(sorted.begin(), sorted.end(), before);
  std::vector<pcl::PointXYZ> corners(2 * sorted.size());
  std::size_t k = 0;
  const auto keepTurningLeft = [&](const pcl::PointXYZ & next, std::size_t floor) {
    while (k >= floor && turn(corners[k - 2], corners[k - 1], next) <= 0.0) {
      --k;
    }
    corners[k++] = next;
  };
  for (const pcl::PointXYZ & p : sorted) {
    keepTurningLeft(p, 2);  // lower chain
  }
  const std::size_t lower = k + 1;
  for (std::size_t i = sorted.size() - 1; i > 0; --i) {
    keepTurningLeft(sorted[i - 1], lower);  // upper chain, back to the first point
  }
  corners.resize(k - 1);
  return corners;
}

// The corners in order of their bearing from their own centroid, from -pi on: the order in which
// the outline's area and perimeter are summed, so that the sums do not depend on the order the
// points came in.
pcl::PointCloud<pcl::PointXYZ> inBearingOrder(const std::vector<pcl::PointXYZ> & corners)
{
  float sum_x = 0.0F;
  float sum_y = 0.0F;
  for (const pcl::PointXYZ & p : corners) {
    sum_x += p.x;
    sum_y += p.y;
  }
  const float n = static_cast<float>(corners.size());
  std::vector<std::pair<float, std::size_t>> bearings;
  bearings.reserve(corners.size());
  for (std::size_t i = 0; i < corners.size(); ++i) {
    bearings.emplace_back(std::atan2(corners[i].y - sum_y / n, corners[i].x - sum_x / n), i);
  }
  std::sort(bearings.begin(), bearings.end(), [](const auto & a, const auto & b) {
    return a.first < b.first;
  });
  pcl::PointCloud<pcl::PointXYZ> ordered;
  for (const auto & bearing : bearings) {
    ordered.push_back(corners[bearing.second]);
  }
  return ordered;
}

// Hull vertices of the finite points in order around the hull; empty when they have no planar
// outline. Worked out here rather than by qhull, whose set-up on every call cost as much as the
// moving-point detector where clusters are small and many.
pcl::PointCloud<pcl::PointXYZ> convexHullVertices(const ClusterCloud & cluster)
{
  const pcl::Indices finite = finitePointIndices(*cluster);
  if (!hasPlanarOutline(*cluster, finite)) {
    return {};
  }
  return inBearingOrder(hullCorners(*cluster, finite));
}

void setHullMeasures(const pcl::PointCloud<pcl::PointXYZ> & hull, ClusterFeatures & features)
{
  const std::size_t n = hull.size();
  if (n == 0) {
    return;
  }
  double twice_area = 0.0;
  float perimeter = 0.0F;
  for (std::size_t i = 0; i < n; ++i) {
    const pcl::PointXYZ & p = hull[i];
    const pcl::PointXYZ & q = hull[(i + 1) % n];
    const float cross = p.x * q.y - q.x * p.y;
    twice_area += static_cast<double>(cross);
    const float dx = q.x - p.x;
    const float dy = q.y - p.y;
    perimeter += std::sqrt(dx * dx + dy * dy);
  }
  features.area = std::abs(twice_area) * 0.5;
  if (perimeter > 0.0F) {
    features.compactness = features.area * FOUR_PI / static_cast<double>(perimeter * perimeter);
  }
}

}  // namespace

PlanarCentroid computePlanarCentroid(const pcl::PointCloud<pcl::PointXYZ> & cloud)
{
  float sum_x = 0.0F;
  float sum_y = 0.0F;
  std::size_t count = 0;
  for (const pcl::PointXYZ & p : cloud) {
    if (counts(cloud, p)) {
      sum_x += p.x;
      sum_y += p.y;
      ++count;
    }
  }
  if (count == 0) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return {nan, nan};
  }
  const float n = static_cast<float>(count);
  return {sum_x / n, sum_y / n};
}

ClusterFeatures computeClusterFeatures(const ClusterCloud & cluster)
{
  if (!cluster || cluster->empty()) {
    throw std::invalid_argument("computeClusterFeatures: the cluster holds no points");
  }
  ClusterFeatures features;
  features.point_count = static_cast<int32_t>(cluster->size());
  if (!setExtents(*cluster, features)) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    features.width = features.length = features.range = features.bearing = nan;
    features.aspect_ratio = ASPECT_RATIO_OF_THIN_CLUSTER;
    return features;
  }
  setHullMeasures(convexHullVertices(cluster), features);
  const PlanarCentroid centroid = computePlanarCentroid(*cluster);
  features.range = std::sqrt(centroid.x * centroid.x + centroid.y * centroid.y);
  features.bearing = std::atan2(centroid.y, centroid.x);
  return features;
}

}  // namespace quillon_dynamic_detector
