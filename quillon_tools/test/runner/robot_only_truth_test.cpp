// The truth of a recording with nobody in it: the robot's pose at each scan from the odometry
// around it, the scanners' mounts from chains of static transforms, and clear errors for a
// recording that cannot give them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillon_tools/evaluation/evaluation.hpp"
#include "quillon_tools/evaluation/robot_only_truth.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/simulation/simulator.hpp"
#include "quillon_tools/simulation/stamp.hpp"
#include "scratch_folder.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;
using quillon_test::scratch;

constexpr int64_t MS = 1000000;
constexpr double PI = 3.14159265358979323846;

builtin_interfaces::msg::Time stampAt(int64_t ns) { return stampFromNanoseconds(ns); }

tf2_msgs::msg::TFMessage transform(
  const std::string & parent, const std::string & child, const Pose2D & pose, int64_t stamp_ns = 0)
{
  tf2_msgs::msg::TFMessage message;
  message.transforms = {planarTransform(stamp_ns, parent, child, pose)};
  return message;
}

sensor_msgs::msg::LaserScan scanOf(const std::string & frame, int64_t stamp_ns)
{
  sensor_msgs::msg::LaserScan scan;
  scan.header.stamp = stampAt(stamp_ns);
  scan.header.frame_id = frame;
  scan.angle_min = -2.0f;
  scan.angle_max = 2.0f;
  scan.angle_increment = 0.01f;
  scan.range_max = 12.0f;
  scan.ranges.assign(401, 3.0f);
  return scan;
}

struct Recording
{
  bool odometry = true;
  bool chained_mount = true;  // "laser" sits on "base_link", which sits on base_footprint
};

// Odometry at 1.0, 1.2 and 3.0 s; scans of "laser" before, inside, across the gap and after
// the odometry, one of "laser2" in between.
fs::path writeRecording(const std::string & name, const Recording & r)
{
  const fs::path bag = scratch(name);
  BagWriter writer;
  writer.open(bag);
  writer.write("/tf_static", 0, transform("base_footprint", "laser2", {-0.3, 0.0, PI}));
  if (r.chained_mount) {
    writer.write("/tf_static", 0, transform("base_footprint", "base_link", {0.1, 0.0, PI / 2}));
    writer.write("/tf_static", 0, transform("base_link", "laser", {0.2, 0.0, PI / 4}));
  }
  if (r.odometry) {
    writer.write("/tf", 1000 * MS, transform("odom", "base_footprint", {0.0, 0.0, 3.0}, 1000 * MS));
    writer.write("/tf", 1100 * MS, transform("odom", "elsewhere", {9.0, 9.0, 0.0}, 1100 * MS));
    writer.write(
      "/tf", 1200 * MS, transform("odom", "base_footprint", {1.0, 2.0, -3.0}, 1200 * MS));
    writer.write(
      "/tf", 3000 * MS, transform("odom", "base_footprint", {1.5, 2.0, -3.0}, 3000 * MS));
  }
  for (const int64_t ms : {500, 1050, 1200, 2000, 3000, 3500}) {
    writer.write("/scan_01", ms * MS, scanOf("laser", ms * MS));
  }
  writer.write("/scan_02", 1100 * MS, scanOf("laser2", 1100 * MS));
  return bag;
}

std::string errorOf(const fs::path & bag)
{
  try {
    robotOnlyTruth(bag);
  } catch (const std::runtime_error & e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(RobotOnlyTruth, InterpolatesTheRobotAtEachScanWithinTheOdometry)
{
  const GroundTruth truth = robotOnlyTruth(writeRecording("recording", {}));

  // Only the scans at 1.05, 1.1, 1.2 and 3.0 s lie within the odometry without a gap.
  ASSERT_EQ(truth.frames.size(), 4u);
  const std::vector<int64_t> stamps = {1050 * MS, 1100 * MS, 1200 * MS, 3000 * MS};
  const std::vector<std::string> scanners = {"laser", "laser2", "laser", "laser"};
  for (std::size_t i = 0; i < stamps.size(); ++i) {
    EXPECT_EQ(truth.frames[i].stamp_ns, stamps[i]);
    EXPECT_EQ(truth.frames[i].scanner_frame, scanners[i]);
    EXPECT_TRUE(truth.frames[i].people.empty());
  }
  // A quarter of the way from yaw 3.0 to -3.0, which is 2 pi - 6 ahead, not 6 back.
  const double turn = 2.0 * PI - 6.0;
  const TruthFrame & quarter = truth.frames[0];
  EXPECT_NEAR(quarter.robot.x, 0.25, 1e-9);
  EXPECT_NEAR(quarter.robot.y, 0.5, 1e-9);
  EXPECT_NEAR(quarter.robot.yaw, 3.0 + 0.25 * turn, 1e-9);
  EXPECT_NEAR(quarter.robot_vx, 5.0, 1e-9);
  EXPECT_NEAR(quarter.robot_vy, 10.0, 1e-9);
  EXPECT_NEAR(quarter.robot_omega, turn / 0.2, 1e-9);
  EXPECT_NEAR(truth.frames[2].robot.yaw, -3.0, 1e-9);
  EXPECT_NEAR(truth.frames[3].robot.x, 1.5, 1e-9);

  // "laser" composed along base_footprint -> base_link -> laser.
  ASSERT_EQ(truth.mounts.size(), 2u);
  EXPECT_NEAR(truth.mounts.at("laser").x, 0.1, 1e-9);
  EXPECT_NEAR(truth.mounts.at("laser").y, 0.2, 1e-9);
  EXPECT_NEAR(truth.mounts.at("laser").yaw, 0.75 * PI, 1e-9);
  EXPECT_NEAR(std::abs(truth.mounts.at("laser2").yaw), PI, 1e-9);
  EXPECT_NEAR(truth.views.at("laser").fov, 4.01, 1e-6);
  EXPECT_NEAR(truth.views.at("laser").range_max, 12.0, 1e-6);

  // Every pedestrian reported within range is a false positive.
  ScoredList scored;
  scored.list.header.stamp = stampAt(1200 * MS);
  scored.list.header.frame_id = "laser";
  scored.list.objects.resize(1);
  scored.list.objects[0].pose.position.x = 2.0;
  scored.list.objects[0].classification = 1;
  const EvaluationResult r = evaluate(truth, {scored});
  EXPECT_EQ(r.lists_scored, 1);
  EXPECT_EQ(r.gates.at(0).false_positives, 1);
}

TEST(RobotOnlyTruth, RefusesRecordingsWithoutOdometryMountsOrScans)
{
  const fs::path no_odometry = writeRecording("no_odometry", {false, true});
  EXPECT_NE(
    errorOf(no_odometry)
      .find(no_odometry.string() + ": holds no odom -> base_footprint transforms on /tf"),
    std::string::npos)
    << errorOf(no_odometry);

  const fs::path no_mount = writeRecording("no_mount", {true, false});
  EXPECT_NE(
    errorOf(no_mount).find(
      "cannot place scanner frame 'laser' on base_footprint: /tf_static has no transform to "
      "'laser'"),
    std::string::npos)
    << errorOf(no_mount);

  const fs::path no_scans = scratch("no_scans");
  {
    BagWriter writer;
    writer.open(no_scans);
    writer.write("/tf", 0, transform("odom", "base_footprint", {}, 0));
  }
  EXPECT_NE(errorOf(no_scans).find("holds no readable LaserScan messages"), std::string::npos)
    << errorOf(no_scans);
}
