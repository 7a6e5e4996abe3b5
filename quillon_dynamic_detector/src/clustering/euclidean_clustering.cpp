#include "quillon_dynamic_detector/euclidean_clustering.hpp"

#include <pcl/point_types.h>
#include <pcl/segmentation/extract_clusters.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Whether a group has the points it needs where it lies: min_cluster_size, or beyond far_range
// far_min_cluster_size when that is set.
bool isLargeEnough(
  const pcl::PointCloud<pcl::PointXYZ> & cloud, const pcl::PointIndices & group,
  const ClusteringConfig & config)
{
  const auto size = static_cast<int64_t>(group.indices.size());
  if (config.far_min_cluster_size <= 0 || size >= config.min_cluster_size) {
    return true;
  }
  double sum_x = 0.0;
  double sum_y = 0.0;
  for (const pcl::index_t i : group.indices) {
    sum_x += cloud[i].x;
    sum_y += cloud[i].y;
  }
  const double range = std::hypot(sum_x, sum_y) / static_cast<double>(size);
  return range > config.far_range && size >= config.far_min_cluster_size;
}

// The fewest points any cluster may have: min_cluster_size, or far_min_cluster_size when it is set
// and smaller.
int32_t smallestClusterSize(const ClusteringConfig & config)
{
  return config.far_min_cluster_size > 0
           ? std::min(config.min_cluster_size, config.far_min_cluster_size)
           : config.min_cluster_size;
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
    if (isLargeEnough(*cloud, group, context.config)) {
      clusters.push_back(copyPoints(*cloud, group));
    }
  }
}

}  // namespace quillon_dynamic_detector
