#include "quillon_dynamic_detector/euclidean_clustering.hpp"

#include <pcl/point_types.h>
#include <pcl/segmentation/extract_clusters.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "quillon_dynamic_detector/planar_grid_search.hpp"

namespace quillon_dynamic_detector
{
namespace
{

// NaN and infinite ranges, returns beyond the limit and absurd magnitudes are beams without a
// usable return; the moving-point detectors mark them with FLT_MAX. Scanners report a beam
// without an echo as 0 or as a reading below their own minimum: such a beam is no point at the
// scanner, which would otherwise become a cluster there. A NaN minimum sets no bound.
bool isUsableRange(float range, const ClusteringConfig & config, float range_min)
{
  return std::isfinite(range) && range > 0.0F && !(range < range_min) &&
         static_cast<double>(range) <= config.max_range &&
         static_cast<double>(range) <= MAX_RANGE_MAGNITUDE;
}

// A cluster as a plain unorganised cloud: width = point count, height 1.
ClusterCloud copyPoints(
  const pcl::PointCloud<pcl::PointXYZ> & cloud, const pcl::PointIndices & group)
{
  auto cluster = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  cluster->reserve(group.indices.size());
  for (const pcl::index_t i : group.indices) {
    cluster->push_back(cloud[i]);
  }
  return cluster;
}

// The distance of the centroid of the points of `cloud` at `indices` from the scanner.
template <typename Indices>
double centroidRange(const pcl::PointCloud<pcl::PointXYZ> & cloud, const Indices & indices)
{
  double sum_x = 0.0;
  double sum_y = 0.0;
  for (const auto i : indices) {
    sum_x += cloud[i].x;
    sum_y += cloud[i].y;
  }
  return std::hypot(sum_x, sum_y) / static_cast<double>(std::max<std::size_t>(indices.size(), 1));
}

// Whether the points of `cloud` at `indices` are at least `far_size` (a key above 0) and their
// centroid lies beyond far_range.
template <typename Indices>
bool reachesFarSize(
  const pcl::PointCloud<pcl::PointXYZ> & cloud, const Indices & indices, int32_t far_size,
  const ClusteringConfig & config)
{
  return far_size > 0 && static_cast<int64_t>(indices.size()) >= far_size &&
         centroidRange(cloud, indices) > config.far_range;
}

// Whether the points of `cloud` at `indices` have what a cluster needs where they lie:
// min_cluster_size, or beyond far_range far_min_cluster_size when that is set.
template <typename Indices>
bool isLargeEnough(
  const pcl::PointCloud<pcl::PointXYZ> & cloud, const Indices & indices,
  const ClusteringConfig & config)
{
  return static_cast<int64_t>(indices.size()) >= config.min_cluster_size ||
         reachesFarSize(cloud, indices, config.far_min_cluster_size, config);
}

// Whether a group is kept by the extraction: large enough, or with leg_min_cluster_size set at
// least that large beyond far_range, since the leg merge decides on it there.
bool isKeptByExtraction(
  const pcl::PointCloud<pcl::PointXYZ> & cloud, const pcl::PointIndices & group,
  const ClusteringConfig & config)
{
  return isLargeEnough(cloud, group.indices, config) ||
         reachesFarSize(cloud, group.indices, config.leg_min_cluster_size, config);
}

// The fewest points any cluster may have: min_cluster_size, or far_min_cluster_size or
// leg_min_cluster_size when set and smaller.
int32_t smallestClusterSize(const ClusteringConfig & config)
{
  int32_t smallest = config.min_cluster_size;
  for (const int32_t lower : {config.far_min_cluster_size, config.leg_min_cluster_size}) {
    if (lower > 0) {
      smallest = std::min(smallest, lower);
    }
  }
  return smallest;
}

}  // namespace

std::shared_ptr<Clusterer> makeClusterer(const ClusteringConfig & config)
{
  auto clusterer = std::make_shared<Clusterer>();
  clusterer->setClusterTolerance(config.tolerance);
  clusterer->setMinClusterSize(smallestClusterSize(config));
  clusterer->setMaxClusterSize(config.max_cluster_size);
  // Laid out for the radius the extraction searches with: the tolerance narrowed to float.
  clusterer->setSearchMethod(
    std::make_shared<PlanarGridSearch>(static_cast<float>(config.tolerance)));
  return clusterer;
}

void laserScanToCloud(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan,
  const pcl::PointCloud<pcl::PointXYZ>::Ptr & cloud, const ClusteringConfig & config,
  float range_min)
{
  if (!scan || !cloud) {
    return;
  }
  cloud->clear();
  cloud->reserve(scan->ranges.size());
  for (std::size_t i = 0; i < scan->ranges.size(); ++i) {
    const float range = scan->ranges[i];
    if (!isUsableRange(range, config, range_min)) {
      continue;
    }
    const float angle = static_cast<float>(i) * scan->angle_increment + scan->angle_min;
    cloud->points.emplace_back(range * std::cos(angle), range * std::sin(angle), 0.0F);
  }
  cloud->width = static_cast<std::uint32_t>(cloud->points.size());
  cloud->height = 1;
  cloud->is_dense = true;
}

void extractClusters(
  const ClusteringContext & context, const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan,
  ClusterList & clusters)
{
  auto cloud = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  laserScanToCloud(scan, cloud, context.config, context.range_min);
  if (cloud->empty()) {
    return;
  }
  std::vector<pcl::PointIndices> groups;
  context.clusterer.setInputCloud(cloud);
  context.clusterer.extract(groups);

  clusters.clear();
  clusters.reserve(groups.size());
  for (const pcl::PointIndices & group : groups) {
    if (isKeptByExtraction(*cloud, group, context.config)) {
      clusters.push_back(copyPoints(*cloud, group));
    }
  }
}

bool meetsSizeLimits(
  const pcl::PointCloud<pcl::PointXYZ> & cluster, const ClusteringConfig & config)
{
  if (static_cast<int64_t>(cluster.size()) >= config.min_cluster_size) {
    return true;  // most clusters: no index list to build
  }
  std::vector<std::size_t> all(cluster.size());
  std::iota(all.begin(), all.end(), std::size_t{0});
  return isLargeEnough(cluster, all, config);
}

ClusterList dropClustersTooSmall(const ClusterList & clusters, const ClusteringConfig & config)
{
  ClusterList kept;
  kept.reserve(clusters.size());
  for (const ClusterCloud & cluster : clusters) {
    if (cluster && meetsSizeLimits(*cluster, config)) {
      kept.push_back(cluster);
    }
  }
  return kept;
}

}  // namespace quillon_dynamic_detector
