#ifndef QUILLON_DYNAMIC_DETECTOR__EUCLIDEAN_CLUSTERING_HPP_
#define QUILLON_DYNAMIC_DETECTOR__EUCLIDEAN_CLUSTERING_HPP_

#include <memory>

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/clustering_config.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

// PCL's clustering headers are heavy: only the clustering source includes them.
namespace pcl
{
template <typename PointT>
class EuclideanClusterExtraction;
}  // namespace pcl

namespace quillon_dynamic_detector
{

using Clusterer = pcl::EuclideanClusterExtraction<pcl::PointXYZ>;

// The one clusterer both scanners share: tolerance and size limits from `config`, searched with
// a PlanarGridSearch, which finds what a kd-tree with sorted results finds at a fraction of the
// cost.
std::shared_ptr<Clusterer> makeClusterer(const ClusteringConfig & config);

// What one clustering call works with. Refers to, does not own, the start-up settings and the
// shared clusterer; the clusterer is re-fed on every call, so calls must not run concurrently.
// `range_min` is the received scan's: the detectors' output scans need not carry it.
struct ClusteringContext
{
  const ClusteringConfig & config;
  Clusterer & clusterer;
  float range_min = 0.0F;
};

// No scanner measures this far: farther readings (kept by a huge `max_range`) count as beams
// without a return, which also keeps points within reach of the search grid's cells.
constexpr double MAX_RANGE_MAGNITUDE = 1.0e6;

// Fills `cloud` with one point per usable beam of `scan`, in beam order (z = 0). A beam is skipped
// when its range is NaN, infinite, zero or negative, below `range_min` (the received scan's),
// beyond `config.max_range` or beyond MAX_RANGE_MAGNITUDE; `range_min` and `config.max_range`
// themselves are kept. Does nothing when either pointer is null.
void laserScanToCloud(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan,
  const pcl::PointCloud<pcl::PointXYZ>::Ptr & cloud, const ClusteringConfig & config,
  float range_min);

// Clusters the usable beams of `scan` into `clusters`, largest cluster first. Groups outside the
// size limits (min_cluster_size, beyond far_range far_min_cluster_size when set) are dropped
// whole, never split; with leg_min_cluster_size set, groups of at least that many points beyond
// far_range stay for the leg merge (assembleMovingClusters decides on them). When no beam is
// usable `clusters` is left as it was.
void extractClusters(
  const ClusteringContext & context, const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan,
  ClusterList & clusters);

// Whether `cluster` has the points the size limits ask where it lies: min_cluster_size, or
// beyond far_range far_min_cluster_size when set.
bool meetsSizeLimits(
  const pcl::PointCloud<pcl::PointXYZ> & cluster, const ClusteringConfig & config);

// The clusters (in their order) that meet the size limits. Null clusters go.
ClusterList dropClustersTooSmall(const ClusterList & clusters, const ClusteringConfig & config);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__EUCLIDEAN_CLUSTERING_HPP_
