// The cost floor of the per-scan work: PCL's Euclidean clustering of every return of a scan,
// with trailscan's default clustering settings and nothing else.
#ifndef QUILLON_TOOLS__BENCHMARK__QUALITY__BARE_CLUSTERING_HPP_
#define QUILLON_TOOLS__BENCHMARK__QUALITY__BARE_CLUSTERING_HPP_

#include <vector>

#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_tools
{

// Wall time in ms to turn each scan into points (finite returns up to the clustering range) and
// cluster them with pcl::EuclideanClusterExtraction, one value per scan, in order.
std::vector<double> bareClusteringMilliseconds(
  const std::vector<sensor_msgs::msg::LaserScan> & scans);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__BENCHMARK__QUALITY__BARE_CLUSTERING_HPP_
