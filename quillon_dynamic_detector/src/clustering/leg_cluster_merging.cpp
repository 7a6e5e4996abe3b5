#include "quillon_dynamic_detector/leg_cluster_merging.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/static_leg_absorption.hpp"
#include "quillon_dynamic_detector/trailscan_logger.hpp"
#include "rclcpp/logging.hpp"

namespace quillon_dynamic_detector
{
namespace
{

// Disjoint sets over candidate indices, with path compression.
class UnionFind
{
public:
  explicit UnionFind(std::size_t size) : parent_(size)
  {
    std::iota(parent_.begin(), parent_.end(), std::size_t{0});
  }

  std::size_t find(std::size_t i)
  {
    std::size_t root = i;
    while (parent_[root] != root) {
      root = parent_[root];
    }
    while (parent_[i] != root) {
      i = std::exchange(parent_[i], root);
    }
    return root;
  }

  // The set of `j` joins the set of `i`.
  void unite(std::size_t i, std::size_t j)
  {
    const std::size_t root_i = find(i);
    const std::size_t root_j = find(j);
    if (root_i != root_j) {
      parent_[root_j] = root_i;
    }
  }

private:
  std::vector<std::size_t> parent_;
};

std::vector<LegCandidate> makeLegCandidates(
  const ClusterList & clusters, const ClusterMergeConfig & config)
{
  std::vector<LegCandidate> candidates;
  candidates.reserve(clusters.size());
  for (const ClusterCloud & cluster : clusters) {
    if (hasPoints(cluster)) {
      candidates.push_back(makeLegCandidate(cluster, config));
    }
  }
  return candidates;
}

void uniteNearbyLegs(
  const std::vector<LegCandidate> & candidates, const ClusterMergeConfig & config,
  UnionFind & groups)
{
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (!candidates[i].leg_like) {
      continue;
    }
    for (std::size_t j = i + 1; j < candidates.size(); ++j) {
      if (
        candidates[j].leg_like &&
        isWithinMergeLimits(measureLegPairGap(candidates[i], candidates[j]), config)) {
        groups.unite(i, j);
      }
    }
  }
}

// As uniteNearbyLegs, but a group takes a cluster (or another group) only when every pair of
// their members lies within the limits; the nearest pairs join first.
void uniteLegsWithinLimitsOfWholeGroups(
  const std::vector<LegCandidate> & candidates, const ClusterMergeConfig & config,
  UnionFind & groups)
{
  struct Pair
  {
    float distance;
    std::size_t i;
    std::size_t j;
  };
  std::vector<Pair> pairs;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    for (std::size_t j = i + 1; j < candidates.size(); ++j) {
      if (!candidates[i].leg_like || !candidates[j].leg_like) {
        continue;
      }
      const LegPairGap gap = measureLegPairGap(candidates[i], candidates[j]);
      if (isWithinMergeLimits(gap, config)) {
        pairs.push_back({gap.centroid_distance, i, j});
      }
    }
  }
  std::stable_sort(pairs.begin(), pairs.end(), [](const Pair & a, const Pair & b) {
    return a.distance < b.distance;
  });
  std::vector<std::vector<std::size_t>> members(candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    members[i] = {i};
  }
  const auto all_within = [&](std::size_t root_a, std::size_t root_b) {
    for (const std::size_t a : members[root_a]) {
      for (const std::size_t b : members[root_b]) {
        if (!isWithinMergeLimits(measureLegPairGap(candidates[a], candidates[b]), config)) {
          return false;
        }
      }
    }
    return true;
  };
  for (const Pair & pair : pairs) {
    const std::size_t root_i = groups.find(pair.i);
    const std::size_t root_j = groups.find(pair.j);
    if (root_i == root_j || !all_within(root_i, root_j)) {
      continue;
    }
    groups.unite(root_i, root_j);  // root_i stays the root
    members[root_i].insert(members[root_i].end(), members[root_j].begin(), members[root_j].end());
    members[root_j].clear();
  }
}

// One new cloud per group, in the order of each group's first member.
ClusterList joinGroups(const std::vector<LegCandidate> & candidates, UnionFind & groups)
{
  const std::size_t n = candidates.size();
  std::vector<bool> emitted(n, false);
  ClusterList merged;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t root = groups.find(i);
    if (emitted[root]) {
      continue;
    }
    ClusterList members;
    for (std::size_t k = i; k < n; ++k) {
      if (groups.find(k) == root) {
        members.push_back(candidates[k].cloud);
      }
    }
    merged.push_back(joinClusters(members));
    emitted[root] = true;
  }
  return merged;
}

}  // namespace

bool hasPoints(const ClusterCloud & cluster) { return cluster && !cluster->empty(); }

bool isLegLike(const ClusterFeatures & features, const ClusterMergeConfig & config)
{
  return features.point_count <= config.max_cluster_points &&
         features.width <= config.max_cluster_width &&
         features.length <= config.max_cluster_length && features.area <= config.max_cluster_area;
}

