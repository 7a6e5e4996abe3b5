// rclcpp::Time and rclcpp::Duration against what a running Humble printed (time_errors.txt).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "logging_test_helpers.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/duration.hpp"
#include "rclcpp/time.hpp"

namespace
{

// "label: no exception" or "label: EXC std::runtime_error | what()=<text>", as in the golden file.
std::string outcome(const std::string & label, const std::function<void()> & action)
{
  try {
    action();
  } catch (const std::runtime_error & error) {
    return label + ": EXC std::runtime_error | what()=" + error.what();
  } catch (const std::exception & error) {
    return label + ": EXC other | what()=" + error.what();
  }
  return label + ": no exception";
}

std::string g17(double value)
{
  char text[40];
  std::snprintf(text, sizeof(text), "%.17g", value);
  return text;
}

builtin_interfaces::msg::Time stamp_message(int32_t sec, uint32_t nanosec)
{
  builtin_interfaces::msg::Time msg;
  msg.sec = sec;
  msg.nanosec = nanosec;
  return msg;
}

}  // namespace

TEST(TimeTest, ReproducesEveryLineOfTheHumbleTranscript)
{
  const rclcpp::Time ros(0, 0, RCL_ROS_TIME);
  const rclcpp::Time system(0, 0, RCL_SYSTEM_TIME);
  const rclcpp::Time steady(0, 0, RCL_STEADY_TIME);
  // A node clock without use_sim_time behaves as a standalone ROS clock.
  rclcpp::Clock node_clock(RCL_ROS_TIME);
  std::vector<std::string> lines;
  lines.push_back(
    outcome("Clock(ROS) before init now()", [] { rclcpp::Clock(RCL_ROS_TIME).now(); }));
  lines.push_back(outcome("Time(builtin sec=-1)", [] { rclcpp::Time t(stamp_message(-1, 0)); }));
  lines.push_back(outcome("Time(-1,0)", [] { rclcpp::Time t(-1, 0); }));
  lines.push_back(outcome("Time(int64 -5)", [] { rclcpp::Time t(int64_t(-5)); }));
  lines.push_back(outcome("ROS - SYSTEM", [&] { ros - system; }));
  lines.push_back(outcome("SYSTEM - ROS", [&] { system - ros; }));
  lines.push_back(outcome("ROS - STEADY", [&] { ros - steady; }));
  lines.push_back(outcome("ROS < SYSTEM", [&] { static_cast<void>(ros < system); }));
  lines.push_back(outcome("ROS == SYSTEM", [&] { static_cast<void>(ros == system); }));
  lines.push_back(outcome("ROS + Duration type", [&] { ros + rclcpp::Duration(1, 0); }));
  lines.push_back(outcome("Time() type", [] { rclcpp::Time(); }));
  lines.push_back(
    "  Time(1700000000,123456789).seconds()=" + g17(rclcpp::Time(1700000000, 123456789).seconds()) +
    " nanoseconds()=" + std::to_string(rclcpp::Time(1700000000, 123456789).nanoseconds()));
  lines.push_back(
    "  Time(1234567891234567891ns).seconds()=" +
    g17(rclcpp::Time(int64_t(1234567891234567891)).seconds()));
  lines.push_back(
    "  Duration(0,1).seconds()=" + g17(rclcpp::Duration(0, 1).seconds()) +
    " Duration::from_seconds(0.1234567899).nanoseconds()=" +
    std::to_string(rclcpp::Duration::from_seconds(0.1234567899).nanoseconds()));
  lines.push_back(
    "  Duration::from_seconds(-1.5).nanoseconds()=" +
    std::to_string(rclcpp::Duration::from_seconds(-1.5).nanoseconds()) +
    " Duration(-1,500000000).seconds()=" + g17(rclcpp::Duration(-1, 500000000).seconds()));
  lines.push_back(
    "  Time(1,1500000000).nanoseconds()=" +
    std::to_string(rclcpp::Time(1, 1500000000).nanoseconds()));
  const builtin_interfaces::msg::Duration negative =
    rclcpp::Duration(std::chrono::milliseconds(-1500));
  lines.push_back(
    "  Duration(-1.5s) to builtin: sec=" + std::to_string(negative.sec) +
    " nanosec=" + std::to_string(negative.nanosec));
  lines.push_back(outcome("seconds()", [] { rclcpp::Time(5, 0).seconds(); }));
  lines.push_back(outcome("node->now() - Time(msg stamp)", [&] {
    node_clock.now() - rclcpp::Time(stamp_message(1700000000, 0));
  }));
  lines.push_back(outcome("node->now() - Time()", [&] { node_clock.now() - rclcpp::Time(); }));

  EXPECT_EQ(
    time_logging_test::read_lines(time_logging_test::golden_console_file("time_errors.txt")),
    lines);
}

