// The whole system in one process, fed faults a robot meets: odometry missing, late or jumping,
// time running backwards, a scanner going silent and scans arriving in bursts. What a user
// would see is checked: which lists come out, their numbers, and the log.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_tools/runner/replay_runner.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"

using quillon_protocol::msg::ObjectList;
using quillon_tools::ReplayOptions;
using quillon_tools::ReplayOutputs;
using quillon_tools::ReplayRunner;
using ros2_compat::testing::ConsoleOutput;
using ros2_compat::testing::LogCapture;

namespace
{

constexpr int64_t SECOND_NS = 1000000000LL;
// Each test starts its own epoch 100 s after the previous one, so that no log throttle of an
// earlier test (they run on the simulated clock) holds back a line.
int64_t START_NS = 1000LL * SECOND_NS;
constexpr int64_t PERIOD_NS = 100000000LL;
constexpr float WALK_SPEED = 1.0F;
// A detection joins a track within the 1 m gate, and scans come every 0.1 s: a filter that
// never sees a negative or tiny time step cannot report much more than 10 m/s.
constexpr double MAX_PLAUSIBLE_SPEED = 15.0;

const char ODOM_FAILURE[] = "Transform base_footprint to odom error of sensor data: ";

geometry_msgs::msg::TransformStamped transform(
  const std::string & parent, const std::string & child, int64_t stamp_ns, double x = 0.0,
  double yaw = 0.0)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.frame_id = parent;
  t.child_frame_id = child;
  t.header.stamp.sec = static_cast<int32_t>(stamp_ns / SECOND_NS);
  t.header.stamp.nanosec = static_cast<uint32_t>(stamp_ns % SECOND_NS);
  t.transform.translation.x = x;
  t.transform.rotation.z = std::sin(yaw / 2.0);
  t.transform.rotation.w = std::cos(yaw / 2.0);
  return t;
}

// A robot with both scanners at its centre: a person walks past scanner 1 along y = 1.5 and
// another one past scanner 2 along y = -1.5, so that fusion keeps them apart.
class Scene
{
public:
  explicit Scene(bool geometric, std::vector<rclcpp::Parameter> trailscan_parameters = {})
  : runner_(optionsFor(geometric, std::move(trailscan_parameters)))
  {
    tf2_msgs::msg::TFMessage mounts;
    mounts.transforms = {
      transform("base_footprint", "base_scan_01", 0),
      transform("base_footprint", "base_scan_02", 0)};
    runner_.feedStaticTransforms(mounts, START_NS);
    EXPECT_TRUE(runner_.start());
  }

  void odom(int64_t stamp_ns, double x = 0.0, double yaw = 0.0)
  {
    tf2_msgs::msg::TFMessage message;
    message.transforms = {transform("odom", "base_footprint", stamp_ns, x, yaw)};
    runner_.feedTransforms(message, stamp_ns);
  }

  // Scanner `which` (1 or 2) sees its walker `walk_s` seconds into the walk, stamped `stamp_ns`
  // and fed with the clock at `clock_ns` (the stamp unless told).
  void scan(int which, int64_t stamp_ns, double walk_s, int64_t clock_ns = -1)
  {
    const std::string topic = which == 1 ? "/scan_01" : "/scan_02";
    runner_.feedScan(topic, *scanOf(which, stamp_ns, walk_s), clock_ns < 0 ? stamp_ns : clock_ns);
  }

  // Odometry, then both scanners, at step k of a walk that began at `begin_ns`.
  void step(int k, int64_t begin_ns = START_NS, double x = 0.0, double yaw = 0.0)
  {
    const int64_t stamp = begin_ns + k * PERIOD_NS;
    odom(stamp, x, yaw);
    scan(1, stamp, 0.1 * k);
    scan(2, stamp, 0.1 * k);
  }

  static sensor_msgs::msg::LaserScan::SharedPtr scanOf(int which, int64_t stamp_ns, double walk_s)
  {
    cluster_builders::Room room;
    // The walkers come in after the first second, once the detectors know the empty room.
    if (walk_s >= 1.0) {
      cluster_builders::addWalkingPerson(
        room, -2.0F, which == 1 ? 1.5F : -1.5F, WALK_SPEED, static_cast<float>(walk_s - 1.0));
    }
    auto scan = cluster_builders::makeRoomScan(room);
    scan->header.stamp = transform("", "", stamp_ns).header.stamp;
    scan->header.frame_id = which == 1 ? "base_scan_01" : "base_scan_02";
    return scan;
  }

