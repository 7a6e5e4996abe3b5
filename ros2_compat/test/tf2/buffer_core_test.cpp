#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>

#include "tf2/LinearMath/Matrix3x3.h"
#include "tf2/buffer_core.h"
#include "tf2_golden.hpp"
#include "tf2_scene.hpp"

using tf2_golden::at;
using tf2_golden::golden;
using tf2_golden::outcome;
using tf2_scene::transform;

namespace
{

class BufferCoreTest : public ::testing::Test
{
protected:
  void SetUp() override { tf2_scene::fillGoldenScene(core_); }

  std::string lookup(const std::string & target, const std::string & source, tf2::TimePoint time)
  {
    return outcome([&] { return core_.lookupTransform(target, source, time); });
  }

  std::string canTransform(
    const std::string & target, const std::string & source, tf2::TimePoint time)
  {
    std::string err;
    const bool ok = core_.canTransform(target, source, time, &err);
    return std::to_string(ok) + " err=[" + err + "]";
  }

  tf2::BufferCore core_;
};

double yawOf(const geometry_msgs::msg::TransformStamped & t)
{
  const auto & r = t.transform.rotation;
  double roll, pitch, yaw;
  tf2::Matrix3x3(tf2::Quaternion(r.x, r.y, r.z, r.w)).getRPY(roll, pitch, yaw);
  return yaw;
}

}  // namespace

TEST_F(BufferCoreTest, ReportsUnknownAndMalformedFramesWithHumblesTexts)
{
  EXPECT_EQ(golden("unknown source"), lookup("map", "nonexistent", tf2::TimePointZero));
  EXPECT_EQ(golden("unknown target"), lookup("nonexistent", "base_link", tf2::TimePointZero));
  EXPECT_EQ(golden("unknown both"), lookup("nx1", "nx2", tf2::TimePointZero));
  EXPECT_EQ(golden("same-frame unknown"), lookup("nx1", "nx1", tf2::TimePointZero));
  EXPECT_EQ(golden("empty target"), lookup("", "base_link", tf2::TimePointZero));
  EXPECT_EQ(golden("slash target"), lookup("/map", "base_link", tf2::TimePointZero));
}

TEST_F(BufferCoreTest, ReportsDisconnectedTreesAndExtrapolation)
{
  EXPECT_EQ(golden("disconnected"), lookup("map", "other", tf2::TimePointZero));
  EXPECT_EQ(golden("past"), lookup("odom", "base_link", at(9.25)));
  EXPECT_EQ(golden("future"), lookup("odom", "base_link", at(11.125)));
  EXPECT_EQ(golden("past via map"), lookup("map", "laser_front", at(9.25)));
  EXPECT_EQ(golden("single sample"), lookup("odom", "single", at(6.0)));
}

TEST_F(BufferCoreTest, ChainsStaticAndDynamicLinksWithHumblesStamps)
{
  EXPECT_EQ(golden("interp 10.25"), lookup("odom", "base_link", at(10.25)));
  EXPECT_EQ(golden("map<-laser_front latest"), lookup("map", "laser_front", tf2::TimePointZero));

  tf2_scene::useStaticLasers(core_);
  EXPECT_EQ(golden("static TimePointZero"), lookup("base_link", "laser_front", tf2::TimePointZero));
  EXPECT_EQ(
    golden("static chain TimePointZero"), lookup("laser_rear", "laser_front", tf2::TimePointZero));
  EXPECT_EQ(golden("static at 123.5"), lookup("base_link", "laser_front", at(123.5)));
  EXPECT_EQ(golden("identity"), lookup("base_link", "base_link", at(7.0)));
  // Target below source: the inverse of map <- laser_front = (2.7, 0.1) turned left.
  const auto up = core_.lookupTransform("laser_front", "map", tf2::TimePointZero);
  EXPECT_NEAR(-0.1, up.transform.translation.x, 1e-12);
  EXPECT_NEAR(2.7, up.transform.translation.y, 1e-12);
  EXPECT_EQ(10, up.header.stamp.sec);
}

