#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "quillon_dynamic_detector/seen_through_memory.hpp"
#include "scan_builders.hpp"

using quillon_dynamic_detector::PlanarPoint;
using quillon_dynamic_detector::PlanarPose;
using quillon_dynamic_detector::SeenThroughMemory;
namespace b = quillon_dynamic_detector::builders;

namespace
{

// 361 beams 0.01 rad apart from -1.8 rad: beam 180 looks straight ahead, beam 0 at -1.8 rad.
constexpr std::size_t BEAMS = 361;
constexpr float ANGLE_MIN = -1.8f;
constexpr float ANGLE_INCREMENT = 0.01f;
constexpr float WALL = 3.0f;
constexpr float INF = std::numeric_limits<float>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
const Eigen::Matrix4f NO_MOUNTING = Eigen::Matrix4f::Identity();

// Margin 0.1 m + 0.02 m per m.
SeenThroughMemory memoryOf(float seconds, float uncovered_depth = 0.0f, float turn_margin = 0.0f)
{
  return SeenThroughMemory(
    SeenThroughMemory::Settings{seconds, 0.1f, 0.02f, turn_margin, uncovered_depth});
}

sensor_msgs::msg::LaserScan roomScan(float range = WALL)
{
  auto scan = b::makeScan(BEAMS, ANGLE_MIN, ANGLE_INCREMENT, range, 0.0);
  scan->range_max = 10.0f;
  return *scan;
}

PlanarPoint ahead(float range) { return PlanarPoint{range, 0.0f}; }

}  // namespace

TEST(SeenThroughMemory, ASpotIsSeenThroughWhereAnEarlierBeamReachedPastItByTheMargin)
{
  SeenThroughMemory memory = memoryOf(0.4f);
  EXPECT_FALSE(memory.wasSeenThrough(ahead(1.0f))) << "nothing remembered yet";
  memory.remember(roomScan(), NO_MOUNTING, PlanarPose{}, 10.0);
  EXPECT_TRUE(memory.wasSeenThrough(ahead(1.5f)));
  // At 2.8 m the margin is 0.156 m, and the wall lies 0.2 m behind; at 2.9 m it lies closer.
  EXPECT_TRUE(memory.wasSeenThrough(ahead(2.8f)));
  EXPECT_FALSE(memory.wasSeenThrough(ahead(2.9f)));
  EXPECT_FALSE(memory.wasSeenThrough(ahead(3.5f))) << "behind the wall";
  EXPECT_FALSE(memory.wasSeenThrough(PlanarPoint{-1.0f, 0.0f})) << "outside the field of view";

  // Beside an edge only one of the two beams around a spot passed the corner.
  sensor_msgs::msg::LaserScan edge = roomScan();
  b::setRanges(edge, 181, BEAMS - 1, 1.0f);
  SeenThroughMemory beside_edge = memoryOf(0.4f);
  beside_edge.remember(edge, NO_MOUNTING, PlanarPose{}, 10.0);
  const float between_180_and_181 = 0.005f;
  EXPECT_FALSE(beside_edge.wasSeenThrough(
    PlanarPoint{2.0f * std::cos(between_180_and_181), 2.0f * std::sin(between_180_and_181)}));
  EXPECT_TRUE(beside_edge.wasSeenThrough(PlanarPoint{2.0f, -0.02f})) << "two beams before the edge";
}

TEST(SeenThroughMemory, OnlyPlusInfinityReachesFarWhileNoEchoReadingsSayNothing)
{
  for (const float reading : {INF, NaN, 0.0f, 0.03f, -INF}) {
    SCOPED_TRACE(reading);
    sensor_msgs::msg::LaserScan scan = roomScan(1.0f);
    b::setRanges(scan, 175, 185, reading);
    SeenThroughMemory memory = memoryOf(0.4f);
    memory.remember(scan, NO_MOUNTING, PlanarPose{}, 10.0);
    // +inf reaches range_max (10 m), and no farther.
    EXPECT_EQ(memory.wasSeenThrough(ahead(2.0f)), reading == INF);
    EXPECT_FALSE(memory.wasSeenThrough(ahead(9.95f)));
  }
}

