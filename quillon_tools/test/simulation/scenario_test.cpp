#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "quillon_tools/simulation/simulator.hpp"

namespace quillon_tools
{
namespace
{

// Distance from a point to the robot's 0.6 m x 0.4 m body at time t.
double distanceToRobot(const RobotMotion & robot, double t, const Eigen::Vector2d & point)
{
  const Pose2D pose = robot.at(t).pose;
  const double dx = point.x() - pose.x;
  const double dy = point.y() - pose.y;
  const double along = std::cos(pose.yaw) * dx + std::sin(pose.yaw) * dy;
  const double across = -std::sin(pose.yaw) * dx + std::cos(pose.yaw) * dy;
  return std::hypot(std::max(std::abs(along) - 0.3, 0.0), std::max(std::abs(across) - 0.2, 0.0));
}

TEST(Scenarios, CatalogueIsCompleteAndDefaultsToTheCrowdedRoom)
{
  const auto names = scenarioNames();
  const std::set<std::string> expected{"corridor_walkers",   "crowded_room",      "robot_turning",
                                       "people_by_chairs",   "robot_driving",     "corridor_drive",
                                       "hall_drive_turning", "robot_turning_fast"};
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
  EXPECT_EQ(names.size(), expected.size());
  EXPECT_DOUBLE_EQ(makeScenario(DEFAULT_SCENARIO).duration_s, 40.0);
  for (const auto & name : names) {
    const Scenario s = makeScenario(name);
    EXPECT_EQ(s.name, name);
    EXPECT_GE(s.duration_s, 30.0) << name;
    EXPECT_LE(s.duration_s, 60.0) << name;
  }
  // The long ones are asked for by name only, and last 3 minutes with the robot moving most of it.
  EXPECT_EQ(longScenarioNames(), (std::vector<std::string>{"office_floor", "busy_corridor"}));
  for (const auto & name : longScenarioNames()) {
    const Scenario s = makeScenario(name);
    EXPECT_EQ(s.name, name);
    EXPECT_DOUBLE_EQ(s.duration_s, 180.0) << name;
    const RobotMotion robot(s.robot);
    int standing = 0;
    int driving = 0;
    int turning = 0;
    for (double t = 0.0; t < s.duration_s; t += 1.0) {
      const RobotState state = robot.at(t);
      standing += std::hypot(state.vx, state.vy) < 0.01 && std::abs(state.omega) < 0.01 ? 1 : 0;
      driving += std::hypot(state.vx, state.vy) > 0.5 ? 1 : 0;
      turning += std::abs(state.omega) > 0.3 ? 1 : 0;
    }
    EXPECT_GT(standing, 15) << name;
    EXPECT_GT(driving, 50) << name;
    EXPECT_GT(turning, 10) << name;
    EXPECT_GE(s.walkers.size(), 14U) << name;
  }
}

std::vector<std::string> everyScenario()
{
  std::vector<std::string> names = scenarioNames();
  for (const auto & name : longScenarioNames()) {
    names.push_back(name);
  }
  return names;
}

// Legs never touch walls or furniture and keep clear of the robot, over the whole run.
TEST(Scenarios, PeopleStayClearOfWallsFurnitureAndTheRobot)
{
  for (const auto & name : everyScenario()) {
    const Scenario s = makeScenario(name);
    const RobotMotion robot(s.robot);
    size_t people_seen = 0;
    for (const auto & script : s.walkers) {
      const Walker walker(script, s.duration_s + 1.0);
      for (double t = 0.0; t <= s.duration_s; t += 0.02) {
        if (!walker.present(t)) {
          continue;
        }
        ++people_seen;
        for (const auto & leg : walker.legs(t)) {
          ASSERT_GT(s.world.clearance(leg), LEG_RADIUS)
            << name << " person " << script.id << " at " << t << " s, leg (" << leg.x() << ", "
            << leg.y() << ")";
          ASSERT_GT(distanceToRobot(robot, t, leg), LEG_RADIUS + 0.1)
            << name << " person " << script.id << " at " << t << " s";
        }
      }
    }
    EXPECT_GT(people_seen, 0U) << name;
  }
}

TEST(Scenarios, EveryScenarioSimulatesAndShowsPeople)
{
  for (const auto & name : everyScenario()) {
    SimulatorConfig config;
    config.duration_s = 2.0;
    const GroundTruth truth = simulateAll(makeScenario(name), config, [&](const SimulatedScan & s) {
      size_t finite = 0;
      for (float r : s.scan.ranges) {
        finite += std::isfinite(r) ? 1 : 0;
      }
      // Walls are in view of both scanners in every scene.
      EXPECT_GT(finite, 100U) << name << " " << s.topic;
    });
    ASSERT_EQ(truth.frames.size(), 100U) << name;
    EXPECT_EQ(truth.mounts.size(), 2U);
    size_t people = 0;
    for (const auto & frame : truth.frames) {
      people += frame.people.size();
    }
    EXPECT_GT(people, 0U) << name;
  }
}

}  // namespace
}  // namespace quillon_tools