TEST_F(BufferCoreTest, CanTransformWithoutTimeoutGivesTheLookupTexts)
{
  EXPECT_EQ(
    golden("canTransform(no timeout) unknown"),
    canTransform("map", "nonexistent", tf2::TimePointZero));
  EXPECT_EQ(
    golden("canTransform(no timeout) future"), canTransform("odom", "base_link", at(11.125)));
  EXPECT_EQ(
    golden("canTransform(no timeout) disconnected"),
    canTransform("map", "other", tf2::TimePointZero));
  EXPECT_EQ(golden("canTransform(no timeout) ok"), canTransform("map", "base_link", at(10.5)));
  EXPECT_EQ(
    "0 err=[Invalid frame ID \"\" passed to canTransform argument target_frame - in tf2 frame_ids "
    "cannot be empty]",
    canTransform("", "map", tf2::TimePointZero));
  EXPECT_TRUE(core_.canTransform("nx", "nx", at(3.0)));
}

TEST_F(BufferCoreTest, InterpolatesRotationsBySlerpAndKeepsParentChanges)
{
  core_.setTransform(transform("odom", "turning", 1.0, 0.0, 0.0, 0.0), "test");
  core_.setTransform(transform("odom", "turning", 2.0, 2.0, 0.0, M_PI / 2), "test");
  const auto midway = core_.lookupTransform("odom", "turning", at(1.5));
  EXPECT_NEAR(M_PI / 4, yawOf(midway), 1e-12);
  EXPECT_NEAR(1.0, midway.transform.translation.x, 1e-12);
  EXPECT_NEAR(M_PI / 8, yawOf(core_.lookupTransform("odom", "turning", at(1.25))), 1e-12);

  // Between samples with different parents the older sample answers, without blending.
  core_.setTransform(transform("map", "turning", 3.0, 7.0, 0.0), "test");
  const auto switched = core_.lookupTransform("odom", "turning", at(2.5));
  EXPECT_NEAR(2.0, switched.transform.translation.x, 1e-12);
  EXPECT_NEAR(
    6.5, core_.lookupTransform("odom", "turning", at(3.0)).transform.translation.x, 1e-12);
}

TEST_F(BufferCoreTest, PrunesToTheCacheTimeAndRefusesOlderData)
{
  for (int second = 0; second <= 20; ++second) {
    ASSERT_TRUE(core_.setTransform(transform("odom", "walker", second, second, 0.0), "test"));
  }
  EXPECT_EQ(
    "EXC tf2::ExtrapolationException | what()=[Lookup would require extrapolation into the past."
    "  Requested time 9.500000 but the earliest data is at time 10.000000, when looking up "
    "transform from frame [walker] to frame [odom]]",
    lookup("odom", "walker", at(9.5)));
  EXPECT_NEAR(
    10.5, core_.lookupTransform("odom", "walker", at(10.5)).transform.translation.x, 1e-12);

  testing::internal::CaptureStderr();
  EXPECT_FALSE(core_.setTransform(transform("odom", "walker", 9.0, 0.0, 0.0), "old_publisher"));
  const std::string warning = testing::internal::GetCapturedStderr();
  EXPECT_EQ(
    0u, warning.find(
          "Warning: TF_OLD_DATA ignoring data from the past for frame walker at time 9.000000 "
          "according to authority old_publisher\nPossible reasons are listed at "
          "http://wiki.ros.org/tf/Errors%20explained\n         at line "))
    << warning;
  // Exactly the cache time before the newest sample is still accepted.
  EXPECT_TRUE(core_.setTransform(transform("odom", "walker", 10.0, 0.0, 0.0), "test"));
}

