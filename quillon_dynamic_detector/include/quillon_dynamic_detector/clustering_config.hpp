#ifndef QUILLON_DYNAMIC_DETECTOR__CLUSTERING_CONFIG_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLUSTERING_CONFIG_HPP_

#include <cstdint>

namespace quillon_dynamic_detector
{

// Settings of the Euclidean clustering of each returned scan ("clustering.*").
struct ClusteringConfig
{
  double tolerance = 0.18;          // cluster tolerance (m)
  int32_t min_cluster_size = 10;    // fewest points in a cluster
  int32_t max_cluster_size = 1000;  // most points in a cluster
  double max_range = 5.0;           // returns farther than this (m) are not clustered
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLUSTERING_CONFIG_HPP_
