#include "quillon_dynamic_detector/leg_cluster_merging.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
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

// The static returns within the clustering tolerance of a small moving cluster.
struct StaticContact
{
  // One of them belongs to a static cluster that is not leg-like: the surface of a wall or of
  // furniture, not a planted foot.
  bool surface = false;
  // One of them makes no static cluster (too few together): a planted foot that gave one return
  // or two, or a lone return of a surface.
  bool loose = false;
  // Those of them no other cluster took: indices into the scan's static returns.
  std::vector<std::size_t> untaken_loose;
};

// The static returns of a scan as small moving clusters touch them. Which static cluster a return
// belongs to, and whether that one is leg-like, is worked out once asked.
class StaticSurfaces
{
public:
  StaticSurfaces(
    const ClusterList & static_clusters,
    const sensor_msgs::msg::LaserScan::ConstSharedPtr & static_scan,
    const ClusteringContext & context, const ClusterMergeConfig & merge)
  : static_clusters_(static_clusters),
    merge_(merge),
    returns_(std::make_shared<pcl::PointCloud<pcl::PointXYZ>>()),
    reach_squared_(context.config.tolerance * context.config.tolerance),
    leg_like_(static_clusters.size(), -1)
  {
    laserScanToCloud(static_scan, returns_, context.config, context.range_min);
    taken_.assign(returns_->size(), false);
  }

  StaticContact contact(const pcl::PointCloud<pcl::PointXYZ> & cluster)
  {
    StaticContact found;
    for (std::size_t i = 0; i < returns_->size(); ++i) {
      const pcl::PointXYZ & q = (*returns_)[i];
      if (!touches(cluster, q)) {
        continue;
      }
      const ReturnKind kind = kindOf(q);
      found.surface = found.surface || kind == ReturnKind::Surface;
      found.loose = found.loose || kind == ReturnKind::Loose;
      if (kind == ReturnKind::Loose && !taken_[i]) {
        found.untaken_loose.push_back(i);
      }
    }
    return found;
  }

  // A new cloud: `cluster` with the untaken loose returns of `contact`, which no other cluster
  // takes after.
  ClusterCloud takeLooseReturns(const ClusterCloud & cluster, const StaticContact & contact)
  {
    auto grown = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>(*cluster);
    for (const std::size_t i : contact.untaken_loose) {
      grown->push_back((*returns_)[i]);  // keeps width and height in step
      taken_[i] = true;
    }
    return grown;
  }

private:
  enum class ReturnKind
  {
    Loose,
    LegLike,
    Surface
  };

  bool touches(const pcl::PointCloud<pcl::PointXYZ> & cluster, const pcl::PointXYZ & q) const
  {
    return std::any_of(cluster.begin(), cluster.end(), [&](const pcl::PointXYZ & p) {
      const double dx = static_cast<double>(p.x) - static_cast<double>(q.x);
      const double dy = static_cast<double>(p.y) - static_cast<double>(q.y);
      return dx * dx + dy * dy <= reach_squared_;
    });
  }

  ReturnKind kindOf(const pcl::PointXYZ & q)
  {
    if (cluster_of_.empty()) {
      for (std::size_t k = 0; k < static_clusters_.size(); ++k) {
        if (hasPoints(static_clusters_[k])) {
          for (const pcl::PointXYZ & p : *static_clusters_[k]) {
            cluster_of_.emplace(std::make_pair(p.x, p.y), k);
          }
        }
      }
    }
    const auto found = cluster_of_.find({q.x, q.y});
    if (found == cluster_of_.end()) {
      return ReturnKind::Loose;
    }
    int & leg_like = leg_like_[found->second];
    if (leg_like < 0) {
      leg_like = makeLegCandidate(static_clusters_[found->second], merge_).leg_like ? 1 : 0;
    }
    return leg_like == 1 ? ReturnKind::LegLike : ReturnKind::Surface;
  }

  const ClusterList & static_clusters_;
  const ClusterMergeConfig & merge_;
  pcl::PointCloud<pcl::PointXYZ>::Ptr returns_;
  double reach_squared_;
  std::map<std::pair<float, float>, std::size_t> cluster_of_;
  std::vector<int> leg_like_;  // per static cluster: -1 not yet known, 0 or 1
  std::vector<bool> taken_;    // per return: loose and already given to a moving cluster
};

bool liesNearAnyone(
  const pcl::PointCloud<pcl::PointXYZ> & cluster, const std::vector<ExpectedPerson> & people,
  double reach)
{
  if (!(reach > 0.0) || people.empty()) {
    return false;
  }
  const PlanarCentroid centroid = computePlanarCentroid(cluster);
  return std::any_of(people.begin(), people.end(), [&](const ExpectedPerson & person) {
    return std::hypot(
             static_cast<double>(person.place.x()) - static_cast<double>(centroid.x),
             static_cast<double>(person.place.y()) - static_cast<double>(centroid.y)) <= reach;
  });
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

ClusterList dropFragmentsOfStaticSurfaces(
  const ClusterList & moving_clusters, const ClusterList & static_clusters,
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & static_scan,
  const ClusteringContext & context, const ClusterMergeConfig & merge,
  const std::vector<ExpectedPerson> & expected_people)
{
  ClusterList kept;
  kept.reserve(moving_clusters.size());
  std::optional<StaticSurfaces> surfaces;  // built for the first fragment only
  for (const ClusterCloud & cluster : moving_clusters) {
    if (!cluster) {
      continue;
    }
    if (meetsSizeLimits(*cluster, context.config)) {
      kept.push_back(cluster);
      continue;
    }
    if (!surfaces) {
      surfaces.emplace(static_clusters, static_scan, context, merge);
    }
    const StaticContact contact = surfaces->contact(*cluster);
    if (contact.surface) {
      continue;
    }
    if (!contact.loose) {
      kept.push_back(cluster);
    } else if (liesNearAnyone(*cluster, expected_people, context.config.tracked_leg_reach)) {
      kept.push_back(surfaces->takeLooseReturns(cluster, contact));
    }
  }
  return kept;
}

ClusterList assembleMovingClusters(
  const ClusterList & moving_clusters, const ClusterList & static_clusters,
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & static_scan,
  const ClusteringContext & context, const ClusterMergeConfig & merge,
  const std::vector<ExpectedPerson> & expected_people)
{
  const bool small_legs_kept = context.config.leg_min_cluster_size > 0;
  const ClusterList legs = small_legs_kept ? dropFragmentsOfStaticSurfaces(
                                               moving_clusters, static_clusters, static_scan,
                                               context, merge, expected_people)
                                           : moving_clusters;
  const ClusterList assembled = absorbNearbyStaticLegLikeClusters(
    mergeNearbyLegLikeClusters(legs, merge), static_clusters, merge);
  return small_legs_kept ? dropClustersTooSmall(assembled, context.config) : assembled;
}

}  // namespace quillon_dynamic_detector
