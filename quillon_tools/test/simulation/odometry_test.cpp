// The odometry a scanner model brings: a 100 Hz stream on its own clock that drifts from the
// truth as the robot drives, handed out with the scans it comes before.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "quillon_tools/simulation/simulator.hpp"

namespace quillon_tools
{
namespace
{

using V = Eigen::Vector2d;

int64_t stampNs(const builtin_interfaces::msg::Time & t)
{
  return static_cast<int64_t>(t.sec) * 1000000000LL + t.nanosec;
}

// A robot that drives 10 m straight along x at 1 m/s and then stands for 2 s.
Scenario straightDrive()
{
  Scenario scenario;
  scenario.duration_s = 12.0;
  scenario.scanner = "lidar_768_7p5hz";
  scenario.world.addOutline({V(-3, -4), V(14, -4), V(14, 4), V(-3, 4)});
  scenario.robot.kind = RobotScript::Kind::Drive;
  scenario.robot.speed = 1.0;
  scenario.robot.waypoints = {V(10.0, 0.0)};
  return scenario;
}

std::vector<SimulatedScan> run(const Scenario & scenario, uint64_t seed)
{
  SimulatorConfig config;
  config.seed = seed;
  Simulator simulator(scenario, config);
  std::vector<SimulatedScan> scans;
  SimulatedScan scan;
  while (simulator.next(scan)) {
    scans.push_back(scan);
  }
  return scans;
}

V positionOf(const geometry_msgs::msg::TransformStamped & t)
{
  return {t.transform.translation.x, t.transform.translation.y};
}

TEST(Odometry, ComesAt100HzBeforeEachScanAndDriftsTwoPercentOverTenMetres)
{
  const int64_t start = SimulatorConfig{}.start_stamp_ns;
  const auto scans = run(straightDrive(), 1);
  int64_t previous_published = start - 1;
  int64_t expected_stamp = start;
  std::vector<geometry_msgs::msg::TransformStamped> stream;
  for (const auto & s : scans) {
    ASSERT_FALSE(s.odometry.empty());
    for (const auto & sample : s.odometry) {
      const int64_t stamp = stampNs(sample.header.stamp);
      EXPECT_EQ(stamp, expected_stamp);
      EXPECT_GT(stamp, previous_published);
      EXPECT_LE(stamp, s.published_ns);
      expected_stamp += 10000000;
      stream.push_back(sample);
    }
    // The scan's pose can be looked up as soon as it is published.
    EXPECT_GE(stampNs(s.odometry.back().header.stamp), s.truth.stamp_ns);
    previous_published = s.published_ns;
    // The truth does not drift.
    const double t = 1e-9 * static_cast<double>(s.truth.stamp_ns - start);
    EXPECT_NEAR(s.truth.robot.x, std::min(t, 10.0), 1e-9);
    EXPECT_DOUBLE_EQ(s.truth.robot.y, 0.0);
  }
  EXPECT_GT(stream.size(), 1190U);

  // Standing at the end, the odometry stays where it drifted to.
  const V end = positionOf(stream.back());
  EXPECT_NEAR((positionOf(stream[stream.size() - 150]) - end).norm(), 0.0, 1e-12);
  const double drift = (end - V(10.0, 0.0)).norm() / 10.0;
  EXPECT_GT(drift, 0.015);
  EXPECT_LT(drift, 0.03);
  EXPECT_GT(std::abs(end.x() - 10.0), std::abs(end.y()));  // mostly the scale error

  // The seed fixes the drift: the same seed repeats it, others change it, both ways.
  EXPECT_EQ(positionOf(run(straightDrive(), 1).back().odometry.back()), end);
  bool longer = false;
  bool shorter = false;
  for (uint64_t seed = 2; seed < 10; ++seed) {
    const double x = positionOf(run(straightDrive(), seed).back().odometry.back()).x();
    longer = longer || x > 10.1;
    shorter = shorter || x < 9.9;
  }
  EXPECT_TRUE(longer && shorter);
}

// Odometry errs only while the wheels turn.
TEST(Odometry, StandingStillItStaysExact)
{
  Scenario scenario = straightDrive();
  scenario.robot = RobotScript{};
  scenario.robot.start = {1.0, -2.0, 0.5};
  for (const auto & s : run(scenario, 3)) {
    for (const auto & sample : s.odometry) {
      EXPECT_DOUBLE_EQ(sample.transform.translation.x, 1.0);
      EXPECT_DOUBLE_EQ(sample.transform.translation.y, -2.0);
      EXPECT_NEAR(
        2.0 * std::atan2(sample.transform.rotation.z, sample.transform.rotation.w), 0.5, 1e-12);
    }
  }
}

}  // namespace
}  // namespace quillon_tools
