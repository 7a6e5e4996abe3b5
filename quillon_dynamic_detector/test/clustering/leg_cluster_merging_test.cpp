#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/leg_cluster_merging.hpp"
#include "ros2_compat/testing/log_capture.hpp"

using namespace cluster_builders;
using quillon_dynamic_detector::assembleMovingClusters;
using quillon_dynamic_detector::ClusteringConfig;
using quillon_dynamic_detector::ClusteringContext;
using quillon_dynamic_detector::ClusterMergeConfig;
using quillon_dynamic_detector::ExpectedPerson;
using quillon_dynamic_detector::extractClusters;
using quillon_dynamic_detector::makeClusterer;
using quillon_dynamic_detector::makeLegCandidate;
using quillon_dynamic_detector::measureLegPairGap;
using quillon_dynamic_detector::mergeNearbyLegLikeClusters;
using ros2_compat::testing::ConsoleOutput;
using ros2_compat::testing::LogCapture;
using sensor_msgs::msg::LaserScan;

namespace
{

const char * const MERGE_LINE = "[FRONTEND_MERGE] dynamic_dynamic";

TEST(MergeNearbyLegLikeClusters, JoinsLegsUpToTheCentroidDistanceInclusive)
{
  LogCapture log(ConsoleOutput::Suppress);
  const ClusterMergeConfig config;  // 0.32 m apart at most

  // Centroids exactly 0.32f apart: 0.32f is just below 0.32, so the pair merges.
  const ClusterCloud left = makePointPair(2.0F, -0.16F);
  const ClusterCloud right = makePointPair(2.0F, 0.16F);
  const ClusterList merged = mergeNearbyLegLikeClusters({left, right}, config);
  ASSERT_EQ(1u, merged.size());
  EXPECT_EQ(pointsOf({left, right}), pointsOf(merged));
  EXPECT_EQ(4u, merged[0]->width);
  EXPECT_EQ(1u, merged[0]->height);
  EXPECT_EQ(1u, log.count("[FRONTEND_MERGE] dynamic_dynamic original=2 merged=1 reduced=1"));

  log.clear();
  const ClusterList apart =
    mergeNearbyLegLikeClusters({makePointPair(2.0F, -0.165F), makePointPair(2.0F, 0.165F)}, config);
  EXPECT_EQ(2u, apart.size());
  EXPECT_EQ(0u, log.count(MERGE_LINE));
}

TEST(MergeNearbyLegLikeClusters, ChainsMergeTransitivelyInListOrder)
{
  LogCapture log(ConsoleOutput::Suppress);
  // K1-K2 and K2-K3 are close, K1-K3 are not; the body beside K2 is no leg and stays alone.
  const ClusterCloud k1 = makeLeg(2.0F, 0.0F);
  const ClusterCloud body = makeBody(2.0F, 0.4F);
  const ClusterCloud k2 = makeLeg(2.0F, 0.25F);
  const ClusterCloud k3 = makeLeg(2.0F, 0.5F);
  const ClusterCloud far_leg = makeLeg(-1.0F, 2.0F);

  const ClusterList merged = mergeNearbyLegLikeClusters({k1, body, k2, far_leg, k3}, {});

  ASSERT_EQ(3u, merged.size());
  // Groups in the order of their first member, members in list order.
  EXPECT_EQ(pointsOf({k1, k2, k3}), pointsOf({merged[0]}));
  EXPECT_EQ(pointsOf({body}), pointsOf({merged[1]}));
  EXPECT_EQ(pointsOf({far_leg}), pointsOf({merged[2]}));
  // Even a cluster that merged with nothing comes back as a new cloud.
  EXPECT_NE(body, merged[1]);
  EXPECT_EQ(1u, log.count("original=5 merged=3 reduced=2"));
}

// Two people walk side by side 0.6 m apart, legs 0.2 m apart: with the limits the profiles use,
// the inner legs of the two (0.4 m apart) are within reach of each other, and the chain makes one
// object of all four. With whole_group_within_limits a leg joins a group only within reach of
// every member, the nearest pairs first: each person's legs pair up and the two stay apart,
// while the pieces of one leg split by a lost beam still join their person.
TEST(MergeNearbyLegLikeClusters, WithinLimitsOfTheWholeGroupTwoPeopleSideBySideStayTwo)
{
  LogCapture log(ConsoleOutput::Suppress);
  ClusterMergeConfig config;
  config.max_centroid_distance = 0.5;
  config.max_radial_distance_diff = 0.4;
  config.max_angle_diff = 1.2;
  const ClusterCloud a1 = makeLeg(2.0F, -0.4F);
  const ClusterCloud a2 = makeLeg(2.0F, -0.2F);
  const ClusterCloud b1 = makeLeg(2.0F, 0.2F);
  const ClusterCloud b2 = makeLeg(2.0F, 0.4F);
  EXPECT_EQ(1u, mergeNearbyLegLikeClusters({a1, b1, a2, b2}, config).size());

  config.whole_group_within_limits = true;
  const ClusterList pairs = mergeNearbyLegLikeClusters({a1, b1, a2, b2}, config);
  ASSERT_EQ(2u, pairs.size());
  EXPECT_EQ(pointsOf({a1, a2}), pointsOf({pairs[0]}));
  EXPECT_EQ(pointsOf({b1, b2}), pointsOf({pairs[1]}));

  const ClusterCloud b2_upper = makePointPair(2.0F, 0.45F);
  const ClusterList pieces = mergeNearbyLegLikeClusters({a1, b1, a2, b2, b2_upper}, config);
  ASSERT_EQ(2u, pieces.size());
  EXPECT_EQ(pointsOf({b1, b2, b2_upper}), pointsOf({pieces[1]}));
}

TEST(MergeNearbyLegLikeClusters, BearingsCompareAcrossPlusMinusPi)
{
  LogCapture log(ConsoleOutput::Suppress);
  const ClusterCloud above = makeLeg(-2.0F, 0.1F);   // bearing about +3.09
  const ClusterCloud below = makeLeg(-2.0F, -0.1F);  // bearing about -3.09
  const auto a = makeLegCandidate(above, {});
  const auto b = makeLegCandidate(below, {});
  EXPECT_NEAR(0.0998, measureLegPairGap(a, b).bearing_difference, 1e-3);

  EXPECT_EQ(1u, mergeNearbyLegLikeClusters({above, below}, {}).size());
}

TEST(MergeNearbyLegLikeClusters, ListComesBackUnchangedWhenThereIsNothingToMerge)
{
  LogCapture log(ConsoleOutput::Suppress);
  const ClusterCloud leg = makeLeg(2.0F, 0.0F);
  const ClusterCloud other_leg = makeLeg(2.0F, 0.2F);
  const ClusterCloud empty = makeCluster({});
  const ClusterCloud none;

  ClusterMergeConfig disabled;
  disabled.enable = false;
  const ClusterList all{leg, none, other_leg, empty};
  EXPECT_EQ(all, mergeNearbyLegLikeClusters(all, disabled));

  // One usable cluster: the same pointers, null and empty ones included.
  const ClusterList one_usable{empty, leg, none};
  EXPECT_EQ(one_usable, mergeNearbyLegLikeClusters(one_usable, {}));

  // Two usable ones: null and empty entries are not carried into the new list.
  const ClusterList merged = mergeNearbyLegLikeClusters(all, {});
  ASSERT_EQ(1u, merged.size());
  EXPECT_EQ(pointsOf({leg, other_leg}), pointsOf(merged));
  EXPECT_EQ(1u, log.count("original=2 merged=1 reduced=1"));
}

// A static scan (1081 beams over 270 degrees) with returns only at these points' bearings and
// ranges.
LaserScan::SharedPtr staticReturnsAt(const std::vector<std::pair<float, float>> & points)
{
  const LaserScan::SharedPtr scan = makeScan(std::vector<float>(1081, 0.0F));
  for (const auto & [x, y] : points) {
    const auto beam = static_cast<std::size_t>(
      std::lround((std::atan2(y, x) - scan->angle_min) / scan->angle_increment));
    scan->ranges.at(beam) = std::hypot(x, y);
  }
  return scan;
}

// Far off a leg gives two returns: with leg_min_cluster_size such legs take part in the merge and
// in taking over a planted static foot, and the size limits then count what those made. Two small
// legs make a person, and so does a small swinging leg beside (even touching) a planted foot; a
// lone small fragment goes, and so do small pieces at the end of a static wall, which would
// otherwise make a person of each other.
TEST(AssembleMovingClusters, SmallFarLegsJoinEachOtherOrAPlantedFootButNotTheEndOfAWall)
{
  LogCapture log(ConsoleOutput::Suppress);
  ClusteringConfig clustering;
  clustering.min_cluster_size = 3;
  clustering.leg_min_cluster_size = 2;
  const auto clusterer = makeClusterer(clustering);
  const ClusteringContext context{clustering, *clusterer, 0.05F};
  const ClusterMergeConfig merge;
  const ClusterList moving = {
    makePointPair(3.0F, 0.0F),  makePointPair(3.0F, 0.25F),  // a person's two legs
    makePointPair(3.0F, 2.0F),                               // a lone fragment
    makePointPair(3.5F, -1.1F),                              // a swinging leg ...
    makePointPair(4.0F, 1.0F),  makePointPair(4.0F, 1.25F),  // the moving end of a wall
    makeLeg(1.0F, -1.0F)};
  const std::vector<std::pair<float, float>> planted_foot = {
    {3.5F, -1.28F}, {3.5F, -1.265F}, {3.5F, -1.25F}, {3.5F, -1.235F}, {3.5F, -1.22F}};
  std::vector<std::pair<float, float>> static_returns = planted_foot;
  static_returns.emplace_back(4.0F, 1.4F);  // the wall
  const LaserScan::SharedPtr static_scan = staticReturnsAt(static_returns);
  ClusterList static_clusters;
  extractClusters(context, static_scan, static_clusters);
  ASSERT_EQ(1u, static_clusters.size());  // the foot; one return of the wall is no cluster

  const ClusterList kept =
    assembleMovingClusters(moving, static_clusters, static_scan, context, merge);
  ASSERT_EQ(3u, kept.size());
  EXPECT_EQ(pointsOf({moving[0], moving[1]}), pointsOf({kept[0]}));
  EXPECT_EQ(pointsOf({moving[3], static_clusters[0]}), pointsOf({kept[1]}));
  EXPECT_EQ(pointsOf({moving[6]}), pointsOf({kept[2]}));

  // Where nothing static touches them, the wall's pieces would have made a person.
  const LaserScan::SharedPtr no_wall = staticReturnsAt(planted_foot);
  EXPECT_EQ(4u, assembleMovingClusters(moving, static_clusters, no_wall, context, merge).size());

  clustering.far_min_cluster_size = 2;
  clustering.far_range = 2.5;
  EXPECT_EQ(5u, assembleMovingClusters(moving, static_clusters, no_wall, context, merge).size());

  // Off, the extraction has already dropped what is too small: merge and absorption alone.
  clustering.far_min_cluster_size = 0;
  clustering.leg_min_cluster_size = 0;
  EXPECT_EQ(
    5u, assembleMovingClusters(moving, static_clusters, static_scan, context, merge).size());
}

// Where the tracker expects someone, a small far leg beside a planted foot that gave a single
// static return (too few for a static cluster to take over) takes that return and makes a
// person of three; elsewhere such a return is the end of a surface, as is any return of a wall,
// and two pieces beside one return do not both take it.
TEST(AssembleMovingClusters, ASmallFarLegTakesItsFootsLoneReturnOnlyWhereTheTrackerExpectsSomeone)
{
  LogCapture log(ConsoleOutput::Suppress);
  ClusteringConfig clustering;
  clustering.min_cluster_size = 3;
  clustering.leg_min_cluster_size = 2;
  clustering.tracked_leg_reach = 0.5;
  const auto clusterer = makeClusterer(clustering);
  const ClusteringContext context{clustering, *clusterer, 0.05F};
  const ClusterMergeConfig merge;
  const ClusterCloud swing = makePointPair(3.5F, -1.1F);
  const ClusterCloud wall_end = makePointPair(4.0F, 1.0F);
  std::vector<std::pair<float, float>> static_returns = {
    {3.5F, -1.2F},    // the foot
    {3.85F, 0.95F}};  // a lone return beside the wall's end
  for (float y = 1.12F; y < 2.0F; y += 0.02F) {
    static_returns.emplace_back(4.0F, y);
  }
  const LaserScan::SharedPtr static_scan = staticReturnsAt(static_returns);
  ClusterList static_clusters;
  extractClusters(context, static_scan, static_clusters);
  ASSERT_EQ(1u, static_clusters.size());  // the wall; a lone return is no cluster
  const std::vector<ExpectedPerson> at_swing = {{{3.4F, -1.0F}, {0.0F, 0.0F}}};
  const std::vector<ExpectedPerson> at_both = {
    {{3.4F, -1.0F}, {0.0F, 0.0F}}, {{4.0F, 0.9F}, {0.0F, 0.0F}}};
  const ClusterList moving = {swing, wall_end};

  const ClusterList kept =
    assembleMovingClusters(moving, static_clusters, static_scan, context, merge, at_both);
  ASSERT_EQ(1u, kept.size());
  const std::vector<std::pair<float, float>> points = pointsOf(kept);
  ASSERT_EQ(3u, points.size());
  EXPECT_EQ(pointsOf({swing}), decltype(points)(points.begin(), points.begin() + 2));
  EXPECT_NEAR(-1.2F, points[2].second, 0.01F);  // the foot's return, as the scan gives it

  // Nobody expected there, or the option off: the lone return ends a surface as before.
  EXPECT_TRUE(
    assembleMovingClusters(moving, static_clusters, static_scan, context, merge, {}).empty());
  const std::vector<ExpectedPerson> elsewhere = {{{2.5F, -1.0F}, {0.0F, 0.0F}}};
  EXPECT_TRUE(
    assembleMovingClusters(moving, static_clusters, static_scan, context, merge, elsewhere)
      .empty());
  clustering.tracked_leg_reach = 0.0;
  EXPECT_TRUE(
    assembleMovingClusters(moving, static_clusters, static_scan, context, merge, at_swing).empty());
  clustering.tracked_leg_reach = 0.5;

  // Both legs of a stride beside the one return: it joins them once.
  const ClusterCloud other_leg = makePointPair(3.5F, -1.3F);
  const ClusterList stride = assembleMovingClusters(
    {swing, other_leg}, static_clusters, static_scan, context, merge, at_swing);
  ASSERT_EQ(1u, stride.size());
  EXPECT_EQ(5u, stride[0]->size());
}

}  // namespace
