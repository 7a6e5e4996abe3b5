// use_sim_time: the node clock follows /clock on its own thread, other ROS clocks do not.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "node_test_support.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "rosgraph_msgs/msg/clock.hpp"

using rosgraph_msgs::msg::Clock;

namespace
{

Clock clock_at(int32_t sec, uint32_t nanosec)
{
  Clock msg;
  msg.clock.sec = sec;
  msg.clock.nanosec = nanosec;
  return msg;
}

int64_t system_now()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
           std::chrono::system_clock::now().time_since_epoch())
    .count();
}

// Console lines with the (system time) stamp blanked, which differs from run to run.
std::string without_stamp(const std::string & line)
{
  return std::regex_replace(line, std::regex(R"(^\[(\w+)\] \[\d+\.\d+\])"), "[$1] [stamp]");
}

std::vector<std::string> golden_lines(const std::string & name)
{
  std::ifstream file(std::string(QUILLON_GOLDEN_DIR) + "/console/" + name);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    lines.push_back(without_stamp(line));
  }
  return lines;
}

}  // namespace

class TimeSourceTest : public RclcppTest
{
};

TEST_F(TimeSourceTest, SimTimeFollowsClockWithoutAnySpinning)
{
  auto node = std::make_shared<rclcpp::Node>(
    "trailscan", rclcpp::NodeOptions().append_parameter_override("use_sim_time", true));
  EXPECT_EQ(0, node->now().nanoseconds());
  EXPECT_EQ(RCL_ROS_TIME, node->now().get_clock_type());
  EXPECT_TRUE(node->get_clock()->ros_time_is_active());

  rclcpp::Clock standalone(RCL_ROS_TIME);
  auto publisher = node->create_publisher<Clock>("/clock", rclcpp::ClockQoS());
  publisher->publish(clock_at(42, 5));
  // Nobody spins: the node's clock thread serves /clock while this thread waits.
  ASSERT_TRUE(eventually([&] { return node->now().nanoseconds() == 42000000005; }));
  EXPECT_EQ(42000000005, node->get_clock()->now().nanoseconds());

  EXPECT_FALSE(standalone.ros_time_is_active());
  const int64_t before = system_now();
  const int64_t standalone_now = standalone.now().nanoseconds();
  EXPECT_GE(standalone_now, before);
  EXPECT_LE(standalone_now, system_now());

  publisher->publish(clock_at(43, 0));
  ASSERT_TRUE(eventually([&] { return node->now().nanoseconds() == 43000000000; }));
}

TEST_F(TimeSourceTest, WithoutSimTimeTheNodeClockReadsSystemTime)
{
  auto node = std::make_shared<rclcpp::Node>("trailscan");
  EXPECT_FALSE(node->get_parameter("use_sim_time").as_bool());
  auto publisher = node->create_publisher<Clock>("/clock", rclcpp::ClockQoS());
  publisher->publish(clock_at(42, 5));
  rclcpp::spin_some(node);
  const int64_t before = system_now();
  const int64_t now = node->now().nanoseconds();
  EXPECT_GE(now, before);
  EXPECT_FALSE(node->get_clock()->ros_time_is_active());
}

TEST_F(TimeSourceTest, WithoutClockThreadTheNodesExecutorServesClock)
{
  auto node = std::make_shared<rclcpp::Node>(
    "trailscan",
    rclcpp::NodeOptions().append_parameter_override("use_sim_time", true).use_clock_thread(false));
  auto publisher = node->create_publisher<Clock>("/clock", rclcpp::ClockQoS());
  publisher->publish(clock_at(7, 0));
  EXPECT_EQ(0, node->now().nanoseconds());
  rclcpp::spin_some(node);
  EXPECT_EQ(7000000000, node->now().nanoseconds());
}

// Throttle state lives per call site for the whole process, so this holds for one run only.
TEST_F(TimeSourceTest, ThrottledLogOnTheSimClockMatchesHumble)
{
  const char * argv[] = {"trailscan", "--ros-args", "-p", "use_sim_time:=true"};
  rclcpp::shutdown();
  rclcpp::init(4, argv);
  ros2_compat::testing::LogCapture log(ros2_compat::testing::ConsoleOutput::Suppress);
  auto node = std::make_shared<rclcpp::Node>("trailscan");
  auto publisher = node->create_publisher<Clock>("/clock", rclcpp::ClockQoS());

  std::vector<std::string> transcript{
    "use_sim_time=" + std::to_string(node->get_parameter("use_sim_time").as_bool()) +
    " now=" + std::to_string(node->now().nanoseconds()) +
    " type=" + std::to_string(node->now().get_clock_type())};
  for (const int64_t ms : {500, 999, 1000, 1500, 2000, 2100}) {
    publisher->publish(clock_at(ms / 1000, static_cast<uint32_t>(ms % 1000) * 1000000u));
    ASSERT_TRUE(eventually([&] { return node->now().nanoseconds() == ms * 1000000; }));
    transcript.push_back("sim now=" + std::to_string(node->now().nanoseconds()));
    log.clear();
    RCLCPP_WARN_THROTTLE(
      node->get_logger(), *node->get_clock(), 1000, "nodeclock after /clock=%dms",
      static_cast<int>(ms));
    for (const std::string & line : log.lines()) {
      transcript.push_back(without_stamp(line));
    }
  }
  EXPECT_EQ(golden_lines("throttle_sim_time.txt"), transcript);
}
