// init and shutdown of the global context, on_shutdown, sleep_for and the signal handlers.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "node_test_support.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"

using namespace std::chrono_literals;

TEST(Context, InitShutdownCycle)
{
  EXPECT_FALSE(rclcpp::ok());
  rclcpp::init(0, nullptr);
  EXPECT_TRUE(rclcpp::ok());
  EXPECT_TRUE(rclcpp::signal_handlers_installed());
  EXPECT_THROW(rclcpp::init(0, nullptr), rclcpp::ContextAlreadyInitialized);
  try {
    rclcpp::init(0, nullptr);
  } catch (const rclcpp::ContextAlreadyInitialized & e) {
    EXPECT_STREQ("context is already initialized", e.what());
  }

  // Shutdown callbacks stay registered for later cycles, so they own what they touch.
  auto order = std::make_shared<std::vector<std::string>>();
  rclcpp::on_shutdown([order] { order->push_back("first " + std::to_string(rclcpp::ok())); });
  rclcpp::on_shutdown([order] { order->push_back("second"); });
  EXPECT_TRUE(rclcpp::shutdown());
  EXPECT_EQ((std::vector<std::string>{"first 0", "second"}), *order);
  EXPECT_EQ(
    "user called rclcpp::shutdown()",
    rclcpp::contexts::get_global_default_context()->shutdown_reason());
  EXPECT_FALSE(rclcpp::ok());
  EXPECT_FALSE(rclcpp::signal_handlers_installed());
  EXPECT_FALSE(rclcpp::shutdown());

  // Again after shutdown, as programs and tests do.
  rclcpp::init(0, nullptr);
  EXPECT_TRUE(rclcpp::ok());
  EXPECT_TRUE(rclcpp::shutdown(nullptr, "done"));
  EXPECT_EQ("done", rclcpp::contexts::get_global_default_context()->shutdown_reason());
}

TEST(Context, BadArgumentsLeaveTheContextUninitialised)
{
  const char * argv[] = {"prog", "--ros-args", "--bogus"};
  EXPECT_THROW(rclcpp::init(3, argv), rclcpp::exceptions::UnknownROSArgsError);
  EXPECT_FALSE(rclcpp::ok());
  EXPECT_FALSE(rclcpp::signal_handlers_installed());
  EXPECT_THROW(rclcpp::Node("n"), rclcpp::exceptions::RCLError);
  try {
    rclcpp::Node("n");
  } catch (const rclcpp::exceptions::RCLError & e) {
    EXPECT_STREQ(
      "failed to initialize rcl node: the given context is not valid, either rcl_init() was not "
      "called or rcl_shutdown() was called.",
      e.what());
  }
  rclcpp::init(0, nullptr);
  EXPECT_TRUE(rclcpp::ok());
  rclcpp::shutdown();
}

TEST(Context, SleepForEndsEarlyOnShutdown)
{
  rclcpp::init(0, nullptr);
  EXPECT_TRUE(rclcpp::sleep_for(1ms));
  auto sleeper = std::async(std::launch::async, [] {
    const auto start = std::chrono::steady_clock::now();
    const bool result = rclcpp::sleep_for(60s);
    return std::make_pair(result, std::chrono::steady_clock::now() - start);
  });
  std::this_thread::sleep_for(50ms);
  rclcpp::shutdown();
  ASSERT_EQ(std::future_status::ready, sleeper.wait_for(30s));
  const auto result = sleeper.get();
  EXPECT_FALSE(result.first);
  EXPECT_LT(result.second, 30s);
}

TEST(Context, SigintEndsSpinAndOk)
{
  rclcpp::init(0, nullptr);
  ros2_compat::testing::LogCapture log(ros2_compat::testing::ConsoleOutput::Suppress);
  auto node = std::make_shared<rclcpp::Node>("trailscan");
  auto spinner = std::async(std::launch::async, [node] { rclcpp::spin(node); });
  EXPECT_EQ(std::future_status::timeout, spinner.wait_for(100ms));

  std::raise(SIGINT);
  ASSERT_EQ(std::future_status::ready, spinner.wait_for(30s));
  spinner.get();
  EXPECT_FALSE(rclcpp::ok());
  EXPECT_EQ("signal handler", rclcpp::contexts::get_global_default_context()->shutdown_reason());
  EXPECT_EQ(1u, log.count("[INFO]"));
  EXPECT_TRUE(log.contains("[rclcpp]: signal_handler(signum=2)"));
  // Handlers stay until rclcpp::shutdown(), which then reports the earlier shutdown.
  EXPECT_TRUE(rclcpp::signal_handlers_installed());
  EXPECT_FALSE(rclcpp::shutdown());
  EXPECT_FALSE(rclcpp::signal_handlers_installed());
}

TEST(Context, SigtermEndsALoopOnOk)
{
  rclcpp::init(0, nullptr);
  ros2_compat::testing::LogCapture log(ros2_compat::testing::ConsoleOutput::Suppress);
  auto loop = std::async(std::launch::async, [] {
    while (rclcpp::ok()) {
      rclcpp::sleep_for(10s);
    }
  });
  std::this_thread::sleep_for(50ms);
  std::raise(SIGTERM);
  EXPECT_EQ(std::future_status::ready, loop.wait_for(30s));
  EXPECT_TRUE(log.contains("signal_handler(signum=15)"));
  rclcpp::shutdown();
}
