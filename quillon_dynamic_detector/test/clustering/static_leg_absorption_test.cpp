#include <gtest/gtest.h>

#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/leg_cluster_merging.hpp"
#include "quillon_dynamic_detector/static_leg_absorption.hpp"
#include "ros2_compat/testing/log_capture.hpp"

using namespace cluster_builders;
using quillon_dynamic_detector::absorbNearbyStaticLegLikeClusters;
using quillon_dynamic_detector::ClusterMergeConfig;
using quillon_dynamic_detector::mergeNearbyLegLikeClusters;
using ros2_compat::testing::ConsoleOutput;
using ros2_compat::testing::LogCapture;

namespace
{

const char * const ABSORB_LINE = "[FRONTEND_MERGE] dynamic_static";

TEST(AbsorbNearbyStaticLegLikeClusters, EachStaticLegGoesToTheFirstMovingLegThatWantsIt)
{
  LogCapture log(ConsoleOutput::Suppress);
  const ClusterCloud none;
  const ClusterCloud empty = makeCluster({});
  const ClusterCloud first = makeLeg(2.0F, 0.0F);
  const ClusterCloud second = makeLeg(2.0F, 0.3F);
  const ClusterCloud planted = makeLeg(2.0F, 0.15F);

  const ClusterList result =
    absorbNearbyStaticLegLikeClusters({none, first, empty, second}, {planted}, {});

  ASSERT_EQ(4u, result.size());
  EXPECT_EQ(none, result[0]);
  EXPECT_EQ(pointsOf({first, planted}), pointsOf({result[1]}));
  EXPECT_EQ(18u, result[1]->width);
  EXPECT_EQ(empty, result[2]);
  EXPECT_EQ(second, result[3]);  // the planted leg is taken already
  EXPECT_EQ(9u, planted->size());
  EXPECT_EQ(
    1u,
    log.count("[FRONTEND_MERGE] dynamic_static dynamic_points=9 static_points=9 merged_points=18 "
              "dist=0.15"));
  EXPECT_EQ(
    1u,
    log.count("[FRONTEND_MERGE] dynamic_static absorbed=1 dynamic_clusters=4 static_clusters=1"));
}

TEST(AbsorbNearbyStaticLegLikeClusters, NearestQualifyingStaticLegWinsAndEarlierBreaksTies)
{
  LogCapture log(ConsoleOutput::Suppress);
  const ClusterCloud moving = makePointPair(2.0F, 0.0F);
  const ClusterCloud farther = makePointPair(2.0F, 0.25F);
  const ClusterCloud below = makePointPair(2.0F, -0.125F);
  const ClusterCloud above = makePointPair(2.0F, 0.125F);  // exactly as near as `below`
  const ClusterCloud body = makeBody(2.0F, 0.05F);         // nearest, but no leg

  const ClusterList result =
    absorbNearbyStaticLegLikeClusters({moving}, {farther, body, below, above}, {});

  ASSERT_EQ(1u, result.size());
  EXPECT_EQ(pointsOf({moving, below}), pointsOf(result));
  EXPECT_EQ(1u, log.count("dist=0.12"));
  EXPECT_EQ(1u, log.count("absorbed=1 dynamic_clusters=1 static_clusters=4"));
}

TEST(AbsorbNearbyStaticLegLikeClusters, StaticLegAtExactlyTheNarrowedLimitIsNeverTaken)
{
  LogCapture log(ConsoleOutput::Suppress);
  const ClusterMergeConfig config;
  const ClusterCloud moving = makePointPair(2.0F, 0.0F);
  // Centroids 0.32f apart: within 0.32 for the pair test, but not nearer than the starting best
  // distance 0.32f.
  const ClusterCloud at_limit = makePointPair(2.0F, 0.32F);
  EXPECT_EQ(1u, mergeNearbyLegLikeClusters({moving, at_limit}, config).size());

  const ClusterList result = absorbNearbyStaticLegLikeClusters({moving}, {at_limit}, config);
  EXPECT_EQ((ClusterList{moving}), result);
  EXPECT_EQ(0u, log.count(ABSORB_LINE));
}

TEST(AbsorbNearbyStaticLegLikeClusters, MovingListComesBackWhenNothingCanBeAbsorbed)
{
  LogCapture log(ConsoleOutput::Suppress);
  const ClusterCloud leg = makeLeg(2.0F, 0.0F);
  const ClusterCloud body = makeBody(2.0F, 0.1F);
  const ClusterCloud planted = makeLeg(2.0F, 0.15F);
  const ClusterList moving{leg, ClusterCloud()};

  EXPECT_EQ(moving, absorbNearbyStaticLegLikeClusters(moving, {}, {}));
  EXPECT_EQ(
    moving, absorbNearbyStaticLegLikeClusters(moving, {ClusterCloud(), makeCluster({})}, {}));
  ClusterMergeConfig disabled;
  disabled.enable = false;
  EXPECT_EQ(moving, absorbNearbyStaticLegLikeClusters(moving, {planted}, disabled));

  // A moving cluster too big for a leg absorbs nothing.
  EXPECT_EQ((ClusterList{body}), absorbNearbyStaticLegLikeClusters({body}, {planted}, {}));
  EXPECT_EQ(0u, log.count(ABSORB_LINE));
}

}  // namespace
