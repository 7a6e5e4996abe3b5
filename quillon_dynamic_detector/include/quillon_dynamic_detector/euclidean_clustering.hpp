#ifndef QUILLON_DYNAMIC_DETECTOR__EUCLIDEAN_CLUSTERING_HPP_
#define QUILLON_DYNAMIC_DETECTOR__EUCLIDEAN_CLUSTERING_HPP_

#include <memory>

#include "quillon_dynamic_detector/clustering_config.hpp"

// PCL's clustering headers are heavy: only the clustering source includes them.
namespace pcl
{
struct PointXYZ;
template <typename PointT>
class EuclideanClusterExtraction;
}  // namespace pcl

namespace quillon_dynamic_detector
{

using Clusterer = pcl::EuclideanClusterExtraction<pcl::PointXYZ>;

// The one clusterer both scanners share: tolerance and size limits from `config`, searched with
// a kd-tree that returns sorted results.
std::shared_ptr<Clusterer> makeClusterer(const ClusteringConfig & config);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__EUCLIDEAN_CLUSTERING_HPP_
