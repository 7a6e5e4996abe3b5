#include "quillon_dynamic_detector/static_leg_absorption.hpp"

#include <optional>
#include <vector>

#include "quillon_dynamic_detector/leg_cluster_merging.hpp"
#include "quillon_dynamic_detector/trailscan_logger.hpp"
#include "rclcpp/logging.hpp"

namespace quillon_dynamic_detector
{
namespace
{

struct StaticLeg
{
  LegCandidate candidate;
  bool used = false;
};

struct Choice
{
  std::size_t index;
  float distance;
};

std::vector<StaticLeg> makeStaticLegs(
  const ClusterList & static_clusters, const ClusterMergeConfig & config)
{
  std::vector<StaticLeg> legs;
  legs.reserve(static_clusters.size());
  for (const ClusterCloud & cluster : static_clusters) {
    if (hasPoints(cluster)) {
      legs.push_back(StaticLeg{makeLegCandidate(cluster, config), false});
    }
  }
  return legs;
}

// The nearest free leg-like static cluster that passes the pair test. The search starts at the
// distance limit and only a strictly nearer one replaces the best so far, so the earlier of two
// equally near clusters wins and one at exactly the limit is never taken.
std::optional<Choice> chooseStaticLeg(
  const LegCandidate & moving, const std::vector<StaticLeg> & static_legs,
  const ClusterMergeConfig & config)
{
  std::optional<Choice> best;
  float best_distance = static_cast<float>(config.max_centroid_distance);
  for (std::size_t k = 0; k < static_legs.size(); ++k) {
    const StaticLeg & leg = static_legs[k];
    if (leg.used || !leg.candidate.leg_like) {
      continue;
    }
    const LegPairGap gap = measureLegPairGap(moving, leg.candidate);
    if (isWithinMergeLimits(gap, config) && gap.centroid_distance < best_distance) {
      best_distance = gap.centroid_distance;
      best = Choice{k, gap.centroid_distance};
    }
  }
  return best;
}

}  // namespace

ClusterList absorbNearbyStaticLegLikeClusters(
  const ClusterList & moving_clusters, const ClusterList & static_clusters,
  const ClusterMergeConfig & config)
{
  if (!config.enable || moving_clusters.empty()) {
    return moving_clusters;
  }
  std::vector<StaticLeg> static_legs = makeStaticLegs(static_clusters, config);
  if (static_legs.empty()) {
    return moving_clusters;
  }

  ClusterList result;
  result.reserve(moving_clusters.size());
  std::size_t absorbed = 0;
  for (const ClusterCloud & cluster : moving_clusters) {
    if (!hasPoints(cluster)) {
      result.push_back(cluster);
      continue;
    }
    const LegCandidate moving = makeLegCandidate(cluster, config);
    const std::optional<Choice> choice =
      moving.leg_like ? chooseStaticLeg(moving, static_legs, config) : std::nullopt;
    if (!choice) {
      result.push_back(cluster);
      continue;
    }
    StaticLeg & taken = static_legs[choice->index];
    const ClusterCloud joined = joinClusters({cluster, taken.candidate.cloud});
    taken.used = true;
    ++absorbed;
    RCLCPP_INFO(
      trailscanLogger(),
      "[FRONTEND_MERGE] dynamic_static dynamic_points=%zu static_points=%zu merged_points=%zu "
      "dist=%.2f",
      cluster->size(), taken.candidate.cloud->size(), joined->size(),
      static_cast<double>(choice->distance));
    result.push_back(joined);
  }
  if (absorbed > 0) {
    RCLCPP_INFO(
      trailscanLogger(),
      "[FRONTEND_MERGE] dynamic_static absorbed=%zu dynamic_clusters=%zu static_clusters=%zu",
      absorbed, moving_clusters.size(), static_legs.size());
  }
  return result;
}

}  // namespace quillon_dynamic_detector
