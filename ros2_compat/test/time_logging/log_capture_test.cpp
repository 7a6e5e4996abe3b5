// LogCapture: records every emitted line, keeps or suppresses the console, waits for lines.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "rclcpp/logging.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "ros2_compat/testing/time_control.hpp"

using ros2_compat::testing::ConsoleOutput;
using ros2_compat::testing::LogCapture;

TEST(LogCaptureTest, RecordsLinesAndControlsTheConsole)
{
  ros2_compat::testing::ScopedFakeSystemTime fake(1700000000000000001);
  ::testing::internal::CaptureStderr();
  {
    LogCapture outer;  // keeps the console
    RCLCPP_WARN(rclcpp::get_logger("capture"), "seen on the console %d", 1);
    {
      LogCapture inner(ConsoleOutput::Suppress);
      RCLCPP_ERROR(rclcpp::get_logger("capture.sub"), "kept off the console");
      EXPECT_EQ(1u, inner.count(""));
      EXPECT_EQ("kept off the console", inner.records().at(0).message);
    }
    EXPECT_EQ(2u, outer.count("capture"));
    EXPECT_EQ(1u, outer.count("[capture.sub]"));
    EXPECT_TRUE(outer.contains("[WARN] [1700000000.000000001] [capture]: seen on the console 1"));
    EXPECT_EQ(
      "[ERROR] [1700000000.000000001] [capture.sub]: kept off the console", outer.lines().at(1));
    EXPECT_EQ(1700000000000000001, outer.records().at(1).stamp_nanoseconds);
    outer.clear();
    EXPECT_EQ(0u, outer.count(""));
  }
  RCLCPP_WARN(rclcpp::get_logger("capture"), "after the capture");
  EXPECT_EQ(
    "[WARN] [1700000000.000000001] [capture]: seen on the console 1\n"
    "[WARN] [1700000000.000000001] [capture]: after the capture\n",
    ::testing::internal::GetCapturedStderr());
}

TEST(LogCaptureTest, WaitsForLinesFromOtherThreads)
{
  LogCapture capture(ConsoleOutput::Suppress);
  std::thread writer([] {
    for (int i = 0; i < 3; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      RCLCPP_INFO(rclcpp::get_logger("writer"), "tick %d", i);
    }
  });
  EXPECT_TRUE(capture.wait_for("tick", std::chrono::seconds(30), 3));
  writer.join();
  EXPECT_FALSE(capture.wait_for("never logged", std::chrono::milliseconds(10)));
  EXPECT_EQ(3u, capture.count("[writer]: tick"));
}