  std::size_t count(const std::string & topic) const
  {
    const auto found = runner_.outputs().lists.find(topic);
    return found == runner_.outputs().lists.end() ? 0u : found->second.size();
  }

  std::size_t markerCount(const std::string & topic) const
  {
    const auto found = runner_.outputs().markers.find(topic);
    return found == runner_.outputs().markers.end() ? 0u : found->second.size();
  }

  const ObjectList & last(const std::string & topic) const
  {
    return runner_.outputs().lists.at(topic).back().list;
  }

  const ReplayOutputs & outputs() const { return runner_.outputs(); }

private:
  static ReplayOptions optionsFor(bool geometric, std::vector<rclcpp::Parameter> parameters)
  {
    ReplayOptions options;
    options.geometric_detector = geometric;
    options.trailscan_parameters = std::move(parameters);
    return options;
  }

  ReplayRunner runner_;
};

bool finite(const quillon_protocol::msg::Object & o)
{
  const double values[] = {
    o.pose.position.x,
    o.pose.position.y,
    o.pose.position.z,
    o.pose.orientation.x,
    o.pose.orientation.y,
    o.pose.orientation.z,
    o.pose.orientation.w,
    o.width,
    o.length,
    o.aspect_ratio,
    o.area,
    o.compactness,
    o.velocity_x,
    o.velocity_y,
    o.speed,
    o.range,
    o.bearing};
  for (const double v : values) {
    if (!std::isfinite(v)) {
      return false;
    }
  }
  for (const auto & p : o.polygon) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return false;
    }
  }
  return true;
}

// Every object of every list is finite and no faster than a tracked person can be made;
// every marker sits at a finite place.
void expectSaneOutputs(const ReplayOutputs & outputs)
{
  for (const auto & [topic, lists] : outputs.lists) {
    for (const auto & received : lists) {
      for (const auto & o : received.list.objects) {
        ASSERT_TRUE(finite(o)) << topic << " at " << received.list.header.stamp.sec;
        EXPECT_LE(std::hypot(o.velocity_x, o.velocity_y), MAX_PLAUSIBLE_SPEED) << topic;
      }
    }
  }
  for (const auto & [topic, arrays] : outputs.markers) {
    for (const auto & array : arrays) {
      for (const auto & m : array.markers) {
        ASSERT_TRUE(std::isfinite(m.pose.position.x) && std::isfinite(m.pose.position.y)) << topic;
        for (const auto & p : m.points) {
          ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << topic;
        }
      }
    }
  }
}

// The walker of scanner `which` in a list: a pedestrian near its line, moving along +x.
bool walkerMovingForward(const ObjectList & list, int which)
{
  for (const auto & o : list.objects) {
    if (
      o.classification == 1 && std::abs(o.pose.position.y - (which == 1 ? 1.5 : -1.5)) < 0.4 &&
      std::abs(o.velocity_x - WALK_SPEED) < 0.5) {
      return true;
    }
  }
  return false;
}

bool anyObjectNear(const ObjectList & list, double y)
{
  for (const auto & o : list.objects) {
    if (std::abs(o.pose.position.y - y) < 0.4) {
      return true;
    }
  }
  return false;
}

class FaultReplayTest : public ::testing::TestWithParam<bool>
{
protected:
  void SetUp() override
  {
    START_NS += 100LL * SECOND_NS;
    rclcpp::init(0, nullptr);
  }
  void TearDown() override { rclcpp::shutdown(); }
};

std::string detectorName(const ::testing::TestParamInfo<bool> & info)
{
  return info.param ? "GeometricDetector" : "ClosedDetector";
}

}  // namespace

