#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "geometry_msgs/msg/point_stamped.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "tf2_geometry_msgs/tf2_geometry_msgs.hpp"
#include "tf2_golden.hpp"
#include "tf2_ros/buffer.h"
#include "tf2_scene.hpp"

using ros2_compat::testing::ConsoleOutput;
using ros2_compat::testing::LogCapture;
using tf2_golden::at;
using tf2_golden::golden;
using tf2_golden::outcome;
using tf2_scene::transform;

namespace
{

const std::string kThreadingErrorLine = tf2_golden::goldenConsoleLines().at(0);

class BufferTest : public ::testing::Test
{
protected:
  static void SetUpTestSuite() { rclcpp::init(0, nullptr); }
  static void TearDownTestSuite() { rclcpp::shutdown(); }

  void SetUp() override { tf2_scene::fillGoldenScene(buffer_); }

  std::string threadingErrorLines() const
  {
    std::string lines;
    for (const std::string & line : log_.lines()) {
      lines += tf2_golden::withoutStamp(line) + "\n";
    }
    return lines;
  }

  LogCapture log_{ConsoleOutput::Suppress};
  tf2_ros::Buffer buffer_{std::make_shared<rclcpp::Clock>(RCL_ROS_TIME)};
};

std::string canTransformOutcome(bool ok, const std::string & err)
{
  return std::to_string(ok) + " err=[" + err + "]";
}

// "... canTransform returned after <elapsed> timeout was 0.3." with the elapsed seconds.
double elapsedIn(const std::string & err)
{
  const std::smatch match = [&err] {
    std::smatch m;
    std::regex_search(err, m, std::regex("returned after ([0-9.e-]+) timeout"));
    return m;
  }();
  return match.empty() ? -1.0 : std::stod(match[1]);
}

}  // namespace

TEST(Buffer, RefusesANullClock)
{
  try {
    tf2_ros::Buffer buffer(nullptr);
    FAIL() << "no exception";
  } catch (const std::invalid_argument & e) {
    EXPECT_STREQ("clock must be a valid instance", e.what());
  }
}

TEST_F(BufferTest, TimeoutFormsWithoutADedicatedThreadLogTheThreadingError)
{
  EXPECT_EQ("isUsingDedicatedThread default=0", tf2_golden::transcriptLines().at(0));
  EXPECT_FALSE(buffer_.isUsingDedicatedThread());

  // The rclcpp::Time form has a zero default timeout, and still checks for the thread.
  EXPECT_EQ(golden("disconnected rclcpp"), outcome([&] {
              return buffer_.lookupTransform("map", "other", rclcpp::Time(0, 0, RCL_ROS_TIME));
            }));
  EXPECT_EQ(golden("future via map rclcpp::Time"), outcome([&] {
              return buffer_.lookupTransform(
                "map", "laser_front", rclcpp::Time(12, 0, RCL_ROS_TIME));
            }));
  std::string err;
  const bool ok =
    buffer_.canTransform("map", "nonexistent", tf2::TimePointZero, tf2::durationFromSec(0.1), &err);
  EXPECT_EQ(
    golden("canTransform(timeout 0.1, no dedicated thread) unknown"), canTransformOutcome(ok, err));
  EXPECT_EQ(golden("result", 1), outcome([&] {
              return buffer_.lookupTransform(
                "map", "base_link", tf2::TimePointZero, tf2::Duration(0));
            }));
  // A builtin_interfaces stamp binds to the rclcpp::Time form, a tf2::Duration timeout converts.
  builtin_interfaces::msg::Time stamp;
  stamp.sec = 10;
  stamp.nanosec = 500000000;
  EXPECT_EQ(golden("result", 2), outcome([&] {
              return buffer_.lookupTransform("map", "base_link", stamp, tf2::durationFromSec(0.0));
            }));

  tf2_scene::useStaticLasers(buffer_);
  geometry_msgs::msg::PointStamped point;
  point.header.frame_id = "laser_front";
  point.point.x = 1.0;
  const auto out = buffer_.transform(point, "base_link");
  EXPECT_EQ(
    tf2_golden::transcriptLines().back(),
    "  transform() out frame=" + out.header.frame_id + " stamp=" +
      std::to_string(out.header.stamp.sec) + "." + std::to_string(out.header.stamp.nanosec) +
      " pt=(" + tf2_golden::number(out.point.x) + "," + tf2_golden::number(out.point.y) + ")");

  std::string expected;
  for (int i = 0; i < 6; ++i) {
    expected += kThreadingErrorLine + "\n";
  }
  EXPECT_EQ(expected, threadingErrorLines());
}

TEST_F(BufferTest, WaitsForTheTimeoutWithADedicatedThread)
{
  buffer_.setUsingDedicatedThread(true);
  std::string err;
  EXPECT_FALSE(buffer_.canTransform(
    "map", "nonexistent", tf2::TimePointZero, tf2::durationFromSec(0.3), &err));
  std::string expected_err = golden("canTransform(timeout 0.3, dedicated) unknown");
  expected_err = expected_err.substr(expected_err.find("err=[") + 5);
  expected_err.pop_back();
  const double elapsed = elapsedIn(err);
  char elapsed_text[32];
  std::snprintf(elapsed_text, sizeof(elapsed_text), "%g", elapsed);
  EXPECT_EQ(std::regex_replace(expected_err, std::regex("<elapsed>"), elapsed_text), err);
  EXPECT_GE(elapsed, 0.3);

  EXPECT_EQ(golden("lookup timeout 0.3 unknown (dedicated)"), outcome([&] {
              return buffer_.lookupTransform(
                "odom", "nonexistent", tf2::TimePointZero, tf2::durationFromSec(0.3));
            }));
  EXPECT_EQ(golden("lookup timeout 0.3 future (dedicated)"), outcome([&] {
              return buffer_.lookupTransform(
                "odom", "base_link", at(11.125), tf2::durationFromSec(0.3));
            }));
  // A successful wait reports its duration too.
  err.clear();
  EXPECT_TRUE(buffer_.canTransform("map", "odom", at(1.0), tf2::durationFromSec(0.3), &err));
  EXPECT_EQ(0u, err.find(". canTransform returned after ")) << err;
  EXPECT_TRUE(log_.lines().empty());
}

