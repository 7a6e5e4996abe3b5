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
  // Above 0, a cluster of moving returns whose centroid lies farther than far_range (m) from the
  // scanner needs only this many points: far away a leg gives fewer returns than near by, while
  // the clutter that small clusters let through lies mostly near. It only lowers the size there;
  // static clusters keep min_cluster_size. 0: min_cluster_size at every range.
  int32_t far_min_cluster_size = 0;
  double far_range = 3.0;
  // Above 0, a cluster of moving returns beyond far_range with at least this many points takes
  // part in the leg merge and in taking over a planted static leg, and the size limits above
  // then count the points of what those made: two legs of two returns each, as far off as a
  // scanner gives a leg only two, make one person of four, and so does a swinging leg of two
  // beside a planted foot, while a small fragment joined to nothing is dropped, as is one that
  // touches a static return outside a leg-like static cluster (the moving end of a wall).
  // Nearer, where small fragments are pieces of the legs of people side by side, each cluster
  // needs the size limits before the merge, as with 0. Static clusters keep min_cluster_size.
  int32_t leg_min_cluster_size = 0;
  // Above 0 (m), with leg_min_cluster_size: such a small cluster whose centroid lies within this
  // distance of where the tracker expects one of its published pedestrians takes the static
  // returns beside it that make no static cluster, instead of going as the end of a surface. At
  // that range a walker's planted foot often gives one return or two, too few for a static
  // cluster to take over, so the swinging leg alone would be dropped. 0: off.
  double tracked_leg_reach = 0.0;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLUSTERING_CONFIG_HPP_
