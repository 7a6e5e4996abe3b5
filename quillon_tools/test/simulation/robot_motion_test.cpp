#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "quillon_tools/simulation/robot_motion.hpp"

namespace quillon_tools
{
namespace
{

constexpr double PI = 3.141592653589793;

// A full circle at 1.5 m/s and 0.5 rad/s ends where it began; on the way the robot's velocity is
// the rate of change of its position and points along its heading, and after the last arc it
// stands at the end pose.
TEST(RobotMotion, ArcsTurnWhileDrivingAndEndAtRest)
{
  RobotScript script;
  script.kind = RobotScript::Kind::Arcs;
  script.start = {1.0, -2.0, 0.3};
  script.arcs = {{2.0 * PI / 0.5, 1.5, 0.5}, {2.0, 1.0, 0.0}};
  const RobotMotion robot(script);

  const double lap_s = 2.0 * PI / 0.5;
  const Pose2D after_lap = robot.at(lap_s).pose;
  EXPECT_NEAR(after_lap.x, 1.0, 1e-9);
  EXPECT_NEAR(after_lap.y, -2.0, 1e-9);
  EXPECT_NEAR(std::remainder(after_lap.yaw - 0.3, 2.0 * PI), 0.0, 1e-9);

  const double t = 3.7;
  const double dt = 1e-5;
  const RobotState now = robot.at(t);
  const Pose2D later = robot.at(t + dt).pose;
  EXPECT_NEAR((later.x - now.pose.x) / dt, now.vx, 1e-4);
  EXPECT_NEAR((later.y - now.pose.y) / dt, now.vy, 1e-4);
  EXPECT_NEAR(std::atan2(now.vy, now.vx), now.pose.yaw, 1e-9);
  EXPECT_DOUBLE_EQ(now.omega, 0.5);
  EXPECT_NEAR(
    std::hypot(now.pose.x - (1.0 - 3.0 * std::sin(0.3)), now.pose.y - (-2.0 + 3.0 * std::cos(0.3))),
    3.0, 1e-9)
    << "on the circle of radius speed / rate";

  const RobotState rest = robot.at(lap_s + 10.0);
  EXPECT_NEAR(rest.pose.x, 1.0 + 2.0 * std::cos(0.3), 1e-9);
  EXPECT_NEAR(rest.pose.y, -2.0 + 2.0 * std::sin(0.3), 1e-9);
  EXPECT_EQ(rest.vx, 0.0);
  EXPECT_EQ(rest.omega, 0.0);

  script.arcs.push_back({-1.0, 1.0, 0.0});
  EXPECT_THROW(RobotMotion{script}, std::invalid_argument);
  script.arcs.back() = {1.0, std::nan(""), 0.0};
  EXPECT_THROW(RobotMotion{script}, std::invalid_argument);
}

}  // namespace
}  // namespace quillon_tools