TEST_F(BufferTest, ReturnsOnceAnotherThreadAddsTheData)
{
  buffer_.setUsingDedicatedThread(true);
  buffer_.setTransform(transform("base_link", "late", 10.0, 1.0, 2.0), "test");
  std::thread publisher([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    buffer_.setTransform(transform("base_link", "late", 10.5, 1.0, 2.0), "test");
  });
  // 10.5 s is in the future of "late" until the other thread adds it; the timeout is generous.
  EXPECT_EQ(golden("result", 3), outcome([&] {
              return buffer_.lookupTransform("map", "late", at(10.5), tf2::durationFromSec(30.0));
            }));
  publisher.join();
}

TEST_F(BufferTest, WaitsOnTheBuffersClock)
{
  // A paused ROS clock: the timeout never passes, only new data ends the wait.
  auto paused = std::make_shared<rclcpp::Clock>(RCL_ROS_TIME);
  ASSERT_EQ(RCL_RET_OK, rcl_enable_ros_time_override(paused->get_clock_handle()));
  ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(paused->get_clock_handle(), 1000000000));
  tf2_ros::Buffer buffer(paused);
  buffer.setUsingDedicatedThread(true);
  std::thread publisher([&buffer] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    buffer.setTransform(transform("map", "robot", 1.0, 1.0, 0.0), "test");
  });
  EXPECT_TRUE(buffer.canTransform("map", "robot", at(1.0), tf2::durationFromSec(0.05)));
  publisher.join();
}

TEST_F(BufferTest, ClearsWhenTheClockJumpsBackOrChangesSource)
{
  auto clock = std::make_shared<rclcpp::Clock>(RCL_ROS_TIME);
  tf2_ros::Buffer buffer(clock);
  auto fill = [&buffer] {
    tf2_scene::fillGoldenScene(buffer);
    return buffer.canTransform("odom", "base_link", at(10.25));
  };
  rcl_clock_t * handle = clock->get_clock_handle();

  ASSERT_TRUE(fill());
  ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(handle, 50000000000));
  ASSERT_EQ(RCL_RET_OK, rcl_enable_ros_time_override(handle));
  EXPECT_FALSE(buffer.canTransform("odom", "base_link", at(10.25)));
  EXPECT_TRUE(buffer.canTransform("map", "odom", at(10.25)));  // static transforms stay

  ASSERT_TRUE(fill());
  ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(handle, 60000000000));  // forward: kept
  EXPECT_TRUE(buffer.canTransform("odom", "base_link", at(10.25)));
  ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(handle, 59000000000));
  EXPECT_FALSE(buffer.canTransform("odom", "base_link", at(10.25)));

  ASSERT_TRUE(fill());
  ASSERT_EQ(RCL_RET_OK, rcl_disable_ros_time_override(handle));
  EXPECT_FALSE(buffer.canTransform("odom", "base_link", at(10.25)));

  const std::vector<std::string> expected = {
    "Detected time source change. Clearing TF buffer.",
    "Detected jump back in time. Clearing TF buffer.",
    "Detected time source change. Clearing TF buffer."};
  EXPECT_EQ(expected, log_.messages());
  for (const auto & record : log_.records()) {
    EXPECT_EQ(RCUTILS_LOG_SEVERITY_WARN, record.severity);
    EXPECT_EQ("tf2_buffer", record.logger);
  }
}

TEST_F(BufferTest, ConvertsBetweenTf2RclcppAndMessageTimes)
{
  builtin_interfaces::msg::Time stamp;
  stamp.sec = 1700000000;
  stamp.nanosec = 123456789;
  const tf2::TimePoint point = tf2_ros::fromMsg(stamp);
  EXPECT_EQ(1700000000123456789, point.time_since_epoch().count());
  EXPECT_EQ(stamp, tf2_ros::toMsg(point));
  EXPECT_DOUBLE_EQ(1700000000.123456789, tf2_ros::timeToSec(stamp));

  const rclcpp::Time ros_time = tf2_ros::toRclcpp(point);
  EXPECT_EQ(RCL_SYSTEM_TIME, ros_time.get_clock_type());
  EXPECT_EQ(point, tf2_ros::fromRclcpp(rclcpp::Time(stamp)));
  EXPECT_EQ(-1500000000, tf2_ros::fromRclcpp(rclcpp::Duration::from_seconds(-1.5)).count());
  EXPECT_EQ(250000000, tf2_ros::toRclcpp(tf2::durationFromSec(0.25)).nanoseconds());
  builtin_interfaces::msg::Duration duration;
  duration.sec = 2;
  duration.nanosec = 5;
  EXPECT_EQ(2000000005, tf2_ros::fromMsg(duration).count());
  EXPECT_EQ(duration, tf2_ros::toMsg(tf2::Duration(2000000005)));
}
