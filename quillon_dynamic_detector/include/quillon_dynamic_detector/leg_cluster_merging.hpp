#ifndef QUILLON_DYNAMIC_DETECTOR__LEG_CLUSTER_MERGING_HPP_
#define QUILLON_DYNAMIC_DETECTOR__LEG_CLUSTER_MERGING_HPP_

#include <vector>

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/cluster_features.hpp"
#include "quillon_dynamic_detector/cluster_merge_config.hpp"
#include "quillon_dynamic_detector/clustering_config.hpp"
#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/expected_person.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

// One usable cluster as the leg merges see it, built afresh on every call.
struct LegCandidate
{
  ClusterCloud cloud;  // shared, not copied
  ClusterFeatures features;
  float centroid_x = 0.0F;
  float centroid_y = 0.0F;
  float range = 0.0F;
  float bearing = 0.0F;
  bool leg_like = false;
};

// How far apart two candidates are, in single precision.
struct LegPairGap
{
  float centroid_distance;
  float range_difference;    // absolute
  float bearing_difference;  // absolute, wrapped into [0, pi]
};

// Neither null nor empty: the leg merges skip every other cluster.
bool hasPoints(const ClusterCloud & cluster);

// Leg-sized: point count, width, length and area all within their (inclusive) limits. A NaN
// measure fails.
bool isLegLike(const ClusterFeatures & features, const ClusterMergeConfig & config);

// `cluster` must hold at least one point.
LegCandidate makeLegCandidate(const ClusterCloud & cluster, const ClusterMergeConfig & config);

LegPairGap measureLegPairGap(const LegCandidate & a, const LegCandidate & b);

// All three gaps within their (inclusive) limits, each compared in double.
bool isWithinMergeLimits(const LegPairGap & gap, const ClusterMergeConfig & config);

// A new cloud holding the points of `members` in order, newest stamp, width = point count,
// height 1, dense.
ClusterCloud joinClusters(const ClusterList & members);

// Joins leg-like moving clusters that lie close together, transitively, so that a person's two
// legs reach the tracker as one cluster. Groups come out in the order of their first member, each
// a new cloud; `clusters` is left untouched. With merging disabled or fewer than two usable
// clusters the list comes back as it is, null and empty entries included.
ClusterList mergeNearbyLegLikeClusters(
  const ClusterList & clusters, const ClusterMergeConfig & config);

// The moving clusters (in their order, null ones dropped) less those below the size limits that
// lie within the clustering tolerance of a usable return of `static_scan` (as the clustering
// reads it) that is no part of a leg-like one of `static_clusters`: the moving end of a wall or of
// furniture, not a leg beside its planted foot. A return that makes no static cluster counts as
// such a surface too, except for a cluster whose centroid lies within
// clustering.tracked_leg_reach of one of `expected_people` (in the scan's frame): that one takes
// such returns beside it into a new cloud, each return going to one cluster only.
ClusterList dropFragmentsOfStaticSurfaces(
  const ClusterList & moving_clusters, const ClusterList & static_clusters,
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & static_scan,
  const ClusteringContext & context, const ClusterMergeConfig & merge,
  const std::vector<ExpectedPerson> & expected_people = {});

// What the moving clusters of a scan reach detection as: the leg merge joins a person's legs, and
// each leg-like result takes over a planted static leg beside it
// (absorbNearbyStaticLegLikeClusters). With clustering.leg_min_cluster_size set, the extraction
// kept far moving clusters below the size limits: those touching a static return that is not
// part of a leg-like static cluster go first (dropFragmentsOfStaticSurfaces; near a person the
// tracker expects, a loose static return is their planted foot), and the size limits then count
// what the merge and the absorption made, so that a swinging leg of two returns beside a planted
// foot makes a person.
ClusterList assembleMovingClusters(
  const ClusterList & moving_clusters, const ClusterList & static_clusters,
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & static_scan,
  const ClusteringContext & context, const ClusterMergeConfig & merge,
  const std::vector<ExpectedPerson> & expected_people = {});

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__LEG_CLUSTER_MERGING_HPP_