TEST(TimeTest, ClockTypesFollowTheConstructors)
{
  EXPECT_EQ(RCL_SYSTEM_TIME, rclcpp::Time().get_clock_type());
  EXPECT_EQ(RCL_SYSTEM_TIME, rclcpp::Time(5, 0).get_clock_type());
  EXPECT_EQ(RCL_ROS_TIME, rclcpp::Time(stamp_message(5, 0)).get_clock_type());
  EXPECT_EQ(
    RCL_ROS_TIME, (rclcpp::Time(0, 0, RCL_ROS_TIME) + rclcpp::Duration(1, 0)).get_clock_type());
  EXPECT_EQ(
    RCL_ROS_TIME, (rclcpp::Duration(1, 0) + rclcpp::Time(0, 0, RCL_ROS_TIME)).get_clock_type());
  rcl_time_point_t point;
  point.nanoseconds = 7;
  point.clock_type = RCL_STEADY_TIME;
  EXPECT_EQ(RCL_STEADY_TIME, rclcpp::Time(point).get_clock_type());

  rclcpp::Time assigned(1, 0, RCL_SYSTEM_TIME);
  assigned = stamp_message(3, 4);
  EXPECT_EQ(RCL_ROS_TIME, assigned.get_clock_type());
  EXPECT_EQ(3000000004, assigned.nanoseconds());

  builtin_interfaces::msg::Time stamp = rclcpp::Time(int64_t(2500000001));
  EXPECT_EQ(2, stamp.sec);
  EXPECT_EQ(500000001u, stamp.nanosec);
  stamp = rclcpp::Time(int64_t(-1));
  EXPECT_EQ(-1, stamp.sec);
  EXPECT_EQ(999999999u, stamp.nanosec);

  const builtin_interfaces::msg::Time latest = rclcpp::Time::max();
  EXPECT_EQ(std::numeric_limits<int32_t>::max(), latest.sec);
  EXPECT_EQ(999999999u, latest.nanosec);
}

TEST(TimeTest, ArithmeticAndComparisonsWithinOneClockType)
{
  rclcpp::Time t(10, 0, RCL_ROS_TIME);
  EXPECT_EQ(rclcpp::Duration(2, 500000000), rclcpp::Time(12, 500000000, RCL_ROS_TIME) - t);
  EXPECT_EQ(9500000000, (t - rclcpp::Duration::from_seconds(0.5)).nanoseconds());
  t += rclcpp::Duration(1, 0);
  t -= rclcpp::Duration(0, 250000000);
  EXPECT_EQ(10750000000, t.nanoseconds());
  EXPECT_TRUE(t > rclcpp::Time(10, 0, RCL_ROS_TIME));
  EXPECT_TRUE(t != rclcpp::Time(10, 0, RCL_ROS_TIME));
  EXPECT_TRUE(rclcpp::Time(1, 0, RCL_ROS_TIME) <= rclcpp::Time(1, 0, RCL_ROS_TIME));

  const rclcpp::Time latest(std::numeric_limits<int64_t>::max());
  const rclcpp::Time earliest(std::numeric_limits<int64_t>::min());
  EXPECT_THROW(latest + rclcpp::Duration(0, 1), std::overflow_error);
  EXPECT_THROW(earliest - rclcpp::Duration(0, 1), std::underflow_error);
  EXPECT_THROW(latest - rclcpp::Time(int64_t(-1)), std::overflow_error);
  try {
    earliest + rclcpp::Duration::from_nanoseconds(-1);
    FAIL() << "no underflow";
  } catch (const std::underflow_error & error) {
    EXPECT_STREQ("addition leads to int64_t underflow", error.what());
  }
  try {
    earliest - rclcpp::Time(int64_t(1));
    FAIL() << "no underflow";
  } catch (const std::underflow_error & error) {
    EXPECT_STREQ("time subtraction leads to int64_t underflow", error.what());
  }
}

TEST(DurationTest, ConversionsAndArithmetic)
{
  // Implicit from std::chrono, truncated to nanoseconds.
  const rclcpp::Duration from_chrono = std::chrono::milliseconds(250);
  EXPECT_EQ(250000000, from_chrono.nanoseconds());
  EXPECT_EQ(
    1500, rclcpp::Duration(std::chrono::duration<double>(1.5))
            .to_chrono<std::chrono::milliseconds>()
            .count());
  EXPECT_EQ(123456789, rclcpp::Duration::from_seconds(0.1234567899).nanoseconds());
  EXPECT_EQ(-1500000000, rclcpp::Duration::from_seconds(-1.5).nanoseconds());

  builtin_interfaces::msg::Duration msg;
  msg.sec = -2;
  msg.nanosec = 500000000;
  EXPECT_EQ(-1500000000, rclcpp::Duration(msg).nanoseconds());
  const builtin_interfaces::msg::Duration huge =
    rclcpp::Duration::from_nanoseconds(std::numeric_limits<int64_t>::max());
  EXPECT_EQ(std::numeric_limits<int32_t>::max(), huge.sec);
  EXPECT_EQ(std::numeric_limits<uint32_t>::max(), huge.nanosec);

  rclcpp::Duration d(1, 0);
  d += rclcpp::Duration(0, 500000000);
  d -= rclcpp::Duration(0, 250000000);
  d *= 2.0;
  EXPECT_EQ(2500000000, d.nanoseconds());
  EXPECT_TRUE(rclcpp::Duration(1, 0) < rclcpp::Duration(1, 1));
  EXPECT_THROW(rclcpp::Duration::max() * 1e12, std::overflow_error);
  EXPECT_THROW(rclcpp::Duration::max() * -1e12, std::underflow_error);
  EXPECT_THROW(d * std::numeric_limits<double>::infinity(), std::runtime_error);
  const auto latest = rclcpp::Duration::from_nanoseconds(std::numeric_limits<int64_t>::max());
  EXPECT_THROW(latest + rclcpp::Duration(0, 1), std::overflow_error);
  try {
    latest - rclcpp::Duration::from_nanoseconds(-1);
    FAIL() << "no overflow";
  } catch (const std::overflow_error & error) {
    EXPECT_STREQ("duration subtraction leads to int64_t overflow", error.what());
  }
}
