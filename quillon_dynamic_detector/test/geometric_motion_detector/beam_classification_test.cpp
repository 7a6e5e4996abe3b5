#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "quillon_dynamic_detector/beam_classification.hpp"

using quillon_dynamic_detector::BeamRecord;
using quillon_dynamic_detector::countSupport;
using quillon_dynamic_detector::GeometricDetectorConfig;
using quillon_dynamic_detector::ramp;
using quillon_dynamic_detector::residualThreshold;
using quillon_dynamic_detector::testEdge;

namespace
{

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

BeamRecord beamAt(float range, bool is_edge = false, float max_jump = 0.0f)
{
  BeamRecord beam;
  beam.range = range;
  beam.is_edge = is_edge;
  beam.max_jump = max_jump;
  return beam;
}

BeamRecord candidateAt(float range)
{
  BeamRecord beam = beamAt(range);
  beam.is_candidate = true;
  return beam;
}

TEST(Ramp, RisesFromThresholdToFullOnTheMagnitude)
{
  EXPECT_EQ(ramp(0.005f, 0.01f, 0.08f), 0.0f);
  EXPECT_FLOAT_EQ(ramp(0.045f, 0.01f, 0.08f), 0.5f);
  EXPECT_FLOAT_EQ(ramp(-0.045f, 0.01f, 0.08f), 0.5f);
  EXPECT_EQ(ramp(0.2f, 0.01f, 0.08f), 1.0f);
  // Without room to rise it is a step just above the threshold.
  EXPECT_EQ(ramp(0.1f, 0.1f, 0.1f), 0.0f);
  EXPECT_EQ(ramp(-0.11f, 0.1f, 0.05f), 1.0f);
}

TEST(ResidualThreshold, GrowsWithRangeMotionAndEdges)
{
  const GeometricDetectorConfig c;
  // Range alone: 0.08 near (less the near-range discount up to 1.2 m), then up to 0.12 at
  // 3.5 m, then 0.18.
  EXPECT_DOUBLE_EQ(
    residualThreshold(beamAt(1.0f), 0.0f, 0.0f, c),
    static_cast<double>(0.08f) - static_cast<double>(0.03f));
  EXPECT_DOUBLE_EQ(
    residualThreshold(beamAt(-1.0f), 0.0f, 0.0f, c), 0.08f - static_cast<double>(0.03f));
  EXPECT_DOUBLE_EQ(residualThreshold(beamAt(1.3f), 0.0f, 0.0f, c), static_cast<double>(0.08f));
  EXPECT_NEAR(residualThreshold(beamAt(2.5f), 0.0f, 0.0f, c), 0.10, 1e-7);
  EXPECT_NEAR(residualThreshold(beamAt(3.5f), 0.0f, 0.0f, c), 0.12, 1e-7);
  EXPECT_NEAR(residualThreshold(beamAt(4.0f), 0.0f, 0.0f, c), 0.18, 1e-7);

  // Motion everywhere, yaw only from 2.5 m.
  EXPECT_NEAR(residualThreshold(beamAt(4.0f), 1.0f, 1.0f, c), 0.18 + 0.1 + 0.12, 1e-7);
  EXPECT_NEAR(residualThreshold(beamAt(1.3f), 1.0f, 1.0f, c), 0.08 + 0.1, 1e-7);

  // Edges by their relative jump (at most twice the jump limit) and by yaw.
  const double edge = 0.09 + 0.05 + 2 * 0.08 + 0.5 * 0.14;
  EXPECT_NEAR(residualThreshold(beamAt(2.0f, true, 0.36f), 0.5f, 0.5f, c), edge, 1e-6);
  EXPECT_NEAR(residualThreshold(beamAt(2.0f, true, 1.0f), 0.5f, 0.5f, c), edge, 1e-6);
  EXPECT_NEAR(residualThreshold(beamAt(2.0f, true, 0.09f), 0.0f, 0.0f, c), 0.09 + 0.5 * 0.08, 1e-6);

  // The near-range discount shrinks as motion rises and is gone above its ceiling.
  EXPECT_NEAR(residualThreshold(beamAt(1.0f), 0.125f, 0.0f, c), 0.08 + 0.0125 - 0.015, 1e-7);
  EXPECT_NEAR(residualThreshold(beamAt(1.0f), 0.3f, 0.0f, c), 0.08 + 0.03, 1e-7);

  GeometricDetectorConfig big_discount;
  big_discount.geometric_near_range_residual_discount = 1.0f;
  EXPECT_EQ(residualThreshold(beamAt(1.0f), 0.0f, 0.0f, big_discount), 0.02);
}

TEST(EdgeTest, ComparesWithFiniteNeighboursOnly)
{
  const GeometricDetectorConfig c;
  const std::vector<float> ranges = {NaN, 2.0f, 2.17f, 2.0f, INF, 1.0f, 3.0f, 1.5f, 1.5f};
  const auto edge_of = [&](std::size_t i) {
    BeamRecord beam;
    beam.is_edge = true;  // overwritten
    beam.max_jump = 9.0f;
    testEdge(ranges, i, c, beam);
    return beam;
  };
  EXPECT_FALSE(edge_of(0).is_edge);
  EXPECT_EQ(edge_of(0).max_jump, 0.0f);
  // 0.17 m stays under the limit of 0.04 * 2 + 0.1 m.
  EXPECT_FALSE(edge_of(1).is_edge);
  EXPECT_NEAR(edge_of(1).max_jump, 0.17f, 1e-6f);
  EXPECT_FALSE(edge_of(3).is_edge);
  EXPECT_FALSE(edge_of(4).is_edge);
  EXPECT_EQ(edge_of(4).max_jump, 0.0f);
  // Beam 5 has an infinite and a far neighbour.
  EXPECT_TRUE(edge_of(5).is_edge);
  EXPECT_EQ(edge_of(5).max_jump, 2.0f);
  EXPECT_TRUE(edge_of(7).is_edge);
  EXPECT_EQ(edge_of(7).max_jump, 1.5f);
  // The last beam has one neighbour.
  EXPECT_FALSE(edge_of(8).is_edge);
  EXPECT_EQ(edge_of(8).max_jump, 0.0f);
}

TEST(SupportCount, CountsAgreeingCandidatesInTheWindow)
{
  GeometricDetectorConfig c;
  const std::vector<BeamRecord> records = {candidateAt(1.0f), candidateAt(1.1f),
                                           beamAt(1.1f),      candidateAt(1.25f),
                                           candidateAt(1.5f), candidateAt(1.44f)};
  EXPECT_EQ(countSupport(records, 2, c), 0);
  EXPECT_EQ(countSupport(records, 0, c), 2);
  EXPECT_EQ(countSupport(records, 1, c), 3);
  EXPECT_EQ(countSupport(records, 3, c), 3);  // beam 4 is 0.25 m off
  EXPECT_EQ(countSupport(records, 5, c), 3);
  c.geometric_residual_support_window = 0;  // at least one beam on each side
  EXPECT_EQ(countSupport(records, 3, c), 1);
  EXPECT_EQ(countSupport(records, 5, c), 2);
}

}  // namespace