// Odometry that stops for a while drops every scan with the lookup's line and publishes nothing
// for it; a transform that comes after its scan cannot save that scan but serves the next one;
// a pose that jumps by metres leaves every output finite and no track racing off.
TEST_P(FaultReplayTest, OdometryMissingLateOrJumping)
{
  LogCapture log(ConsoleOutput::Suppress);
  Scene scene(GetParam());
  int k = 0;
  for (; k < 30; ++k) {
    scene.step(k);
  }
  ASSERT_EQ(scene.count("/objects_laser1"), 30u);
  ASSERT_TRUE(walkerMovingForward(scene.last("/objects_laser1"), 1));

  // Missing: five steps of scans with no odometry newer than step 29.
  const std::size_t lists_before = scene.count("/objects_laser1");
  const std::size_t fused_before = scene.count("/objects_laser");
  const std::size_t markers_before = scene.markerCount("/scan1/pedestrian_markers");
  for (; k < 35; ++k) {
    scene.scan(1, START_NS + k * PERIOD_NS, 0.1 * k);
    scene.scan(2, START_NS + k * PERIOD_NS, 0.1 * k);
  }
  EXPECT_EQ(log.count(ODOM_FAILURE), 10u);
  EXPECT_EQ(log.count("quitting callback"), 10u);
  EXPECT_EQ(scene.count("/objects_laser1"), lists_before);
  EXPECT_EQ(scene.count("/objects_laser2"), lists_before);
  EXPECT_EQ(scene.markerCount("/scan1/pedestrian_markers"), markers_before);
  EXPECT_EQ(scene.count("/objects_laser"), fused_before);

  // Back: every scan is processed again and the walker is still followed.
  for (; k < 45; ++k) {
    scene.step(k);
  }
  EXPECT_EQ(scene.count("/objects_laser1"), lists_before + 10);
  EXPECT_TRUE(walkerMovingForward(scene.last("/objects_laser1"), 1));
  EXPECT_TRUE(walkerMovingForward(scene.last("/objects_laser"), 1));

  // Late: the scan comes before the odometry of its own time and is dropped; the next one,
  // whose odometry is there, passes.
  log.clear();
  const int64_t late_stamp = START_NS + k * PERIOD_NS;
  scene.scan(1, late_stamp, 0.1 * k);
  scene.odom(late_stamp);
  EXPECT_EQ(log.count(ODOM_FAILURE), 1u);
  EXPECT_EQ(scene.count("/objects_laser1"), lists_before + 10);
  scene.step(++k);
  EXPECT_EQ(scene.count("/objects_laser1"), lists_before + 11);
  EXPECT_EQ(log.count(ODOM_FAILURE), 1u);

  // Jumping: the robot's pose leaps 5 m and turns half a circle between two scans, and back.
  for (++k; k < 60; ++k) {
    const bool leapt = k >= 50 && k < 55;
    scene.step(k, START_NS, leapt ? 5.0 : 0.0, leapt ? M_PI : 0.0);
  }
  EXPECT_EQ(scene.count("/objects_laser1"), lists_before + 24);
  expectSaneOutputs(scene.outputs());
}

// Scan stamps and the simulated clock going back (a bag played again, a simulator restarted)
// and a single scan stamped before its predecessor: the filters never run a negative time step,
// so velocities stay those of the walkers; the geometric detector says it starts afresh.
TEST_P(FaultReplayTest, TimeGoingBackwards)
{
  LogCapture log(ConsoleOutput::Suppress);
  Scene scene(GetParam());
  for (int k = 0; k < 30; ++k) {
    scene.step(k);
  }
  ASSERT_TRUE(walkerMovingForward(scene.last("/objects_laser1"), 1));

  // One scan of scanner 1 arrives stamped 50 ms before the previous one, the clock going on.
  const int64_t last_stamp = START_NS + 29 * PERIOD_NS;
  scene.odom(last_stamp + PERIOD_NS);
  scene.scan(1, last_stamp - PERIOD_NS / 2, 2.95, last_stamp + PERIOD_NS);
  EXPECT_EQ(scene.count("/objects_laser1"), 31u);

  // The recording plays again from 20 s before, stamps and clock alike; the walkers carry on
  // where they are, so a negative time step would show as a wrong velocity.
  const int64_t again_ns = START_NS - 20 * SECOND_NS;
  for (int k = 30; k < 45; ++k) {
    const int64_t stamp = again_ns + k * PERIOD_NS;
    scene.odom(stamp);
    scene.scan(1, stamp, 0.1 * k);
    scene.scan(2, stamp, 0.1 * k);
  }
  EXPECT_EQ(scene.count("/objects_laser1"), 46u);
  EXPECT_EQ(scene.count("/objects_laser2"), 45u);
  EXPECT_TRUE(walkerMovingForward(scene.last("/objects_laser1"), 1));
  EXPECT_TRUE(walkerMovingForward(scene.last("/objects_laser2"), 2));
  EXPECT_TRUE(walkerMovingForward(scene.last("/objects_laser"), 1));
  EXPECT_EQ(scene.last("/objects_laser").header.stamp.sec, (again_ns + 44 * PERIOD_NS) / SECOND_NS);
  EXPECT_EQ(log.count("Detected jump back in time. Clearing TF buffer."), 2u);  // both nodes
  const std::size_t restarts = log.count("geometric detector map and motion history cleared");
  if (GetParam()) {
    EXPECT_EQ(restarts, 2u);  // once per scanner
    char line[128];
    std::snprintf(
      line, sizeof(line), "Scan time of base_scan_01 went back from %.3f s to %.3f s",
      static_cast<double>(last_stamp) * 1e-9,
      static_cast<double>(again_ns + 30 * PERIOD_NS) * 1e-9);
    EXPECT_TRUE(log.contains(line)) << line;
  } else {
    EXPECT_EQ(restarts, 0u);
  }
  EXPECT_EQ(log.count(ODOM_FAILURE), 0u);
  expectSaneOutputs(scene.outputs());
}