TEST(SeenThroughMemory, SpotsArePlacedThroughThePoseAndAMirroredMounting)
{
  // Upside down at 0.2 m ahead of a robot at (1, 2) heading +y: the scanner's beams run
  // clockwise seen from above, so the beam at -0.5 rad in its frame looks 0.5 rad to the left.
  Eigen::Matrix4f upside_down = Eigen::Matrix4f::Identity();
  upside_down(1, 1) = -1.0f;
  upside_down(2, 2) = -1.0f;
  upside_down(0, 3) = 0.2f;
  sensor_msgs::msg::LaserScan scan = roomScan(0.5f);
  b::setRanges(scan, 129, 131, WALL);  // around -0.5 rad
  SeenThroughMemory memory = memoryOf(0.4f);
  memory.remember(scan, upside_down, PlanarPose{1.0f, 2.0f, 1.5707963f}, 10.0);
  // In "odom" the scanner sits at (1, 2.2) and looks along +y; 0.5 rad to its left is -x.
  const float left_x = 1.0f - 2.0f * std::sin(0.5f);
  const float right_x = 1.0f + 2.0f * std::sin(0.5f);
  const float along_y = 2.2f + 2.0f * std::cos(0.5f);
  EXPECT_TRUE(memory.wasSeenThrough(PlanarPoint{left_x, along_y}));
  EXPECT_FALSE(memory.wasSeenThrough(PlanarPoint{right_x, along_y}));

  // A mounting that flattens the plane cannot be inverted: its scans are not kept.
  Eigen::Matrix4f edge_on = Eigen::Matrix4f::Identity();
  edge_on(1, 1) = 0.0f;
  SeenThroughMemory flat = memoryOf(0.4f);
  flat.remember(scan, edge_on, PlanarPose{}, 10.0);
  EXPECT_EQ(flat.size(), 0u);

  // Beams a hair apart put every spot beyond the last beam: asked, nothing was seen through.
  sensor_msgs::msg::LaserScan hair = roomScan();
  hair.angle_increment = 1e-30f;
  SeenThroughMemory tiny = memoryOf(0.4f);
  tiny.remember(hair, NO_MOUNTING, PlanarPose{}, 10.0);
  EXPECT_FALSE(tiny.wasSeenThrough(PlanarPoint{1.0f, 1.0f}));

  // Beams from 1e30 rad: the wrap into one turn loses every digit and leaves a negative angle,
  // before the first beam.
  sensor_msgs::msg::LaserScan absurd = roomScan();
  absurd.angle_min = 1e30f;
  SeenThroughMemory lost = memoryOf(0.4f);
  lost.remember(absurd, NO_MOUNTING, PlanarPose{}, 10.0);
  EXPECT_FALSE(lost.wasSeenThrough(PlanarPoint{1.0f, 1.0f}));
}

