#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "quillon_tools/simulation/gait.hpp"
#include "quillon_tools/simulation/walker.hpp"

namespace quillon_tools
{
namespace
{

using V = Eigen::Vector2d;

WalkerScript straightWalk(double speed)
{
  WalkerScript script;
  script.id = 4;
  script.waypoints = {V(0.0, 0.0), V(6.0, 0.0)};
  script.speed = speed;
  return script;
}

TEST(Gait, FeetTakeTurnsAndStayAroundTheBody)
{
  const double step = fittedStepLength(6.1);
  EXPECT_DOUBLE_EQ(step, 0.61);
  EXPECT_DOUBLE_EQ(fittedStepLength(0.2), 0.2);

  // Small body advances: in every interval one foot stands still and the other moves twice
  // as far as the body; the standing foot changes once per step.
  const double ds = 0.01;
  int swaps = 0;
  int last_standing = -1;
  for (double s = 0.0; s + ds <= 6.1 + 1e-9; s += ds) {
    const auto a = footDistances(s, step);
    const auto b = footDistances(s + ds, step);
    EXPECT_NEAR(0.5 * (a[0] + a[1]), s, 1e-12);
    const double moved0 = b[0] - a[0];
    const double moved1 = b[1] - a[1];
    // Intervals that straddle a swap are mixed; all others are clean.
    if (std::abs(moved0) < 1e-9 || std::abs(moved1) < 1e-9) {
      const int standing = std::abs(moved0) < 1e-9 ? 0 : 1;
      EXPECT_NEAR(standing == 0 ? moved1 : moved0, 2.0 * ds, 1e-9);
      if (last_standing >= 0 && standing != last_standing) {
        ++swaps;
      }
      last_standing = standing;
    }
    EXPECT_GE(std::min(a[0], a[1]), -1e-12);
    EXPECT_LE(std::max(a[0], a[1]), 6.1 + 1e-12);
  }
  EXPECT_EQ(swaps, 10);  // half a step, nine steps of 0.61 m, half a step
  // Feet together at both ends of the walk.
  EXPECT_NEAR(footDistances(0.0, step)[1], 0.0, 1e-12);
  EXPECT_NEAR(footDistances(6.1, step)[0], footDistances(6.1, step)[1], 1e-12);
}

TEST(Gait, WalkerLegsFollowTheBodyThenRestSideBySide)
{
  const Walker walker(straightWalk(1.2), 60.0);
  for (double t = 0.0; t < 5.0; t += 0.04) {
    const auto body = walker.state(t);
    const auto legs = walker.legs(t);
    EXPECT_NEAR(body.x, 1.2 * t, 1e-9);
    EXPECT_NEAR(body.vx, 1.2, 1e-12);
    EXPECT_NEAR(0.5 * (legs[0].x() + legs[1].x()), body.x, 1e-9);
    EXPECT_NEAR(legs[0].y(), 0.1, 1e-12);  // left of the walking direction
    EXPECT_NEAR(legs[1].y(), -0.1, 1e-12);
    EXPECT_LE(std::abs(legs[0].x() - legs[1].x()), 0.6 + 1e-9);
  }
  // Arrived at 5 s: standing at the end with both legs beside each other, not moving.
  for (double t : {5.0, 7.0, 30.0}) {
    const auto legs = walker.legs(t);
    EXPECT_NEAR(legs[0].x(), 6.0, 1e-9);
    EXPECT_NEAR(legs[1].x(), 6.0, 1e-9);
    EXPECT_DOUBLE_EQ(walker.state(t).vx, 0.0);
    EXPECT_TRUE(walker.present(t));
  }
}

TEST(Gait, PausesLoopsAndLeaving)
{
  WalkerScript script = straightWalk(1.0);
  script.waypoints.push_back(V(6.0, 3.0));
  script.pauses = {0.0, 4.0};
  script.start_time = 2.0;
  script.end = WalkerScript::End::Leave;
  const Walker leaver(script, 60.0);
  EXPECT_FALSE(leaver.present(1.9));
  EXPECT_TRUE(leaver.present(2.0));
  // Reaches (6, 0) at 8 s, stands until 12 s with its legs still, then turns north.
  const auto legs_at_rest = leaver.legs(9.0);
  EXPECT_EQ(leaver.legs(11.9)[0], legs_at_rest[0]);
  EXPECT_EQ(leaver.legs(11.9)[1], legs_at_rest[1]);
  EXPECT_NEAR(legs_at_rest[0].x(), 6.0, 1e-9);
  EXPECT_DOUBLE_EQ(leaver.state(10.0).vx, 0.0);
  EXPECT_NEAR(leaver.state(13.0).y, 1.0, 1e-9);
  EXPECT_NEAR(leaver.state(13.0).vy, 1.0, 1e-12);
  EXPECT_TRUE(leaver.present(14.9));
  EXPECT_FALSE(leaver.present(15.1));

  script.loop = true;
  script.pauses = {};
  script.start_time = 0.0;
  const Walker looper(script, 60.0);  // lap of 6 + 3 + sqrt(45) m at 1 m/s
  const double lap = 9.0 + std::sqrt(45.0);
  EXPECT_TRUE(looper.present(100.0));
  EXPECT_NEAR(looper.state(lap + 1.0).x, 1.0, 1e-9);
  EXPECT_NEAR(looper.state(2.0 * lap + 3.0).x, 3.0, 1e-9);
}

TEST(Gait, BadScriptsAreRefused)
{
  WalkerScript script = straightWalk(0.0);
  EXPECT_THROW(Walker(script, 10.0), std::invalid_argument);
  script = straightWalk(1.0);
  script.waypoints[1].x() = std::nan("");
  EXPECT_THROW(Walker(script, 10.0), std::invalid_argument);
  script = straightWalk(1.0);
  script.pauses = {-1.0};
  EXPECT_THROW(Walker(script, 10.0), std::invalid_argument);
  script.waypoints.clear();
  EXPECT_THROW(Walker(script, 10.0), std::invalid_argument);
  // A loop that goes nowhere ends instead of spinning forever.
  script = straightWalk(1.0);
  script.waypoints = {V(1.0, 1.0), V(1.0, 1.0)};
  script.loop = true;
  const Walker still(script, 10.0);
  EXPECT_NEAR(still.state(5.0).x, 1.0, 1e-12);
}

}  // namespace
}  // namespace quillon_tools
