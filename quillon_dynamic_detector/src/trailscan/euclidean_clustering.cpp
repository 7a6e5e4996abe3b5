#include "quillon_dynamic_detector/euclidean_clustering.hpp"

#include <pcl/point_types.h>
#include <pcl/search/kdtree.h>
#include <pcl/segmentation/extract_clusters.h>

namespace quillon_dynamic_detector
{

std::shared_ptr<Clusterer> makeClusterer(const ClusteringConfig & config)
{
  auto clusterer = std::make_shared<Clusterer>();
  clusterer->setClusterTolerance(config.tolerance);
  clusterer->setMinClusterSize(config.min_cluster_size);
  clusterer->setMaxClusterSize(config.max_cluster_size);
  clusterer->setSearchMethod(std::make_shared<pcl::search::KdTree<pcl::PointXYZ>>(true));
  return clusterer;
}

}  // namespace quillon_dynamic_detector
