#include "bare_clustering.hpp"

#include <pcl/point_types.h>
#include <pcl/search/kdtree.h>
#include <pcl/segmentation/extract_clusters.h>

#include <chrono>
#include <cmath>

#include "quillon_dynamic_detector/clustering_config.hpp"

namespace quillon_tools
{

std::vector<double> bareClusteringMilliseconds(
  const std::vector<sensor_msgs::msg::LaserScan> & scans)
{
  const quillon_dynamic_detector::ClusteringConfig config;
  std::vector<double> costs;
  costs.reserve(scans.size());
  for (const auto & scan : scans) {
    const auto start = std::chrono::steady_clock::now();
    auto cloud = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
    for (size_t i = 0; i < scan.ranges.size(); ++i) {
      const float r = scan.ranges[i];
      if (std::isfinite(r) && r > 0.0F && r <= config.max_range) {
        const float angle = scan.angle_min + static_cast<float>(i) * scan.angle_increment;
        cloud->push_back(pcl::PointXYZ(r * std::cos(angle), r * std::sin(angle), 0.0F));
      }
    }
    std::vector<pcl::PointIndices> clusters;
    if (!cloud->empty()) {
      auto tree = std::make_shared<pcl::search::KdTree<pcl::PointXYZ>>();
      tree->setInputCloud(cloud);
      pcl::EuclideanClusterExtraction<pcl::PointXYZ> extraction;
      extraction.setClusterTolerance(config.tolerance);
      extraction.setMinClusterSize(config.min_cluster_size);
      extraction.setMaxClusterSize(config.max_cluster_size);
      extraction.setSearchMethod(tree);
      extraction.setInputCloud(cloud);
      extraction.extract(clusters);
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    costs.push_back(took.count());
  }
  return costs;
}

}  // namespace quillon_tools
