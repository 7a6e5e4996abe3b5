#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/planar_geometry.hpp"
#include "quillon_dynamic_detector/self_filter.hpp"
#include "scan_builders.hpp"

using namespace quillon_dynamic_detector;
using quillon_dynamic_detector::builders::makeScan;

namespace
{

// The 768-beam, 270 degree scanner of the real recordings.
constexpr std::size_t RECORDED_BEAMS = 768;
constexpr float RECORDED_ANGLE_MIN = -2.35619449F;
constexpr float RECORDED_ANGLE_INCREMENT = 0.00613592332F;

// A scanner mounted at (x, y) in "base_footprint", turned by `yaw`.
Eigen::Matrix4f mountedAt(double x, double y, double yaw)
{
  Eigen::Matrix4f mount = Eigen::Matrix4f::Identity();
  mount(0, 0) = static_cast<float>(std::cos(yaw));
  mount(0, 1) = static_cast<float>(-std::sin(yaw));
  mount(1, 0) = static_cast<float>(std::sin(yaw));
  mount(1, 1) = static_cast<float>(std::cos(yaw));
  mount(0, 3) = static_cast<float>(x);
  mount(1, 3) = static_cast<float>(y);
  return mount;
}

// Whether a lone return at `range` on the beam at `angle` is taken for the robot's own.
bool removes(const SelfFilter & filter, float angle, float range)
{
  const auto scan = makeScan(1, angle, 0.01F, range, 1.0);
  return std::isnan(removeRobotReturns(scan, filter)->ranges[0]);
}

std::vector<std::size_t> removedBeams(
  const sensor_msgs::msg::LaserScan & before, const sensor_msgs::msg::LaserScan & after)
{
  std::vector<std::size_t> beams;
  for (std::size_t i = 0; i < after.ranges.size(); ++i) {
    if (std::isnan(after.ranges[i]) && !std::isnan(before.ranges[i])) {
      beams.push_back(i);
    }
  }
  return beams;
}

std::vector<std::size_t> beamRange(std::size_t first, std::size_t last)
{
  std::vector<std::size_t> beams;
  for (std::size_t i = first; i <= last; ++i) {
    beams.push_back(i);
  }
  return beams;
}

}  // namespace

// The outline is given in "base_footprint": a scanner mounted off-centre and turned a quarter
// (its +x is the robot's +y) sees the robot's 0.8 m x 0.5 m body from (0.2, 0.1).
TEST(SelfFilter, RemovesReturnsInsideTheOutlineOrOnItsEdgeSeenThroughTheMount)
{
  SelfFilter filter;
  filter.footprint = {{-0.5, -0.25}, {0.3, -0.25}, {0.3, 0.25}, {-0.5, 0.25}};
  filter.sensor_to_base = mountedAt(0.2, 0.1, PI / 2);
  const float ahead = 0.0F;                                 // the robot's +y
  const float left = static_cast<float>(PI / 2);            // the robot's -x
  const float right = static_cast<float>(-PI / 2);          // the robot's +x
  const float back_right = static_cast<float>(3 * PI / 4);  // towards the robot's (-1, -1)

  EXPECT_TRUE(removes(filter, ahead, 0.1F));
  EXPECT_TRUE(removes(filter, ahead, 0.15F));  // on the edge y = 0.25
  EXPECT_FALSE(removes(filter, ahead, 0.2F));
  EXPECT_TRUE(removes(filter, left, 0.69F));
  EXPECT_TRUE(removes(filter, left, 0.7F));  // on the edge x = -0.5
  EXPECT_FALSE(removes(filter, left, 0.71F));
  EXPECT_TRUE(removes(filter, right, 0.1F));  // on the edge x = 0.3
  EXPECT_FALSE(removes(filter, right, 0.11F));
  // Diagonally the body ends where the beam crosses y = -0.25, 0.495 m from the scanner.
  EXPECT_TRUE(removes(filter, back_right, 0.49F));
  EXPECT_FALSE(removes(filter, back_right, 0.5F));
}

// A notch in the outline (an L-shaped body) is outside it, and readings without a return
// (NaN, infinity) are left as they are.
TEST(SelfFilter, KeepsTheNotchOfAConcaveOutlineAndReadingsWithoutAReturn)
{
  SelfFilter filter;
  filter.footprint = {{0.0, 0.0}, {1.0, 0.0}, {1.0, 0.4}, {0.4, 0.4}, {0.4, 1.0}, {0.0, 1.0}};
  EXPECT_TRUE(removes(filter, static_cast<float>(PI / 4), 0.5F));        // (0.35, 0.35)
  EXPECT_FALSE(removes(filter, static_cast<float>(PI / 4), 0.8F));       // (0.57, 0.57), the notch
  EXPECT_TRUE(removes(filter, static_cast<float>(PI / 4), 0.5656854F));  // (0.4, 0.4), its corner
  EXPECT_TRUE(removes(filter, 0.1F, 0.9F));

  auto scan = makeScan(3, 0.1F, 0.1F, 0.9F, 1.0);
  scan->ranges[1] = std::numeric_limits<float>::infinity();
  const auto filtered = removeRobotReturns(scan, filter);
  EXPECT_TRUE(std::isnan(filtered->ranges[0]));
  EXPECT_TRUE(std::isinf(filtered->ranges[1]));
}

