#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "quillon_dynamic_detector/track_association.hpp"

namespace
{

using quillon_dynamic_detector::associateNearest;
using quillon_dynamic_detector::PlanarPoints;
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

}  // namespace
