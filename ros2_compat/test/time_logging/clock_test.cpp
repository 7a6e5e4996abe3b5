// rclcpp::Clock: what each clock type reads, the ROS-time override and time jump callbacks.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "rcl/time.h"
#include "rclcpp/clock.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "ros2_compat/testing/time_control.hpp"

namespace
{

using ros2_compat::testing::ScopedFakeSystemTime;

constexpr int64_t kSystemStart = 1700000000123456789;

void enable_override(rclcpp::Clock & clock, int64_t nanoseconds)
{
  ASSERT_EQ(RCL_RET_OK, rcl_enable_ros_time_override(clock.get_clock_handle()));
  ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(clock.get_clock_handle(), nanoseconds));
}

rcl_jump_threshold_t threshold(bool on_clock_change, int64_t min_forward, int64_t min_backward)
{
  rcl_jump_threshold_t result;
  result.on_clock_change = on_clock_change;
  result.min_forward.nanoseconds = min_forward;
  result.min_backward.nanoseconds = min_backward;
  return result;
}

// Records "pre" and "post:<change>:<delta>" for each callback run.
struct JumpLog
{
  std::vector<std::string> events;

  rclcpp::JumpHandler::SharedPtr attach(rclcpp::Clock & clock, const rcl_jump_threshold_t & limits)
  {
    return clock.create_jump_callback(
      [this] { events.push_back("pre"); },
      [this](const rcl_time_jump_t & jump) {
        events.push_back(
          "post:" + std::to_string(jump.clock_change) + ":" +
          std::to_string(jump.delta.nanoseconds));
      },
      limits);
  }
};

}  // namespace

TEST(ClockTest, EachClockTypeReadsItsSource)
{
  ScopedFakeSystemTime fake(kSystemStart);
  rclcpp::Clock system;
  rclcpp::Clock ros(RCL_ROS_TIME);
  rclcpp::Clock steady(RCL_STEADY_TIME);
  EXPECT_EQ(RCL_SYSTEM_TIME, system.get_clock_type());
  EXPECT_EQ(RCL_SYSTEM_TIME, system.now().get_clock_type());
  EXPECT_EQ(kSystemStart, system.now().nanoseconds());
  EXPECT_EQ(RCL_ROS_TIME, ros.now().get_clock_type());
  EXPECT_EQ(kSystemStart, ros.now().nanoseconds());
  EXPECT_FALSE(ros.ros_time_is_active());

  const rclcpp::Time steady_before = steady.now();
  ros2_compat::testing::advance_system_time(-1000000000);
  EXPECT_EQ(kSystemStart - 1000000000, system.now().nanoseconds());
  EXPECT_GE(steady.now(), steady_before);  // a fake wall clock does not move steady time

  EXPECT_THROW(system.ros_time_is_active(), std::runtime_error);
}

TEST(ClockTest, UninitializedClockCannotTellTheTime)
{
  rclcpp::Clock clock(RCL_CLOCK_UNINITIALIZED);
  try {
    clock.now();
    FAIL() << "now() did not throw";
  } catch (const std::runtime_error & error) {
    EXPECT_STREQ(
      "could not get current time stamp: "
      "Clock is not initialized or does not have get_now registered.",
      error.what());
  }
  ros2_compat::testing::LogCapture log(ros2_compat::testing::ConsoleOutput::Suppress);
  EXPECT_FALSE(clock.ros_time_is_active());
  EXPECT_EQ(1u, log.count("[ERROR]"));
  EXPECT_EQ(1u, log.count("[]: ROS time not valid!"));
}

