#ifndef QUILLON_DYNAMIC_DETECTOR__CLUSTER_CLOUD_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLUSTER_CLOUD_HPP_

#include <vector>

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

namespace quillon_dynamic_detector
{

// One cluster's points in the scanner frame (z = 0). Cluster lists keep the order in which
// clustering and merging leave them.
using ClusterCloud = pcl::PointCloud<pcl::PointXYZ>::Ptr;
using ClusterList = std::vector<ClusterCloud>;

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLUSTER_CLOUD_HPP_