TEST_F(BufferCoreTest, RefusesInvalidTransformsWithAnError)
{
  auto refused = [this](const geometry_msgs::msg::TransformStamped & t) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(core_.setTransform(t, "bad_publisher"));
    return testing::internal::GetCapturedStderr();
  };
  EXPECT_EQ(
    0u,
    refused(transform("odom", "odom", 1.0, 0.0, 0.0))
      .find("Error:   TF_SELF_TRANSFORM: Ignoring transform from authority \"bad_publisher\" with "
            "frame_id and  child_frame_id \"odom\" because they are the same\n"));
  EXPECT_NE(
    std::string::npos, refused(transform("odom", "", 1.0, 0.0, 0.0))
                         .find("Error:   TF_NO_CHILD_FRAME_ID: Ignoring transform from authority "
                               "\"bad_publisher\" because "
                               "child_frame_id not set \n"));
  EXPECT_EQ(
    0u,
    refused(transform("/", "x", 1.0, 0.0, 0.0))
      .find("Error:   TF_NO_FRAME_ID: Ignoring transform with child_frame_id \"x\"  from authority "
            "\"bad_publisher\" because frame_id not set\n"));
  EXPECT_EQ(
    0u, refused(transform("odom", "x", 1.0, std::nan(""), 0.0))
          .find("Error:   TF_NAN_INPUT: Ignoring transform for child_frame_id \"x\" from authority "
                "\"bad_publisher\" because of a nan value in the transform (nan 0.000000 0.000000) "
                "(0.000000 0.000000 0.000000 1.000000)\n"));
  auto zero_rotation = transform("odom", "x", 1.0, 0.0, 0.0);
  zero_rotation.transform.rotation.w = 0.0;
  const std::string zero_errors = refused(zero_rotation);
  EXPECT_NE(std::string::npos, zero_errors.find("Error:   TF_NAN_INPUT"));
  EXPECT_NE(std::string::npos, zero_errors.find("Error:   TF_DENORMALIZED_QUATERNION"));
  EXPECT_FALSE(core_._frameExists("x"));

  // Humble stores the rotation through a 3x3 basis, which normalises a scaled quaternion.
  auto scaled = transform("/odom", "/scaled", 10.0, 1.0, 0.0, M_PI / 2);
  scaled.transform.rotation.z *= 2.0;
  scaled.transform.rotation.w *= 2.0;
  EXPECT_TRUE(core_.setTransform(scaled, "test"));
  const auto stored = core_.lookupTransform("odom", "scaled", at(10.0));
  EXPECT_NEAR(M_SQRT1_2, stored.transform.rotation.z, 1e-15);
  EXPECT_NEAR(M_SQRT1_2, stored.transform.rotation.w, 1e-15);
}

TEST_F(BufferCoreTest, ClearForgetsDynamicButKeepsStaticTransforms)
{
  core_.clear();
  EXPECT_EQ(
    "EXC tf2::ConnectivityException | what()=[Could not find a connection between 'odom' and "
    "'base_link' because they are not part of the same tree.Tf has two or more unconnected trees.]",
    lookup("odom", "base_link", tf2::TimePointZero));
  EXPECT_EQ(
    "frame_id=map child=odom stamp=0.000000000 t=(0.5,0,0) q=(0,0,0,1)",
    lookup("map", "odom", tf2::TimePointZero));
  EXPECT_TRUE(core_._frameExists("base_link"));
}

TEST_F(BufferCoreTest, ReportsALoopInTheTree)
{
  core_.setTransform(transform("loop_a", "loop_b", 10.0, 1.0, 0.0), "test");
  core_.setTransform(transform("loop_b", "loop_a", 10.0, 1.0, 0.0), "test");
  for (tf2::TimePoint time : {tf2::TimePointZero, at(10.0)}) {
    const std::string result = lookup("map", "loop_a", time);
    EXPECT_EQ(
      0u,
      result.find(
        "EXC tf2::LookupException | what()=[The tf tree is invalid because it contains a loop.\n"
        "Frame odom exists with parent map.\n"))
      << result;
    EXPECT_NE(std::string::npos, result.find("Frame loop_a exists with parent loop_b.\n"));
  }
}

TEST_F(BufferCoreTest, AnswersLookupsWhileAnotherThreadWrites)
{
  std::atomic<bool> done{false};
  std::thread writer([this, &done] {
    for (int i = 0; i < 2000; ++i) {
      core_.setTransform(transform("odom", "fast", 20.0 + i * 0.001, i, 0.0), "writer");
    }
    done = true;
  });
  while (!done) {
    // Once the frame exists every lookup of the latest data must succeed.
    std::string not_yet;
    if (core_.canTransform("map", "fast", tf2::TimePointZero, &not_yet)) {
      EXPECT_NO_THROW(core_.lookupTransform("map", "fast", tf2::TimePointZero));
    }
  }
  writer.join();
  const auto last = core_.lookupTransform("odom", "fast", tf2::TimePointZero);
  EXPECT_DOUBLE_EQ(1999.0, last.transform.translation.x);
}
