#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/geometric_motion_detector.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "scan_builders.hpp"

using quillon_dynamic_detector::GeometricMotionDetector;
using quillon_dynamic_detector::MapPoint;
using sensor_msgs::msg::LaserScan;
namespace b = quillon_dynamic_detector::builders;

namespace
{

// A round room of 3 m seen by 361 beams 0.01 rad apart. Viewing directions (buckets) are
// 0.05 rad wide: beam 180 looks at -0.005 rad, the last beam of bucket -1; beam 181 at +0.005 rad,
// the first of bucket 0; beam 185 is the last of bucket 0.
constexpr std::size_t BEAMS = 361;
constexpr float ANGLE_MIN = -1.805f;
constexpr float ANGLE_INCREMENT = 0.01f;
constexpr float ROOM = 3.0f;
constexpr float OBJECT = 1.5f;
constexpr double T0 = 100.0;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr double HALF_PI = 1.5707963267948966;

using Beams = std::vector<std::size_t>;

struct Output
{
  LaserScan::SharedPtr dynamic_scan = std::make_shared<LaserScan>();
  LaserScan::SharedPtr static_scan = std::make_shared<LaserScan>();
  Beams moving;
};

std::unique_ptr<GeometricMotionDetector> makeDetector(
  const std::string & name, const std::string & yaml = "")
{
  return std::make_unique<GeometricMotionDetector>(
    b::writeDetectorConfigFile("detector_test_" + name, yaml));
}

LaserScan::SharedPtr roomScan(double t, float range = ROOM)
{
  return b::makeScan(BEAMS, ANGLE_MIN, ANGLE_INCREMENT, range, t);
}

LaserScan::SharedPtr withRanges(
  LaserScan::SharedPtr scan, std::size_t first, std::size_t last, float range)
{
  b::setRanges(*scan, first, last, range);
  return scan;
}

Output run(
  GeometricMotionDetector & detector, const LaserScan::SharedPtr & scan, double x = 0.0,
  double yaw = 0.0)
{
  Output out;
  detector.processScan(scan, b::makePose(x, 0.0, yaw), out.dynamic_scan, out.static_scan);
  out.moving = b::beamsWithReturn(*out.dynamic_scan);
  return out;
}

// A detector that has learnt the empty room from one scan at T0.
std::unique_ptr<GeometricMotionDetector> detectorInRoom(
  const std::string & name, const std::string & yaml = "")
{
  auto detector = makeDetector(name, yaml);
  run(*detector, roomScan(T0));
  return detector;
}

bool mapHasPointAt(const GeometricMotionDetector & detector, const b::ScanPoint & p)
{
  for (const MapPoint & m : detector.localStaticMap().points()) {
    if (m.x == p.x && m.y == p.y) {
      return true;
    }
  }
  return false;
}

TEST(GeometricMotionDetector, ScanWithoutReturnsGivesTwoEmptyScansAndStillPrunes)
{
  auto detector = detectorInRoom("all_nan");
  ASSERT_GT(detector->localStaticMap().mapSize(), 150);

  auto scan = roomScan(T0 + 1.5, NaN);
  scan->intensities.assign(BEAMS, 7.0f);
  const Output out = run(*detector, scan);
  LaserScan expected = *scan;
  expected.ranges.assign(BEAMS, FLT_MAX);
  EXPECT_EQ(*out.dynamic_scan, expected);
  EXPECT_EQ(*out.static_scan, expected);
  EXPECT_EQ(detector->localStaticMap().mapSize(), 0);
  EXPECT_TRUE(detector->localStaticMap().candidates().empty());
  EXPECT_EQ(detector->rawCandidateCloud().size(), 0u);
  EXPECT_EQ(detector->confirmedCloud().height, 1u);
}

TEST(GeometricMotionDetector, OnlyBeamsInsideTheDetectionBandAreExamined)
{
  auto detector = makeDetector("band");
  auto scan = roomScan(T0, NaN);
  scan->ranges[10] = 5.0f;
  scan->ranges[100] = std::nextafter(5.0f, 6.0f);
  scan->ranges[200] = 0.2f;
  scan->ranges[300] = std::nextafter(0.2f, 0.0f);
  scan->ranges[350] = -1.0f;
  const Output out = run(*detector, scan);

  EXPECT_TRUE(out.moving.empty());
  for (std::size_t i : {10, 100, 200, 300, 350}) {
    EXPECT_EQ(out.static_scan->ranges[i], scan->ranges[i]) << i;
  }
  EXPECT_EQ(b::beamsWithReturn(*out.static_scan), (Beams{10, 100, 200, 300, 350}));
  // The start-up scan puts every examined (isolated, so plain) beam into the map.
  EXPECT_EQ(detector->localStaticMap().mapSize(), 2);
  EXPECT_TRUE(mapHasPointAt(*detector, b::beamPoint(*scan, 10)));
  EXPECT_TRUE(mapHasPointAt(*detector, b::beamPoint(*scan, 200)));
}

TEST(GeometricMotionDetector, PointsAreCarriedIntoOdomThroughMountingAndPose)
{
  auto detector = makeDetector("odom");
  // Scanner 0.3 m behind the robot centre, looking backwards.
  detector->sensor_to_base << -1, 0, 0, -0.3f, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1;
  auto scan = b::makeScan(1, 0.0f, 0.01f, 1.0f, T0);
  geometry_msgs::msg::Pose pose = b::makePose(1.0, 0.0, HALF_PI);
  pose.position.y = 2.0;
  auto dynamic_scan = std::make_shared<LaserScan>();
  auto static_scan = std::make_shared<LaserScan>();
  detector->processScan(scan, pose, dynamic_scan, static_scan);

  ASSERT_EQ(detector->localStaticMap().mapSize(), 1);
  EXPECT_NEAR(detector->localStaticMap().points()[0].x, 1.0f, 1e-5f);
  EXPECT_NEAR(detector->localStaticMap().points()[0].y, 0.7f, 1e-5f);
  EXPECT_EQ(detector->localStaticMap().points()[0].stamp, T0);
}

TEST(GeometricMotionDetector, StartUpScanLearnsTheSceneWithoutMotionCandidates)
{
  auto detector = makeDetector("startup");
  auto scan = withRanges(roomScan(T0), 180, 182, OBJECT);
  const Output out = run(*detector, scan);

  // Beams examined after the first insertion are compared with the map indexed at the start of
  // the scan, which was empty: none of them is a candidate.
  EXPECT_TRUE(out.moving.empty());
  EXPECT_EQ(detector->rawCandidateCloud().size(), 0u);
  EXPECT_EQ(out.static_scan->ranges, scan->ranges);
  EXPECT_GT(detector->localStaticMap().mapSize(), 150);
  EXPECT_TRUE(mapHasPointAt(*detector, b::beamPoint(*scan, 181)));
  // The object's edge beams only feed candidates.
  EXPECT_FALSE(mapHasPointAt(*detector, b::beamPoint(*scan, 180)));
  EXPECT_FALSE(detector->localStaticMap().candidates().empty());

  // The map cloud shows the map as indexed for the last scan.
  EXPECT_EQ(detector->localStaticMapCloud().size(), 0u);
  run(*detector, withRanges(roomScan(T0 + 0.1), 180, 182, OBJECT));
  EXPECT_GT(detector->localStaticMapCloud().size(), 150u);
  EXPECT_EQ(detector->localStaticMapCloud().width, detector->localStaticMapCloud().size());
}

TEST(GeometricMotionDetector, IsolatedBeamFarFromTheMapIsAnUnsupportedCandidate)
{
  auto scan = withRanges(roomScan(T0 + 0.1), 100, 100, OBJECT);
  auto detector = detectorInRoom("isolated");
  const Output out = run(*detector, scan);
  EXPECT_TRUE(out.moving.empty());
  EXPECT_EQ(detector->rawCandidateCloud().size(), 0u);
  EXPECT_EQ(out.static_scan->ranges[100], OBJECT);

  // Needing no neighbour, the same beam passes the support test: it is a candidate.
  auto lenient = detectorInRoom(
    "isolated_lenient",
    "geometric_residual_support_min_neighbors: 1\n"
    "geometric_residual_support_edge_min_neighbors: 1\n");
  run(*lenient, scan);
  ASSERT_EQ(lenient->rawCandidateCloud().size(), 1u);
  EXPECT_EQ(lenient->rawCandidateCloud()[0].x, b::beamPoint(*scan, 100).x);
  EXPECT_EQ(lenient->rawCandidateCloud()[0].y, b::beamPoint(*scan, 100).y);
}

TEST(GeometricMotionDetector, NewObjectIsConfirmedOnTheSecondHitOfItsDirection)
{
  // Beams 176 to 179 have no return, so beam 180 is the only examined beam of bucket -1; beams
  // 181 and 182 share bucket 0 with room beams 183 to 185.
  const auto scene = [](double t) {
    return withRanges(withRanges(roomScan(t), 176, 179, NaN), 180, 182, OBJECT);
  };
  auto detector = makeDetector("confirm");
  run(*detector, withRanges(roomScan(T0), 176, 179, NaN));
  const Output first = run(*detector, scene(T0 + 0.1));
  // Beam 182 is the second hit of bucket 0 within the scan; beam 180 is the first of its own.
  EXPECT_EQ(first.moving, (Beams{182}));
  EXPECT_EQ(detector->rawCandidateCloud().size(), 3u);
  ASSERT_EQ(detector->confirmedCloud().size(), 1u);
  EXPECT_EQ(detector->confirmedCloud().width, 1u);
  const b::ScanPoint p182 = b::beamPoint(*scene(T0), 182);
  EXPECT_EQ(detector->confirmedCloud()[0].x, p182.x);
  EXPECT_EQ(detector->confirmedCloud()[0].y, p182.y);
  EXPECT_EQ(first.static_scan->ranges[182], FLT_MAX);
  EXPECT_EQ(first.static_scan->ranges[180], OBJECT);

  const Output second = run(*detector, scene(T0 + 0.2));
  EXPECT_EQ(second.moving, (Beams{180, 182}));
  EXPECT_EQ(second.dynamic_scan->ranges[180], OBJECT);
  EXPECT_EQ(second.static_scan->ranges[180], FLT_MAX);

  // More than 0.25 s between the two sightings: the direction starts again from one hit.
  auto slow = makeDetector("confirm_slow");
  run(*slow, withRanges(roomScan(T0), 176, 179, NaN));
  run(*slow, scene(T0 + 0.1));
  EXPECT_EQ(run(*slow, scene(T0 + 0.4)).moving, (Beams{182}));
}

TEST(GeometricMotionDetector, AConfirmedDirectionCanConfirmAllItsCandidatesOfTheScan)
{
  // The scene of the test above: beam 180 alone in bucket -1, beams 181 and 182 in bucket 0.
  const auto scene = [](double t) {
    return withRanges(withRanges(roomScan(t), 176, 179, NaN), 180, 182, OBJECT);
  };
  auto detector =
    makeDetector("confirm_whole", "geometric_dynamic_confirm_whole_direction: true\n");
  run(*detector, withRanges(roomScan(T0), 176, 179, NaN));
  // Beam 182 confirms bucket 0, and with it beam 181 before it; bucket -1 has one hit.
  const Output first = run(*detector, scene(T0 + 0.1));
  EXPECT_EQ(first.moving, (Beams{181, 182}));
  EXPECT_EQ(first.static_scan->ranges[181], FLT_MAX);
  EXPECT_EQ(first.static_scan->ranges[180], OBJECT);
  EXPECT_EQ(detector->confirmedCloud().size(), 2u);
  EXPECT_EQ(run(*detector, scene(T0 + 0.2)).moving, (Beams{180, 181, 182}));
}

TEST(GeometricMotionDetector, EdgeBeamsNeedAThirdHitWhileTheRobotTurnsFast)
{
  // Beams 176 to 179 look through a door beyond the detection band, so beam 180, alone in
  // bucket -1, is an edge. 0.1 rad per scan is a yaw intensity of 0.78; the round room looks
  // the same at any heading.
  const auto scene = [](double t) {
    return withRanges(withRanges(roomScan(t), 176, 179, 6.0f), 180, 182, OBJECT);
  };
  for (const double turn : {0.0, 0.1}) {
    auto detector = makeDetector("fast_yaw");
    run(*detector, withRanges(roomScan(T0), 176, 179, 6.0f));
    const auto beam_180_moving = [&](int k) {
      const Output out = run(*detector, scene(T0 + 0.1 * k), 0.0, turn * k);
      return out.dynamic_scan->ranges[180] == OBJECT;
    };
    EXPECT_FALSE(beam_180_moving(1)) << turn;
    EXPECT_EQ(beam_180_moving(2), turn == 0.0) << turn;
    EXPECT_TRUE(beam_180_moving(3)) << turn;
  }
}

TEST(GeometricMotionDetector, NothingIsLearntAboveTheMotionLimits)
{
  struct Case
  {
    double travel;
    double turn;
    bool learns;
  };
  // Motion intensity 0.36 / 0.34, then yaw intensity 0.32 / 0.28.
  for (const Case & c :
       {Case{0.0352, 0.0, false}, Case{0.0338, 0.0, true}, Case{0.0, 0.0588, false},
        Case{0.0, 0.0552, true}}) {
    auto detector = detectorInRoom("learning");
    const int map_size = detector->localStaticMap().mapSize();
    run(*detector, roomScan(T0 + 0.1), c.travel, c.turn);
    EXPECT_EQ(!detector->localStaticMap().candidates().empty(), c.learns)
      << c.travel << " " << c.turn;
    if (!c.learns) {
      EXPECT_EQ(detector->localStaticMap().mapSize(), map_size);
    }
  }
}

TEST(GeometricMotionDetector, BeamsOutsideTheBandLeaveTheHistoryAlone)
{
  // An object filling bucket 0 (beams 181 to 185) walks from 1.5 m to 2 m. Its first beam is
  // confirmed in the second scan only if the bucket kept the hits of the first.
  const auto scene = [](double t) {
    return withRanges(withRanges(roomScan(t), 250, 299, 6.0f), 300, 360, NaN);
  };
  auto detector = makeDetector("skipped_elsewhere");
  run(*detector, scene(T0));
  run(*detector, withRanges(scene(T0 + 0.1), 181, 185, OBJECT));
  const Output second = run(*detector, withRanges(scene(T0 + 0.2), 181, 185, 2.0f));
  EXPECT_EQ(second.dynamic_scan->ranges[181], 2.0f);

  // Dropouts inside the object's own bucket do not reset it either.
  const auto dropouts = [](double t, float range) {
    return withRanges(withRanges(roomScan(t), 181, 183, range), 184, 185, NaN);
  };
  auto own = makeDetector("skipped_own");
  run(*own, withRanges(roomScan(T0), 184, 185, NaN));
  run(*own, dropouts(T0 + 0.1, OBJECT));
  EXPECT_EQ(run(*own, dropouts(T0 + 0.2, 2.0f)).dynamic_scan->ranges[181], 2.0f);
}

TEST(GeometricMotionDetector, BucketWidthIsAtLeastOneMilliradian)
{
  for (const char * width : {"0.0", "0.0001"}) {
    // Each beam then has a direction of its own and needs a second scan.
    auto detector = detectorInRoom(
      "bucket_width", std::string("geometric_dynamic_bucket_angle_resolution: ") + width + "\n");
    const Output first = run(*detector, withRanges(roomScan(T0 + 0.1), 183, 185, OBJECT));
    EXPECT_TRUE(first.moving.empty()) << width;
    const Output second = run(*detector, withRanges(roomScan(T0 + 0.2), 183, 185, OBJECT));
    EXPECT_EQ(second.moving, (Beams{183, 184, 185})) << width;
  }
}

TEST(GeometricMotionDetector, TimeGoingBackClearsMapAndHistory)
{
  ros2_compat::testing::LogCapture log;
  auto detector = detectorInRoom("time_jump");
  // A scan half a second older (reordered delivery) is measured against the kept map.
  run(*detector, roomScan(T0 - 0.5));
  EXPECT_EQ(log.count("went back"), 0u);

  // A bag loop back to 10 s into a smaller room: the old map would never age and would make the
  // new walls look like motion.
  const Output looped = run(*detector, roomScan(10.0, 2.0f));
  EXPECT_EQ(
    log.count(
      "[trailscan]: Scan time of base_scan_01 went back from 100.000 s to 10.000 s: geometric "
      "detector map and motion history cleared"),
    1u);
  EXPECT_EQ(log.count("[INFO]"), 1u);
  EXPECT_TRUE(looped.moving.empty());
  EXPECT_GT(detector->localStaticMap().mapSize(), 100);
  for (const MapPoint & m : detector->localStaticMap().points()) {
    ASSERT_EQ(m.stamp, 10.0);
  }

  // Exactly one second back is still the same timeline.
  run(*detector, roomScan(9.0, 2.0f));
  EXPECT_EQ(log.count("went back"), 1u);

  // Stamps before 1970 are just another step back.
  auto before_1970 = roomScan(9.0, 2.0f);
  before_1970->header.stamp.sec = -5;
  EXPECT_NO_THROW(run(*detector, before_1970));
  EXPECT_EQ(log.count("went back from 10.000 s to -5.000 s"), 1u);
}

TEST(GeometricMotionDetector, ScanThatCannotBePlacedIsDroppedWithAWarning)
{
  ros2_compat::testing::LogCapture log;
  auto detector = detectorInRoom("unplaceable");
  const int map_size = detector->localStaticMap().mapSize();

  auto bad_angles = roomScan(T0 + 0.1);
  bad_angles->angle_increment = NaN;
  auto huge_angles = roomScan(T0 + 0.1);
  huge_angles->angle_increment = 1e37f;
  for (const auto & scan : {bad_angles, huge_angles}) {
    const Output out = run(*detector, scan);
    EXPECT_TRUE(out.moving.empty());
    EXPECT_TRUE(b::beamsWithReturn(*out.static_scan).empty());
  }
  const Output bad_pose = run(*detector, roomScan(T0 + 0.1), NaN);
  EXPECT_TRUE(b::beamsWithReturn(*bad_pose.static_scan).empty());
  EXPECT_EQ(detector->localStaticMap().mapSize(), map_size);
  EXPECT_TRUE(detector->localStaticMap().candidates().empty());
  // Throttled: one line for the three drops.
  EXPECT_EQ(log.count("dropped a scan of base_scan_01"), 1u);
}

// Whether beam `beam` is reported moving in each of `scans` scans 0.04 s apart from T0 + 0.04,
// with `scene` giving the scan at each time.
template <typename Scene>
std::vector<bool> movingOverTime(
  GeometricMotionDetector & detector, int scans, std::size_t beam, const Scene & scene)
{
  std::vector<bool> moving;
  for (int k = 1; k <= scans; ++k) {
    const Output out = run(detector, scene(T0 + 0.04 * k));
    moving.push_back(out.dynamic_scan->ranges[beam] != FLT_MAX);
  }
  return moving;
}

TEST(
  GeometricMotionDetector, WithTheSeenThroughMemoryAPlantedFootStaysMovingWhileItsSpotWasSeenFree)
{
  // A foot planted at 1.5 m where the start-up scan saw the wall 3 m away.
  const auto foot = [](double t) { return withRanges(roomScan(t), 178, 184, OBJECT); };
  auto remembering = detectorInRoom("planted_foot", "geometric_seen_through_memory: 0.4\n");
  const std::vector<bool> moving = movingOverTime(*remembering, 15, 183, foot);
  // Moving until the start-up scan is more than 0.4 s old; then it has only ever been seen
  // occupied, so it is learnt.
  const std::vector<bool> expected = {true, true, true,  true,  true,  true,  true, true,
                                      true, true, false, false, false, false, false};
  EXPECT_EQ(moving, expected);
  EXPECT_LT(remembering->localStaticMap().nearestMapDistance({OBJECT, 0.0f}), 0.05f);

  // Without it the foot's seven beams make three sightings of one spot in the first scan, and
  // the foot is learnt at once.
  auto forgetting = detectorInRoom("planted_foot_off");
  const std::vector<bool> without = movingOverTime(*forgetting, 15, 183, foot);
  EXPECT_EQ(std::count(without.begin(), without.end(), true), 1);
  EXPECT_TRUE(without[0]);
}

TEST(GeometricMotionDetector, WithTheSeenThroughMemoryAWallThatComesIntoViewIsStatic)
{
  // A box 1 m ahead hid the wall behind it when the room was learnt; then it is carried away.
  const auto box = [](double t) { return withRanges(roomScan(t), 170, 190, 1.0f); };
  const auto uncovered = [](double t) { return roomScan(t); };
  // Without the memory, then learning what came into view at once, then as usual.
  for (const char * yaml :
       {"", "geometric_seen_through_memory: 0.4\n",
        "geometric_seen_through_memory: 0.4\n"
        "geometric_seen_through_learn_at_once_at_rest: false\n"}) {
    SCOPED_TRACE(yaml);
    const bool remember = yaml[0] != '\0';
    auto detector = makeDetector("uncovered", yaml);
    run(*detector, box(T0));
    const std::vector<bool> moving = movingOverTime(*detector, 10, 180, uncovered);
    // Without the memory the uncovered wall is moving until its first sightings are learnt.
    EXPECT_EQ(std::count(moving.begin(), moving.end(), true), remember ? 0 : 1);
    EXPECT_LT(detector->localStaticMap().nearestMapDistance({ROOM, 0.0f}), 0.05f);
  }
}

TEST(
  GeometricMotionDetector,
  WithTheSeenThroughMemoryACorridorStaysLearntWhileTheRobotDrivesPastFor30s)
{
  // Walls 1.5 m either side, a pillar every 2 m along the left one; 0.5 m/s, 25 scans a second.
  // Without the memory the far side of every pillar that comes into view moves for a while.
  constexpr double SPEED = 0.5;
  constexpr int SCANS = 750;
  for (const bool remember : {false, true}) {
    SCOPED_TRACE(remember);
    auto detector =
      makeDetector("corridor_drive", remember ? "geometric_seen_through_memory: 0.4\n" : "");
    std::size_t moving_beams = 0;
    for (int k = 0; k < SCANS; ++k) {
      const double x = SPEED * 0.04 * k;
      cluster_builders::Room corridor;
      corridor.half_x = 1000.0f;
      corridor.half_y = 1.5f;
      for (int pillar = 0; pillar < 12; ++pillar) {
        corridor.circles.push_back(
          {static_cast<float>(2.0 * pillar - std::fmod(x, 2.0)), 1.3f, 0.15f});
      }
      auto scan = cluster_builders::makeRoomScan(corridor);
      scan->header.stamp = b::stampAt(T0 + 0.04 * k);
      moving_beams += run(*detector, scan, x).moving.size();
    }
    if (remember) {
      EXPECT_EQ(moving_beams, 0u);
    } else {
      EXPECT_GT(moving_beams, 1000u);
    }
    const float end_x = static_cast<float>(SPEED * 0.04 * (SCANS - 1));
    EXPECT_LT(detector->localStaticMap().nearestMapDistance({end_x + 1.0f, -1.5f}), 0.05f)
      << "the right wall beside the robot";
  }
}

TEST(GeometricMotionDetector, WhileTheRobotMovesMapPointsLiveForTheirOwnAge)
{
  // The room is learnt at T0; then, for 2 s at 10 Hz, beams 170-190 bring nothing back (the wall
  // ahead hidden or unseen) while the robot drives at 0.5 m/s or stands. Is the point that beam
  // 180 learnt at T0 still in the map?
  const auto kept = [](const std::string & yaml, double speed) {
    auto detector = detectorInRoom("map_age_moving", yaml);
    const b::ScanPoint ahead = b::beamPoint(*roomScan(T0), 180);
    EXPECT_TRUE(mapHasPointAt(*detector, ahead));
    for (int k = 1; k <= 20; ++k) {
      run(*detector, withRanges(roomScan(T0 + 0.1 * k), 170, 190, NaN), speed * 0.1 * k);
    }
    return mapHasPointAt(*detector, ahead);
  };
  const std::string moving_age = "local_map_max_age_while_moving: 4.0\n";
  EXPECT_TRUE(kept(moving_age, 0.5)) << "driving: 4 s";
  EXPECT_FALSE(kept(moving_age, 0.0)) << "standing: local_map_max_age, 1 s";
  EXPECT_FALSE(kept("", 0.5)) << "option off: 1 s whatever the robot does";
}

TEST(GeometricMotionDetector, WithAnUncoveredDepthALegWalkingStraightAwayFromAStillScannerMoves)
{
  // A leg learnt at 1.5 m with the room walks straight away at 1.25 m/s: each spot it steps into
  // was hidden by the leg itself, never seen through.
  const auto leg_at = [](double t) {
    const float range = 1.5f + 1.25f * static_cast<float>(t - T0);
    return withRanges(roomScan(t), 178, 184, range);
  };
  for (const float depth : {0.0f, 0.35f}) {
    SCOPED_TRACE(depth);
    auto detector = makeDetector(
      "stepping_away",
      "geometric_seen_through_memory: 0.4\n"
      "geometric_seen_through_learn_at_once_at_rest: false\n"
      "geometric_seen_through_uncovered_depth: " +
        std::to_string(depth) + "\n");
    run(*detector, leg_at(T0));
    const std::vector<bool> moving = movingOverTime(*detector, 10, 183, leg_at);
    // Moving once the leg is farther than the margin from where it was in a kept scan.
    const std::vector<bool> expected =
      depth > 0.0f ? std::vector<bool>{false, false, true, true, true, true, true, true, true, true}
                   : std::vector<bool>(10, false);
    EXPECT_EQ(moving, expected);
  }
}

}  // namespace
