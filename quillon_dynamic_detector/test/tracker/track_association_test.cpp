#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "quillon_dynamic_detector/track_association.hpp"

namespace
{

using quillon_dynamic_detector::associateNearest;
using quillon_dynamic_detector::PlanarPoints;
using quillon_dynamic_detector::RivalRules;
using quillon_dynamic_detector::TrackDetectionPair;
using Pairs = std::vector<TrackDetectionPair>;

TEST(TrackAssociation, GreedyInTrackOrderWithStrictGateAndLowerIndexOnTies)
{
  // Track 0 takes detection 1 although track 1 lies nearer to it; track 1 then takes the
  // remaining detection 0; track 2 finds nothing inside the gate.
  const PlanarPoints tracks = {{0.0f, 0.0f}, {0.5f, 0.0f}, {5.0f, 5.0f}};
  const PlanarPoints detections = {{-0.6f, 0.0f}, {0.4f, 0.0f}};
  EXPECT_EQ((Pairs{{0, 1}, {1, 0}}), associateNearest(tracks, detections, 1.2f));

  // Equal distances: the lower detection index wins.
  EXPECT_EQ((Pairs{{0, 0}}), associateNearest({{0.0f, 0.0f}}, {{0.0f, 0.5f}, {0.5f, 0.0f}}, 1.0f));

  // A detection exactly at the gate distance is not associated.
  EXPECT_EQ(Pairs{}, associateNearest({{0.0f, 0.0f}}, {{0.5f, 0.0f}}, 0.5f));
  EXPECT_EQ((Pairs{{0, 0}}), associateNearest({{0.0f, 0.0f}}, {{0.5f, 0.0f}}, 0.50001f));

  // Nothing to pair, and positions that are not numbers never pair.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(Pairs{}, associateNearest({}, {{0.0f, 0.0f}}, 1.0f));
  EXPECT_EQ(Pairs{}, associateNearest({{0.0f, 0.0f}}, {}, 1.0f));
  EXPECT_EQ(Pairs{}, associateNearest({{nan, 0.0f}}, {{0.0f, 0.0f}, {nan, nan}}, 1.0f));
}

// A walker (a track with a heading) measures a detection that a rival lies nearer to with its
// offset across the heading counted `across_factor` times; any other detection plainly. Here a
// walker heading along x at the origin, a rival at (0, 0.6) and a 1 m gate.
TEST(TrackAssociation, AWalkerWeighsAcrossItsHeadingTheDetectionsARivalLiesNearerTo)
{
  const PlanarPoints tracks = {{0.0f, 0.0f}, {0.0f, 0.6f}};
  const std::vector<float> gates = {1.0f, 0.0f};  // the rival takes nothing itself
  const auto weighting = [](Eigen::Vector2f heading, bool rival) {
    return RivalRules{{heading, {0.0f, 0.0f}}, {false, rival}, 2.0f, {}};
  };
  const Eigen::Vector2f along_x(1.0f, 0.0f);
  // The detection at (0, 0.35) lies nearer to the rival: 0.7 m for the walker, beyond the
  // one 0.4 m ahead.
  const PlanarPoints ahead_and_beside = {{0.4f, 0.0f}, {0.0f, 0.35f}};
  EXPECT_EQ(
    (Pairs{{0, 0}}), associateNearest(tracks, ahead_and_beside, gates, weighting(along_x, true)));
  EXPECT_EQ(
    (Pairs{{0, 1}}), associateNearest(tracks, ahead_and_beside, gates, weighting(along_x, false)))
    << "no rival";
  EXPECT_EQ(
    (Pairs{{0, 1}}),
    associateNearest(tracks, ahead_and_beside, gates, weighting({0.0f, 0.0f}, true)))
    << "no heading";
  EXPECT_EQ(
    (Pairs{{0, 1}}),
    associateNearest(tracks, ahead_and_beside, gates, weighting({0.0f, 1.0f}, true)))
    << "heading along y: the detection lies on the walker's line";
  // Against the gate: 0.49 m across counts 0.98 m, 0.51 m counts 1.02 m.
  EXPECT_EQ(
    (Pairs{{0, 0}}), associateNearest(tracks, {{0.0f, 0.49f}}, gates, weighting(along_x, true)));
  EXPECT_EQ(Pairs{}, associateNearest(tracks, {{0.0f, 0.51f}}, gates, weighting(along_x, true)));
  EXPECT_EQ((Pairs{{0, 0}}), associateNearest(tracks, {{0.0f, 0.51f}}, gates, RivalRules{}))
    << "no weighting";
}

// A track with a yield distance does not take a detection at that distance or farther that a
// rival lies nearer to; a nearer detection, or one no rival lies nearer to, it takes as any
// other. Here the yielding track stands first at the origin with a 1 m gate, the rival at
// (1.2, 0) takes nothing itself.
TEST(TrackAssociation, ATrackWithAYieldDistanceLeavesFartherDetectionsThatARivalLiesNearerTo)
{
  const PlanarPoints tracks = {{0.0f, 0.0f}, {1.2f, 0.0f}};
  const std::vector<float> gates = {1.0f, 0.0f};
  const auto rules = [](bool rival) { return RivalRules{{}, {false, rival}, 1.0f, {0.5f, 0.0f}}; };
  EXPECT_EQ(Pairs{}, associateNearest(tracks, {{0.7f, 0.0f}}, gates, rules(true)));
  EXPECT_EQ((Pairs{{0, 0}}), associateNearest(tracks, {{0.5f, 0.61f}}, gates, rules(true)))
    << "0.79 m away, and 0.93 m from the rival";
  EXPECT_EQ((Pairs{{0, 0}}), associateNearest(tracks, {{0.7f, 0.0f}}, gates, rules(false)))
    << "no rival";
  EXPECT_EQ((Pairs{{0, 0}}), associateNearest(tracks, {{0.45f, 0.0f}}, gates, rules(true)))
    << "within the yield distance";
  EXPECT_EQ(
    (Pairs{{0, 1}}), associateNearest(tracks, {{0.7f, 0.0f}, {-0.6f, 0.0f}}, gates, rules(true)))
    << "takes the farther detection that no rival lies nearer to";
}

}  // namespace