// Scanner 2 falls silent: trailmerge goes on fusing scanner 1's lists; scanner 2's walker stays
// while its last list is within the 0.3 s freshness limit and is gone after.
TEST_P(FaultReplayTest, OneScannerSilent)
{
  LogCapture log(ConsoleOutput::Suppress);
  Scene scene(GetParam());
  int k = 0;
  for (; k < 30; ++k) {
    scene.step(k);
  }
  ASSERT_TRUE(anyObjectNear(scene.last("/objects_laser"), -1.5));
  ASSERT_TRUE(anyObjectNear(scene.last("/objects_laser"), 1.5));

  const std::size_t fused_before = scene.count("/objects_laser");
  std::vector<bool> scanner2_fused;
  for (; k < 60; ++k) {
    const int64_t stamp = START_NS + k * PERIOD_NS;
    scene.odom(stamp);
    scene.scan(1, stamp, 0.1 * k);
    scanner2_fused.push_back(anyObjectNear(scene.last("/objects_laser"), -1.5));
    EXPECT_TRUE(anyObjectNear(scene.last("/objects_laser"), 1.5)) << "step " << k;
  }
  EXPECT_EQ(scene.count("/objects_laser"), fused_before + 30);
  // Its last list was stamped at step 29: 0.1, 0.2 and 0.3 s old at the next three fusions.
  ASSERT_EQ(scanner2_fused.size(), 30u);
  EXPECT_TRUE(scanner2_fused[0] && scanner2_fused[1] && scanner2_fused[2]);
  for (std::size_t i = 3; i < scanner2_fused.size(); ++i) {
    EXPECT_FALSE(scanner2_fused[i]) << "fusion " << i << " after scanner 2 fell silent";
  }
  EXPECT_TRUE(log.contains("fresh1=1 input1=")) << ::testing::PrintToString(log.lines());
  EXPECT_TRUE(log.contains("fresh2=0 input2="));
  EXPECT_FALSE(log.contains("failed to transform object"));
  expectSaneOutputs(scene.outputs());
}

// Scans published faster than the executor runs: the keep-last-1 sensor subscription hands
// over only the newest, which is processed once.
TEST_P(FaultReplayTest, BurstOfScansKeepsOnlyTheNewest)
{
  LogCapture log(ConsoleOutput::Suppress);
  Scene scene(GetParam());
  int k = 0;
  for (; k < 20; ++k) {
    scene.step(k);
  }
  auto burst_source = std::make_shared<rclcpp::Node>("burst_source");
  auto scans = burst_source->create_publisher<sensor_msgs::msg::LaserScan>(
    "/scan_01", rclcpp::SensorDataQoS());
  const std::size_t before = scene.count("/objects_laser1");
  for (int burst = 0; burst < 3; ++burst) {
    for (int i = 0; i < 5; ++i, ++k) {
      scene.odom(START_NS + k * PERIOD_NS);
    }
    for (int i = 5; i > 0; --i) {
      scans->publish(*Scene::scanOf(1, START_NS + (k - i) * PERIOD_NS, 0.1 * (k - i)));
    }
    scene.odom(START_NS + k * PERIOD_NS);  // lets the executor run
    ASSERT_EQ(scene.count("/objects_laser1"), before + burst + 1);
    const auto & stamp = scene.last("/objects_laser1").header.stamp;
    EXPECT_EQ(
      static_cast<int64_t>(stamp.sec) * SECOND_NS + stamp.nanosec, START_NS + (k - 1) * PERIOD_NS);
  }
  EXPECT_EQ(log.count(ODOM_FAILURE), 0u);
  expectSaneOutputs(scene.outputs());
}

INSTANTIATE_TEST_SUITE_P(BothDetectors, FaultReplayTest, ::testing::Bool(), detectorName);
