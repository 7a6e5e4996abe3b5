#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>

#include "quillon_dynamic_detector/scan_sight.hpp"
#include "scan_builders.hpp"

namespace
{

using quillon_dynamic_detector::PlaceSight;
using quillon_dynamic_detector::ScannerPose;
using quillon_dynamic_detector::ScanSight;
using quillon_dynamic_detector::builders::makeScan;
using quillon_dynamic_detector::builders::SCANNER_ANGLE_INCREMENT;
using quillon_dynamic_detector::builders::SCANNER_ANGLE_MIN;
using quillon_dynamic_detector::builders::SCANNER_BEAMS;
using sensor_msgs::msg::LaserScan;

constexpr float INF = std::numeric_limits<float>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// The robot's 270-degree scanner with every beam reading `range`.
LaserScan scanReading(float range)
{
  return *makeScan(SCANNER_BEAMS, SCANNER_ANGLE_MIN, SCANNER_ANGLE_INCREMENT, range, 1.0);
}

std::size_t beamTowards(const LaserScan & scan, float bearing)
{
  return static_cast<std::size_t>(std::lround((bearing - scan.angle_min) / scan.angle_increment));
}

PlaceSight sightOf(const LaserScan & scan, float x, float y, const ScannerPose & pose = {})
{
  return ScanSight(scan, pose).at(Eigen::Vector2f(x, y));
}

TEST(ScanSight, APlaceIsSeenThroughOnlyWhenEveryBeamPastItReturnsWellBeyond)
{
  EXPECT_EQ(PlaceSight::SeenThrough, sightOf(scanReading(5.0f), 2.0f, 0.0f)) << "wall at 5 m";
  EXPECT_EQ(PlaceSight::Unknown, sightOf(scanReading(2.3f), 2.0f, 0.0f))
    << "a return within half a metre behind the place may be the person";
  EXPECT_EQ(PlaceSight::Hidden, sightOf(scanReading(1.0f), 2.0f, 0.0f))
    << "a nearer return hides the place";

  // One beam stopping at the place, on a leg 0.15 m off the place's centre, is enough.
  LaserScan leg = scanReading(5.0f);
  leg.ranges[beamTowards(leg, std::atan2(0.15f, 2.0f))] = 2.0f;
  EXPECT_EQ(PlaceSight::Unknown, sightOf(leg, 2.0f, 0.0f));
  // A return beside the place's disc does not count.
  LaserScan beside = scanReading(5.0f);
  beside.ranges[beamTowards(beside, std::atan2(0.3f, 2.0f))] = 2.0f;
  EXPECT_EQ(PlaceSight::SeenThrough, sightOf(beside, 2.0f, 0.0f));
}

// Hidden takes two beams across the place, every one that returns ending in front of its disc;
// a place partly hidden and partly seen through is neither.
TEST(ScanSight, APlaceIsHiddenOnlyWhenEveryBeamPastItEndsInFrontOfIt)
{
  EXPECT_EQ(PlaceSight::Hidden, sightOf(scanReading(1.7f), 2.0f, 0.0f)) << "pillar in front";
  EXPECT_EQ(PlaceSight::Unknown, sightOf(scanReading(1.85f), 2.0f, 0.0f)) << "within the disc";
  LaserScan half = scanReading(1.0f);
  for (std::size_t i = beamTowards(half, 0.0f); i < half.ranges.size(); ++i) {
    half.ranges[i] = 5.0f;
  }
  EXPECT_EQ(PlaceSight::Unknown, sightOf(half, 2.0f, 0.0f)) << "half hidden";
  LaserScan one = scanReading(INF);
  one.ranges[beamTowards(one, 0.0f)] = 1.0f;
  EXPECT_EQ(PlaceSight::Unknown, sightOf(one, 2.0f, 0.0f)) << "one beam";
  one.ranges[beamTowards(one, 0.0f) + 2] = 1.0f;
  EXPECT_EQ(PlaceSight::Hidden, sightOf(one, 2.0f, 0.0f));
}

TEST(ScanSight, NoEchoAndReadingsAtTheScannersLimitTellNothing)
{
  for (const float no_echo : {INF, 0.0f, NaN, 0.01f, 30.0f}) {
    EXPECT_EQ(PlaceSight::Unknown, sightOf(scanReading(no_echo), 2.0f, 0.0f)) << no_echo;
  }
  // Two beams beyond are needed; the rest gave no echo.
  LaserScan sparse = scanReading(INF);
  const std::size_t centre = beamTowards(sparse, 0.0f);
  sparse.ranges[centre] = 6.0f;
  EXPECT_EQ(PlaceSight::Unknown, sightOf(sparse, 2.0f, 0.0f));
  sparse.ranges[centre + 3] = 6.0f;
  EXPECT_EQ(PlaceSight::SeenThrough, sightOf(sparse, 2.0f, 0.0f));
  // A place beyond the scanner's reach cannot be seen through.
  EXPECT_EQ(PlaceSight::Unknown, sightOf(scanReading(29.9f), 29.6f, 0.0f));
}

TEST(ScanSight, APlaceWhollyOutsideTheFieldOfViewIsOutOfView)
{
  const LaserScan scan = scanReading(5.0f);
  EXPECT_EQ(PlaceSight::OutOfView, sightOf(scan, -2.0f, 0.0f)) << "behind the scanner";
  // The field of view ends 135 degrees to either side; a person 2 m away reaches 0.1 rad past
  // its edge with their disc.
  const float edge = 2.35619449f;
  EXPECT_EQ(
    PlaceSight::OutOfView,
    sightOf(scan, 2.0f * std::cos(edge + 0.2f), 2.0f * std::sin(edge + 0.2f)));
  EXPECT_EQ(
    PlaceSight::OutOfView,
    sightOf(scan, 2.0f * std::cos(-edge - 0.2f), 2.0f * std::sin(-edge - 0.2f)));
  EXPECT_EQ(
    PlaceSight::SeenThrough,
    sightOf(scan, 2.0f * std::cos(edge + 0.05f), 2.0f * std::sin(edge + 0.05f)))
    << "partly in view: the beams at the edge see past it";
  EXPECT_EQ(PlaceSight::Unknown, sightOf(scan, 0.1f, 0.0f)) << "at the scanner itself";

  // A scanner of a whole turn has no outside.
  const LaserScan round = *makeScan(1440, -float(M_PI), 2.0f * float(M_PI) / 1440.0f, 5.0f, 1.0);
  EXPECT_EQ(PlaceSight::SeenThrough, sightOf(round, -2.0f, 0.0f));
  EXPECT_EQ(PlaceSight::SeenThrough, sightOf(round, -2.0f, 0.01f)) << "between last and first beam";
}

TEST(ScanSight, PlacesAreTakenFromTheScannersPoseInTheTrackingFrameAndItsOwnTurn)
{
  // The scanner stands at (10, 5), facing +y: (10, 7) is 2 m ahead of it, (10, 3) behind.
  const ScannerPose pose{Eigen::Vector2f(10.0f, 5.0f), float(M_PI_2)};
  const LaserScan scan = scanReading(5.0f);
  EXPECT_EQ(PlaceSight::SeenThrough, sightOf(scan, 10.0f, 7.0f, pose));
  EXPECT_EQ(PlaceSight::OutOfView, sightOf(scan, 10.0f, 3.0f, pose));

  // A scanner that turns the other way: beam 0 at +135 degrees. Something on its left stops the
  // beams towards the left only.
  LaserScan reversed =
    *makeScan(SCANNER_BEAMS, -SCANNER_ANGLE_MIN, -SCANNER_ANGLE_INCREMENT, 5.0f, 1.0);
  for (std::size_t i = 0; i < 300; ++i) {
    reversed.ranges[i] = 2.0f;  // beams from +135 down to about +60 degrees
  }
  EXPECT_EQ(PlaceSight::Unknown, sightOf(reversed, 0.0f, 2.0f));
  EXPECT_EQ(PlaceSight::SeenThrough, sightOf(reversed, 0.0f, -2.0f));
  EXPECT_EQ(PlaceSight::OutOfView, sightOf(reversed, -2.0f, 0.0f));
}

// A sight may take each place's position in the scanner frame from a function instead of one
// pose (a scanner that moved during its sweep saw each bearing from another pose): the scan is
// read where the function puts the place.
TEST(ScanSight, APlaceMayBeFoundInTheScanByAFunction)
{
  LaserScan scan = scanReading(5.0f);
  const std::size_t ahead = beamTowards(scan, 0.0f);
  for (std::size_t i = ahead - 60; i <= ahead + 60; ++i) {
    scan.ranges[i] = 1.0f;  // something 1 m ahead
  }
  const ScanSight shifted(scan, [](const Eigen::Vector2f & place) {
    return Eigen::Vector2f(place.x() - 10.0f, place.y() - 5.0f);
  });
  EXPECT_EQ(PlaceSight::Hidden, shifted.at(Eigen::Vector2f(12.0f, 5.0f)));
  EXPECT_EQ(PlaceSight::SeenThrough, shifted.at(Eigen::Vector2f(10.0f, 7.0f)));
  EXPECT_EQ(PlaceSight::OutOfView, shifted.at(Eigen::Vector2f(8.0f, 5.0f)));
  EXPECT_EQ(PlaceSight::Unknown, shifted.at(Eigen::Vector2f(10.1f, 5.0f))) << "at the scanner";
}

}  // namespace