LegCandidate makeLegCandidate(const ClusterCloud & cluster, const ClusterMergeConfig & config)
{
  LegCandidate candidate;
  candidate.cloud = cluster;
  candidate.features = computeClusterFeatures(cluster);
  const PlanarCentroid centroid = computePlanarCentroid(*cluster);
  candidate.centroid_x = centroid.x;
  candidate.centroid_y = centroid.y;
  candidate.range = static_cast<float>(candidate.features.range);
  candidate.bearing = static_cast<float>(candidate.features.bearing);
  candidate.leg_like = isLegLike(candidate.features, config);
  return candidate;
}

LegPairGap measureLegPairGap(const LegCandidate & a, const LegCandidate & b)
{
  const float dx = a.centroid_x - b.centroid_x;
  const float dy = a.centroid_y - b.centroid_y;
  const float bearing_difference = a.bearing - b.bearing;
  LegPairGap gap;
  gap.centroid_distance = std::sqrt(dy * dy + dx * dx);
  gap.range_difference = std::abs(a.range - b.range);
  // Wrapped, so that bearings on both sides of +-pi compare as neighbours.
  gap.bearing_difference =
    std::abs(std::atan2(std::sin(bearing_difference), std::cos(bearing_difference)));
  return gap;
}

bool isWithinMergeLimits(const LegPairGap & gap, const ClusterMergeConfig & config)
{
  return static_cast<double>(gap.centroid_distance) <= config.max_centroid_distance &&
         static_cast<double>(gap.range_difference) <= config.max_radial_distance_diff &&
         static_cast<double>(gap.bearing_difference) <= config.max_angle_diff;
}

ClusterCloud joinClusters(const ClusterList & members)
{
  std::size_t total = 0;
  for (const ClusterCloud & member : members) {
    total += member->size();
  }
  auto joined = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  joined->reserve(total);
  for (const ClusterCloud & member : members) {
    *joined += *member;  // also keeps the newer stamp
  }
  joined->width = static_cast<std::uint32_t>(joined->size());
  joined->height = 1;
  joined->is_dense = true;
  return joined;
}

ClusterList mergeNearbyLegLikeClusters(
  const ClusterList & clusters, const ClusterMergeConfig & config)
{
  if (!config.enable || clusters.size() < 2) {
    return clusters;
  }
  const std::vector<LegCandidate> candidates = makeLegCandidates(clusters, config);
  const std::size_t n = candidates.size();
  if (n < 2) {
    return clusters;
  }
  UnionFind groups(n);
  if (config.whole_group_within_limits) {
    uniteLegsWithinLimitsOfWholeGroups(candidates, config, groups);
  } else {
    uniteNearbyLegs(candidates, config, groups);
  }
  ClusterList merged = joinGroups(candidates, groups);
  if (merged.size() < n) {
    RCLCPP_INFO(
      trailscanLogger(), "[FRONTEND_MERGE] dynamic_dynamic original=%zu merged=%zu reduced=%zu", n,
      merged.size(), n - merged.size());
  }
  return merged;
}

pcl::PointCloud<pcl::PointXYZ> staticSurfaceReturns(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & static_scan,
  const ClusterList & static_clusters, const ClusteringContext & context,
  const ClusterMergeConfig & merge)
{
  std::set<std::pair<float, float>> on_legs;
  for (const ClusterCloud & cluster : static_clusters) {
    if (hasPoints(cluster) && makeLegCandidate(cluster, merge).leg_like) {
      for (const pcl::PointXYZ & p : *cluster) {
        on_legs.emplace(p.x, p.y);
      }
    }
  }
  auto returns = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  laserScanToCloud(static_scan, returns, context.config, context.range_min);
  pcl::PointCloud<pcl::PointXYZ> surfaces;
  for (const pcl::PointXYZ & p : *returns) {
    if (on_legs.count({p.x, p.y}) == 0) {
      surfaces.push_back(p);
    }
  }
  return surfaces;
}

ClusterList assembleMovingClusters(
  const ClusterList & moving_clusters, const ClusterList & static_clusters,
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & static_scan,
  const ClusteringContext & context, const ClusterMergeConfig & merge)
{
  const bool small_legs_kept = context.config.leg_min_cluster_size > 0;
  const ClusterList legs =
    small_legs_kept
      ? dropFragmentsTouching(
          moving_clusters, staticSurfaceReturns(static_scan, static_clusters, context, merge),
          context.config)
      : moving_clusters;
  const ClusterList assembled = absorbNearbyStaticLegLikeClusters(
    mergeNearbyLegLikeClusters(legs, merge), static_clusters, merge);
  return small_legs_kept ? dropClustersTooSmall(assembled, context.config) : assembled;
}

}  // namespace quillon_dynamic_detector