TEST(SeenThroughMemory, WithAnUncoveredDepthALegSteppingAwayFromAStillScannerWasSeenThrough)
{
  // The leg ended the beams ahead at 1.5 m; 0.1 s later they end 0.25 m farther.
  sensor_msgs::msg::LaserScan leg_near = roomScan();
  b::setRanges(leg_near, 170, 190, 1.5f);
  const auto asked_after_step =
    [&](float depth, float now, const PlanarPose & robot_now, const PlanarPoint & spot) {
      sensor_msgs::msg::LaserScan current = roomScan();
      b::setRanges(current, 170, 190, now);
      SeenThroughMemory memory = memoryOf(0.4f, depth);
      memory.remember(leg_near, NO_MOUNTING, PlanarPose{}, 10.0);
      memory.startScan(current, NO_MOUNTING, robot_now, 10.1);
      return memory.wasSeenThrough(spot);
    };
  const PlanarPose still{};
  EXPECT_TRUE(asked_after_step(0.35f, 1.75f, still, ahead(1.75f)));
  EXPECT_FALSE(asked_after_step(0.0f, 1.75f, still, ahead(1.75f))) << "no uncovered depth";
  // A wall 0.6 m behind a box taken away was uncovered, not stepped into.
  EXPECT_FALSE(asked_after_step(0.35f, 2.1f, still, ahead(2.1f)));
  // Where the leg stood is not free now.
  EXPECT_FALSE(asked_after_step(0.35f, 1.5f, still, ahead(1.75f)));
  // From a scanner that has moved, a spot behind an edge may simply have come into view.
  EXPECT_FALSE(asked_after_step(0.35f, 1.65f, PlanarPose{0.1f, 0.0f, 0.0f}, ahead(1.75f)));
}

TEST(SeenThroughMemory, AfterATurnTheBeamsTheTurnMayHaveMisplacedMustHaveReachedPastToo)
{
  // An edge at beam 181 (just left of straight ahead); the spot 2 m away 0.03 rad to the right
  // of it, between beams 177 and 178, both of which reached the wall 3 m away.
  sensor_msgs::msg::LaserScan edge = roomScan();
  b::setRanges(edge, 181, BEAMS - 1, 1.0f);
  const PlanarPoint spot{2.0f * std::cos(-0.03f), 2.0f * std::sin(-0.03f)};
  const auto seen_through = [&](float turn_margin, float turned) {
    SeenThroughMemory memory = memoryOf(0.4f, 0.0f, turn_margin);
    memory.remember(edge, NO_MOUNTING, PlanarPose{}, 10.0);
    memory.startScan(roomScan(), NO_MOUNTING, PlanarPose{0.0f, 0.0f, turned}, 10.1);
    return memory.wasSeenThrough(spot);
  };
  EXPECT_TRUE(seen_through(0.0f, 0.1f)) << "no turn margin";
  EXPECT_TRUE(seen_through(1.0f, 0.0f)) << "no turn";
  // 0.1 rad turned: the beams within 0.2 m (0.1 rad) either side must have reached past, and
  // the edge lies among them.
  EXPECT_FALSE(seen_through(1.0f, 0.1f));
  EXPECT_TRUE(seen_through(1.0f, 0.01f)) << "0.02 m either side, clear of the edge";
}

TEST(SeenThroughMemory, KeepsAtMostEightScansOverItsSpanAndNoneWhenOff)
{
  SeenThroughMemory memory = memoryOf(0.4f);
  // Scans every 0.03 s: a scan is kept 0.05 s or more after the newest kept one, so every other.
  for (int k = 0; k <= 12; ++k) {
    memory.remember(roomScan(), NO_MOUNTING, PlanarPose{}, 10.0 + 0.03 * k);
  }
  EXPECT_EQ(memory.size(), 7u) << "10.00 to 10.36 s, 0.06 s apart";
  memory.remember(roomScan(), NO_MOUNTING, PlanarPose{}, 10.6);
  EXPECT_EQ(memory.size(), 4u) << "10.24, 10.30, 10.36 and 10.6 s";

  // Once the scan that saw through has aged out, the spot is no longer seen through.
  SeenThroughMemory fading = memoryOf(0.4f);
  fading.remember(roomScan(), NO_MOUNTING, PlanarPose{}, 10.0);
  fading.remember(roomScan(1.0f), NO_MOUNTING, PlanarPose{}, 10.5);
  EXPECT_FALSE(fading.wasSeenThrough(ahead(1.5f)));

  SeenThroughMemory off = memoryOf(0.0f);
  off.remember(roomScan(), NO_MOUNTING, PlanarPose{}, 10.0);
  EXPECT_EQ(off.size(), 0u);
}
