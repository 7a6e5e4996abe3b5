#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include <Eigen/Geometry>

#include "object_builders.hpp"
#include "quillon_dynamic_detector/swept_motion.hpp"

using quillon_dynamic_detector::ExpectedPerson;
using quillon_dynamic_detector::PlanarMotion;
using quillon_dynamic_detector::SweptMotion;
using sensor_msgs::msg::LaserScan;

namespace
{

// A 270 degree scan of 541 beams, swept in 0.075 s.
LaserScan sweptScan()
{
  LaserScan scan;
  scan.angle_min = static_cast<float>(-0.75 * M_PI);
  scan.angle_increment = static_cast<float>(1.5 * M_PI / 540.0);
  scan.time_increment = static_cast<float>(0.075 / 540.0);
  scan.ranges.assign(541, 5.0f);
  return scan;
}

// A scanner 2 m, 1 m from odom's origin heading 0.3 rad at the stamp, that drives at 0.5 m/s
// along x and turns at 1.5 rad/s: its pose `seconds` after the stamp.
Eigen::Matrix4f scannerPoseAfter(double seconds)
{
  const Eigen::Affine3f pose =
    Eigen::Translation3f(static_cast<float>(2.0 + 0.5 * seconds), 1.0f, 0.0f) *
    Eigen::AngleAxisf(static_cast<float>(0.3 + 1.5 * seconds), Eigen::Vector3f::UnitZ());
  return pose.matrix();
}

// Where a place of odom lies in the scanner frame when the scanner has the pose after `seconds`.
Eigen::Vector2d seenAfter(double seconds, const Eigen::Vector2d & place)
{
  const Eigen::Matrix4f pose = scannerPoseAfter(seconds);
  double x = place.x();
  double y = place.y();
  PlanarMotion::fromMatrix(pose).inverse().move(x, y);
  return Eigen::Vector2d(x, y);
}

}  // namespace

// A return is carried into odom with the scanner's pose at its own beam's moment: a post that the
// last beam of a turning scanner met lands where the post stands, while the pose at the stamp
// puts it 0.4 m off; and the way back finds the return again. A cluster's points each take their
// own beam's moment.
TEST(SweptMotion, EachReturnTakesThePoseOfItsBeamsMoment)
{
  const LaserScan scan = sweptScan();
  const double sweep = 0.075;
  const std::optional<SweptMotion> swept =
    SweptMotion::fromPoses(scannerPoseAfter(0.0), scannerPoseAfter(-sweep), -sweep, scan);
  ASSERT_TRUE(swept);
  // The pose at the end of the sweep gives the same rate as the one a sweep before.
  const std::optional<SweptMotion> from_end =
    SweptMotion::fromPoses(scannerPoseAfter(0.0), scannerPoseAfter(sweep), sweep, scan);
  ASSERT_TRUE(from_end);
  // The last beam points at angle_max in the scanner frame at the end of the sweep.
  const double last_bearing = scan.angle_min + 540.0 * scan.angle_increment;
  const Eigen::Vector2d seen_last(4.0 * std::cos(last_bearing), 4.0 * std::sin(last_bearing));
  double x = seen_last.x();
  double y = seen_last.y();
  PlanarMotion::fromMatrix(scannerPoseAfter(sweep)).move(x, y);
  const Eigen::Vector2d post(x, y);
  // The first beam's return moves with the pose at the stamp.
  const double first_bearing = scan.angle_min;
  const Eigen::Vector2d seen_first(3.0 * std::cos(first_bearing), 3.0 * std::sin(first_bearing));

  std::vector<quillon_protocol::msg::Object> objects{
    object_builders::objectAt(seen_last.x(), seen_last.y(), 5),
    object_builders::objectAt(seen_first.x(), seen_first.y(), 5)};
  std::vector<quillon_protocol::msg::Object> same = objects;
  swept->toFrame(objects);
  from_end->toFrame(same);
  EXPECT_NEAR(post.x(), objects[0].pose.position.x, 1e-4);
  EXPECT_NEAR(post.y(), objects[0].pose.position.y, 1e-4);
  EXPECT_NEAR(post.x(), same[0].pose.position.x, 1e-4);
  EXPECT_NEAR(post.y(), same[0].pose.position.y, 1e-4);
  double at_stamp_x = seen_last.x();
  double at_stamp_y = seen_last.y();
  PlanarMotion::fromMatrix(scannerPoseAfter(0.0)).move(at_stamp_x, at_stamp_y);
  EXPECT_GT(std::hypot(at_stamp_x - post.x(), at_stamp_y - post.y()), 0.4);
  double first_x = seen_first.x();
  double first_y = seen_first.y();
  PlanarMotion::fromMatrix(scannerPoseAfter(0.0)).move(first_x, first_y);
  EXPECT_NEAR(first_x, objects[1].pose.position.x, 1e-4);
  EXPECT_NEAR(first_y, objects[1].pose.position.y, 1e-4);

  const Eigen::Vector2f back = swept->toScanner(post.cast<float>());
  EXPECT_NEAR(seen_last.x(), back.x(), 1e-3);
  EXPECT_NEAR(seen_last.y(), back.y(), 1e-3);

  auto cluster = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  cluster->push_back(
    pcl::PointXYZ(static_cast<float>(seen_first.x()), static_cast<float>(seen_first.y()), 0.0f));
  cluster->push_back(
    pcl::PointXYZ(static_cast<float>(seen_last.x()), static_cast<float>(seen_last.y()), 0.0f));
  quillon_dynamic_detector::ClusterList clusters{cluster};
  swept->toFrame(clusters);
  EXPECT_NEAR(first_x, clusters[0]->points[0].x, 1e-4);
  EXPECT_NEAR(post.x(), clusters[0]->points[1].x, 1e-4);
  EXPECT_NEAR(post.y(), clusters[0]->points[1].y, 1e-4);
  EXPECT_FLOAT_EQ(static_cast<float>(seen_first.x()), cluster->points[0].x) << "moved a copy";
}