TEST(ClockTest, RosTimeOverrideIsSharedByCopiesAndRestoredOnDisable)
{
  ScopedFakeSystemTime fake(kSystemStart);
  auto clock = rclcpp::Clock::make_shared(RCL_ROS_TIME);
  rclcpp::Clock copy = *clock;
  rclcpp::Clock unrelated(RCL_ROS_TIME);
  enable_override(*clock, 42000000005);
  EXPECT_TRUE(copy.ros_time_is_active());
  EXPECT_EQ(42000000005, copy.now().nanoseconds());
  EXPECT_EQ(kSystemStart, unrelated.now().nanoseconds());

  bool enabled = false;
  ASSERT_EQ(RCL_RET_OK, rcl_is_enabled_ros_time_override(clock->get_clock_handle(), &enabled));
  EXPECT_TRUE(enabled);
  ASSERT_EQ(RCL_RET_OK, rcl_disable_ros_time_override(clock->get_clock_handle()));
  EXPECT_EQ(kSystemStart, clock->now().nanoseconds());

  rclcpp::Clock system(RCL_SYSTEM_TIME);
  EXPECT_EQ(RCL_RET_ERROR, rcl_enable_ros_time_override(system.get_clock_handle()));
  EXPECT_EQ(RCL_RET_ERROR, rcl_set_ros_time_override(system.get_clock_handle(), 1));
  EXPECT_EQ(RCL_RET_INVALID_ARGUMENT, rcl_enable_ros_time_override(nullptr));
  EXPECT_EQ(kSystemStart, system.now().nanoseconds());
}

TEST(ClockTest, JumpCallbacksFireForTheJumpsTheirThresholdSelects)
{
  rclcpp::Clock clock(RCL_ROS_TIME);
  JumpLog backward;
  JumpLog changes;
  JumpLog forward_one_second;
  auto backward_handler = backward.attach(clock, threshold(false, 0, -1));
  auto change_handler = changes.attach(clock, threshold(true, 0, 0));
  auto forward_handler = forward_one_second.attach(clock, threshold(false, 1000000000, 0));

  enable_override(clock, 5000000000);  // activation, then a jump 0 -> 5 s
  ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(clock.get_clock_handle(), 5500000000));
  ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(clock.get_clock_handle(), 4000000000));
  ASSERT_EQ(RCL_RET_OK, rcl_disable_ros_time_override(clock.get_clock_handle()));

  const std::string activated = std::to_string(RCL_ROS_TIME_ACTIVATED);
  const std::string deactivated = std::to_string(RCL_ROS_TIME_DEACTIVATED);
  const std::string no_change = std::to_string(RCL_ROS_TIME_NO_CHANGE);
  EXPECT_EQ(
    (std::vector<std::string>{"pre", "post:" + no_change + ":-1500000000"}), backward.events);
  EXPECT_EQ(
    (std::vector<std::string>{
      "pre", "post:" + activated + ":0", "pre", "post:" + deactivated + ":0"}),
    changes.events);
  EXPECT_EQ(
    (std::vector<std::string>{"pre", "post:" + no_change + ":5000000000"}),
    forward_one_second.events);

  // Releasing a handler unregisters it.
  backward_handler.reset();
  enable_override(clock, 1);
  EXPECT_EQ(2u, backward.events.size());

  EXPECT_THROW(backward.attach(clock, threshold(false, -1, 0)), std::invalid_argument);
  EXPECT_THROW(backward.attach(clock, threshold(false, 0, 1)), std::invalid_argument);
}

TEST(ClockTest, JumpHandlerMayOutliveItsClock)
{
  JumpLog log;
  rclcpp::JumpHandler::SharedPtr handler;
  {
    rclcpp::Clock clock(RCL_ROS_TIME);
    handler = log.attach(clock, threshold(true, 0, 0));
  }
  handler.reset();  // must not touch the destroyed clock
  EXPECT_TRUE(log.events.empty());
}

TEST(SystemTimeControlTest, FakeTimeIsSetAdvancedAndRestored)
{
  rclcpp::Clock clock;
  {
    ScopedFakeSystemTime outer(100);
    ros2_compat::testing::advance_system_time(50);
    EXPECT_EQ(150, clock.now().nanoseconds());
    {
      ScopedFakeSystemTime inner(7);
      EXPECT_EQ(7, clock.now().nanoseconds());
    }
    EXPECT_EQ(150, clock.now().nanoseconds());
    ros2_compat::testing::use_real_system_time();
    EXPECT_GT(clock.now().nanoseconds(), kSystemStart);
    ros2_compat::testing::set_system_time(9);
    EXPECT_EQ(9, clock.now().nanoseconds());
  }
  EXPECT_GT(clock.now().nanoseconds(), kSystemStart);  // real time again
}