// The real recording's body: beams 0-16 and 757-767 of its 768. Ranges that reach past either
// end of the scan remove its first and last beams; a range over the whole scan removes all.
TEST(SelfFilter, AngleRangesRemoveTheirBeamsUpToTheScansEnds)
{
  const auto scan =
    makeScan(RECORDED_BEAMS, RECORDED_ANGLE_MIN, RECORDED_ANGLE_INCREMENT, 3.0F, 1.0);
  scan->ranges[5] = 0.12F;
  SelfFilter filter;
  filter.angle_ranges = {{2.2856, 2.3531}, {-2.3562, -2.2550}};
  const auto filtered = removeRobotReturns(scan, filter);
  std::vector<std::size_t> expected = beamRange(0, 16);
  const std::vector<std::size_t> far_end = beamRange(757, 767);
  expected.insert(expected.end(), far_end.begin(), far_end.end());
  EXPECT_EQ(removedBeams(*scan, *filtered), expected);
  // The received scan stays as it came; the copy differs only in its ranges.
  EXPECT_EQ(scan->ranges[5], 0.12F);
  EXPECT_EQ(filtered->header, scan->header);
  EXPECT_EQ(filtered->angle_min, scan->angle_min);

  filter.angle_ranges = {{-4.0, 4.0}};
  EXPECT_EQ(removedBeams(*scan, *removeRobotReturns(scan, filter)).size(), RECORDED_BEAMS);

  // Both ends belong to a range: from beam 3's angle to beam 5's takes beams 3, 4 and 5.
  const auto beamAngle = [&scan](std::size_t i) {
    return static_cast<double>(scan->angle_min) +
           static_cast<double>(i) * static_cast<double>(scan->angle_increment);
  };
  filter.angle_ranges = {{beamAngle(3), beamAngle(5)}};
  EXPECT_EQ(removedBeams(*scan, *removeRobotReturns(scan, filter)), beamRange(3, 5));
}

// Without a self-filter, or when it finds nothing of the robot in a scan, the detectors get the
// received scan itself: no copy, nothing changed.
TEST(SelfFilter, PassesTheReceivedScanOnWhenThereIsNothingToRemove)
{
  const auto scan =
    makeScan(RECORDED_BEAMS, RECORDED_ANGLE_MIN, RECORDED_ANGLE_INCREMENT, 3.0F, 1.0);
  EXPECT_EQ(removeRobotReturns(scan, SelfFilter()), scan);

  SelfFilter filter;
  filter.footprint = {{-0.3, -0.3}, {0.3, -0.3}, {0.3, 0.3}, {-0.3, 0.3}};
  filter.angle_ranges = {{3.0, 3.1}};  // behind the scanner, where it has no beam
  EXPECT_EQ(removeRobotReturns(scan, filter), scan);
  const auto no_beams = makeScan(0, RECORDED_ANGLE_MIN, RECORDED_ANGLE_INCREMENT, 3.0F, 1.0);
  EXPECT_EQ(removeRobotReturns(no_beams, filter), no_beams);
}

// Outlines and ranges that describe no body are refused with the parameter's name; well-formed
// ones are read as pairs.
TEST(SelfFilterConfig, ReadsPairsAndRefusesWhatDescribesNoBody)
{
  const auto outline = footprintFromValues("self_filter.footprint", {0.0, 0.0, 1.0, 0.0, 0.0, 1.0});
  ASSERT_EQ(outline.size(), 3u);
  EXPECT_EQ(outline[1].x, 1.0);
  EXPECT_EQ(outline[2].y, 1.0);
  EXPECT_TRUE(footprintFromValues("self_filter.footprint", {}).empty());
  const auto ranges = angleRangesFromValues("r", {-2.0, -1.0, 0.5, 0.5});
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].to, -1.0);
  EXPECT_EQ(ranges[1].from, 0.5);

  const auto refusal = [](auto read, std::vector<double> values) {
    try {
      read("key", values);
    } catch (const std::invalid_argument & e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  const auto outlineOf = [](const char * name, const std::vector<double> & values) {
    return footprintFromValues(name, values);
  };
  const auto rangesOf = [](const char * name, const std::vector<double> & values) {
    return angleRangesFromValues(name, values);
  };
  const std::string not_an_area =
    "parameter 'key' must outline an area without crossing or "
    "touching itself";
  EXPECT_EQ(
    refusal(outlineOf, {0.0, 0.0, 1.0}),
    "parameter 'key' must hold x, y pairs, not an odd count of 3 values");
  EXPECT_EQ(
    refusal(outlineOf, {0.0, 0.0, 1.0, 0.0}),
    "parameter 'key' must have at least 3 vertices (6 values), not 2");
  EXPECT_EQ(
    refusal(outlineOf, {0.0, 0.0, 1.0, NAN, 0.0, 1.0}),
    "parameter 'key' must hold finite numbers only, not nan");
  EXPECT_EQ(refusal(outlineOf, {0.0, 0.0, 1.0, 1.0, 2.0, 2.0}), not_an_area);  // on one line
  EXPECT_EQ(refusal(outlineOf, {0.0, 0.0, 1.0, 1.0, 1.0, 0.0, 0.0, 1.0}), not_an_area);  // a bow
  EXPECT_EQ(refusal(outlineOf, {0.0, 0.0, 1.0, 0.0, 1.0, 0.0, 0.0, 1.0}), not_an_area);  // twice
  EXPECT_EQ(
    refusal(outlineOf, {0.0, 0.0, 2.0, 0.0, 2.0, 2.0, 1.0, 0.0, 0.0, 2.0}),  // back to an edge
    not_an_area);
  EXPECT_EQ(
    refusal(rangesOf, {0.5, 0.2}),
    "parameter 'key' must have from <= to in each pair, not [0.5, 0.2]");
  EXPECT_EQ(
    refusal(rangesOf, {0.1, 0.2, 0.3}),
    "parameter 'key' must hold [from, to] pairs, not an odd count of 3 values");
  EXPECT_EQ(
    refusal(rangesOf, {-INFINITY, 0.2}), "parameter 'key' must hold finite numbers only, not -inf");
}