// The people a tracker expects come back to where the scan sees them, velocities turned with the
// scanner's heading at that moment: a place of odom lies where the pose of its own beam's moment
// puts it, for a scanner that turns either way.
TEST(SweptMotion, ExpectedPeopleComeBackToWhereTheScanSeesThem)
{
  LaserScan reversed = sweptScan();
  reversed.angle_min = -reversed.angle_min;
  reversed.angle_increment = -reversed.angle_increment;
  for (const LaserScan & scan : {sweptScan(), reversed}) {
    const std::optional<SweptMotion> swept =
      SweptMotion::fromPoses(scannerPoseAfter(0.0), scannerPoseAfter(-0.075), -0.075, scan);
    ASSERT_TRUE(swept);
    const Eigen::Vector2d place(5.0, 3.0);
    const Eigen::Vector2f seen = swept->toScanner(place.cast<float>());
    const double bearing = std::atan2(seen.y(), seen.x());
    const double moment = (bearing - scan.angle_min) / scan.angle_increment * scan.time_increment;
    ASSERT_GT(moment, 0.01);
    const Eigen::Vector2d expected = seenAfter(moment, place);
    EXPECT_NEAR(expected.x(), seen.x(), 2e-3);
    EXPECT_NEAR(expected.y(), seen.y(), 2e-3);

    std::vector<ExpectedPerson> people{{place.cast<float>(), {1.0f, 0.0f}}};
    swept->toScanner(people);
    EXPECT_NEAR(seen.x(), people[0].place.x(), 1e-5);
    EXPECT_NEAR(seen.y(), people[0].place.y(), 1e-5);
    const double heading = 0.3 + 1.5 * moment;
    EXPECT_NEAR(std::cos(-heading), people[0].velocity.x(), 2e-3);
    EXPECT_NEAR(std::sin(-heading), people[0].velocity.y(), 2e-3);
  }
}

// A scan that says nothing of its timing has no sweep to correct: fewer than two beams, or a
// time or angle increment of zero or not finite, or a sweep longer than a second; nor do two
// poses at one moment, or two across a jump of odom.
TEST(SweptMotion, AScanWithoutTimingHasNoSweep)
{
  EXPECT_NEAR(0.075, *SweptMotion::sweepDuration(sweptScan()), 1e-6);
  LaserScan reversed = sweptScan();
  reversed.time_increment = -reversed.time_increment;
  EXPECT_NEAR(0.075, *SweptMotion::sweepDuration(reversed), 1e-6);
  const auto broken = [](void (*breakIt)(LaserScan &)) {
    LaserScan scan = sweptScan();
    breakIt(scan);
    return SweptMotion::fromPoses(scannerPoseAfter(0.0), scannerPoseAfter(-0.075), -0.075, scan);
  };
  EXPECT_FALSE(
    SweptMotion::fromPoses(scannerPoseAfter(0.0), scannerPoseAfter(0.0), 0.0, sweptScan()))
    << "no time between the poses";
  Eigen::Matrix4f jumped = scannerPoseAfter(-0.075);
  jumped(0, 3) += 2.0f;  // odom reset between the two poses
  EXPECT_FALSE(SweptMotion::fromPoses(scannerPoseAfter(0.0), jumped, -0.075, sweptScan()))
    << "a jump of odom";
  EXPECT_FALSE(broken([](LaserScan & s) { s.time_increment = 0.0f; }));
  EXPECT_FALSE(
    broken([](LaserScan & s) { s.time_increment = std::numeric_limits<float>::quiet_NaN(); }));
  EXPECT_FALSE(broken([](LaserScan & s) { s.ranges.resize(1); }));
  EXPECT_FALSE(broken([](LaserScan & s) { s.time_increment = 0.01f; })) << "a 5.4 s sweep";
  EXPECT_FALSE(broken([](LaserScan & s) { s.angle_increment = 0.0f; }));
  EXPECT_FALSE(broken([](LaserScan & s) { s.angle_min = std::numeric_limits<float>::infinity(); }));
}
