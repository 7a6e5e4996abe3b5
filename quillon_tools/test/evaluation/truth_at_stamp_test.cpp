#include <gtest/gtest.h>

#include <cmath>

#include "evaluation_builders.hpp"
#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/evaluation/truth_at_stamp.hpp"

namespace quillon_tools
{
namespace
{

using test::MS;
using test::person;
using test::truthFrame;

TEST(TruthAtStamp, TakesTheNearestFrameAndAdvancesItToTheStamp)
{
  GroundTruth truth;
  truth.frames = {
    truthFrame(1000 * MS, {person(1, 0.0, 0.0, 1.0, -2.0)}, {0.0, 0.0, 0.0}, 0.5),
    truthFrame(1100 * MS, {person(1, 5.0, 5.0)})};
  truth.frames[0].robot_vx = 0.2;
  truth.frames[0].robot_vy = -0.4;

  const auto early = truthAtStamp(truth, 1040 * MS);
  ASSERT_TRUE(early.has_value());
  EXPECT_EQ(early->stamp_ns, 1040 * MS);
  EXPECT_NEAR(early->people[0].x, 0.04, 1e-12);
  EXPECT_NEAR(early->people[0].y, -0.08, 1e-12);
  EXPECT_NEAR(early->robot.x, 0.008, 1e-12);
  EXPECT_NEAR(early->robot.y, -0.016, 1e-12);
  EXPECT_NEAR(early->robot.yaw, 0.02, 1e-12);

  // Moving backwards from a later frame works the same way; a tie goes to the earlier frame.
  const auto before = truthAtStamp(truth, 960 * MS);
  ASSERT_TRUE(before.has_value());
  EXPECT_NEAR(before->people[0].x, -0.04, 1e-12);
  EXPECT_NEAR(truthAtStamp(truth, 1050 * MS)->people[0].x, 0.05, 1e-12);
  EXPECT_NEAR(truthAtStamp(truth, 1051 * MS)->people[0].x, 5.0, 1e-12);

  EXPECT_TRUE(truthAtStamp(truth, 1160 * MS).has_value());
  EXPECT_FALSE(truthAtStamp(truth, 1161 * MS).has_value());
  EXPECT_FALSE(truthAtStamp(truth, 939 * MS).has_value());
  EXPECT_TRUE(truthAtStamp(truth, 1170 * MS, 70 * MS).has_value());
  EXPECT_FALSE(truthAtStamp(GroundTruth{}, 0).has_value());
}

TEST(FrameConversion, ScannerPointsRoundTripThroughOdom)
{
  GroundTruth truth;
  truth.mounts["base_scan_02"] = {-0.3, 0.2, 3.0};
  const Pose2D robot{2.0, -1.0, -0.7};
  const auto scanner = outputFramePose(truth, robot, "base_scan_02");
  ASSERT_TRUE(scanner.has_value());
  EXPECT_FALSE(outputFramePose(truth, robot, "laser").has_value());
  EXPECT_DOUBLE_EQ(outputFramePose(truth, robot, "base_footprint")->yaw, -0.7);

  // The mount origin seen from odom is the robot pose applied to the mount offset.
  const PlanarVector origin = pointFromFrame(*scanner, {0.0, 0.0});
  EXPECT_NEAR(origin.x, 2.0 + std::cos(-0.7) * -0.3 - std::sin(-0.7) * 0.2, 1e-12);
  EXPECT_NEAR(origin.y, -1.0 + std::sin(-0.7) * -0.3 + std::cos(-0.7) * 0.2, 1e-12);
  const PlanarVector back = pointIntoFrame(*scanner, pointFromFrame(*scanner, {1.5, -2.5}));
  EXPECT_NEAR(back.x, 1.5, 1e-12);
  EXPECT_NEAR(back.y, -2.5, 1e-12);
}

}  // namespace
}  // namespace quillon_tools
