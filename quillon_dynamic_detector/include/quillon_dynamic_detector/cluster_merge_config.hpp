#ifndef QUILLON_DYNAMIC_DETECTOR__CLUSTER_MERGE_CONFIG_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLUSTER_MERGE_CONFIG_HPP_

#include <cstdint>

namespace quillon_dynamic_detector
{

// Settings of leg-cluster merging and static leg absorption ("cluster_merge.*").
struct ClusterMergeConfig
{
  bool enable = true;
  double max_centroid_distance = 0.32;     // m
  double max_radial_distance_diff = 0.18;  // m
  double max_angle_diff = 0.2;             // rad, wrapped into [-pi, pi]
  double max_cluster_width = 0.16;         // leg-like limits: m, m, m^2, points
  double max_cluster_length = 0.35;
  double max_cluster_area = 0.04;
  int32_t max_cluster_points = 24;
  // A cluster joins a group of leg clusters only within the limits of every member (pairs
  // nearest first), so that two people a stride apart do not chain leg to leg into one object.
  // false: any member within the limits joins the groups.
  bool whole_group_within_limits = false;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLUSTER_MERGE_CONFIG_HPP_
