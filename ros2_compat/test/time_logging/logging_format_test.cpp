// Console output of the logging macros, compared byte for byte with what Humble printed.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "logging_test_helpers.hpp"
#include "rclcpp/logging.hpp"
#include "ros2_compat/testing/time_control.hpp"

namespace
{

using time_logging_test::golden_console_file;
using time_logging_test::ScopedConsoleEnvironment;

// The statements of the Humble capture program, in the order of its output.
std::vector<std::function<void()>> capture_program_statements()
{
  return {
    [] { RCLCPP_DEBUG(rclcpp::get_logger("trailscan"), "debug message %d", 1); },
    [] { RCLCPP_INFO(rclcpp::get_logger("trailscan"), "info message %d", 2); },
    [] { RCLCPP_WARN(rclcpp::get_logger("trailscan"), "warn message %d", 3); },
    [] { RCLCPP_ERROR(rclcpp::get_logger("trailscan"), "error message %d", 4); },
    [] { RCLCPP_FATAL(rclcpp::get_logger("trailscan"), "fatal message %d", 5); },
    [] { RCLCPP_DEBUG(rclcpp::get_logger("trailscan"), "get_logger debug"); },
    [] { RCLCPP_INFO(rclcpp::get_logger("trailscan"), "get_logger info"); },
    [] { RCLCPP_WARN(rclcpp::get_logger("trailscan"), "get_logger warn"); },
    [] { RCLCPP_INFO(rclcpp::get_logger("trailscan").get_child("sub"), "child info"); },
    [] { RCLCPP_INFO_STREAM(rclcpp::get_logger("trailscan"), "stream " << 42 << " " << 1.5); },
    [] {
      const std::string text = "a std::string via %s";
      RCLCPP_INFO(rclcpp::get_logger("trailscan"), "%s", text.c_str());
    },
    [] { RCLCPP_INFO(rclcpp::get_logger("robot.a.det"), "namespaced node info"); },
  };
}

// Runs the statements with system time set to the stamps of the golden lines; returns stderr.
std::string replay_with_golden_stamps(const std::string & golden_file)
{
  const auto golden_lines = time_logging_test::read_lines(golden_console_file(golden_file));
  const auto statements = capture_program_statements();
  EXPECT_LE(golden_lines.size(), statements.size());
  // --ros-args --log-level trailscan:=debug
  EXPECT_EQ(
    RCUTILS_RET_OK, rcutils_logging_set_logger_level("trailscan", RCUTILS_LOG_SEVERITY_DEBUG));
  ros2_compat::testing::ScopedFakeSystemTime fake(0);
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  for (std::size_t i = 0; i < golden_lines.size() && i < statements.size(); ++i) {
    ros2_compat::testing::set_system_time(time_logging_test::stamp_of(golden_lines[i]));
    statements[i]();
  }
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
  return err;
}

}  // namespace

TEST(LoggingFormatTest, DefaultFormatMatchesHumbleExactly)
{
  ScopedConsoleEnvironment environment(
    {{"RCUTILS_CONSOLE_OUTPUT_FORMAT", ""},
     {"RCUTILS_COLORIZED_OUTPUT", ""},
     {"RCUTILS_LOGGING_USE_STDOUT", ""}});
  EXPECT_EQ(
    time_logging_test::read_file(golden_console_file("log_default_format.txt")),
    replay_with_golden_stamps("log_default_format.txt"));
}

TEST(LoggingFormatTest, ColouredOutputMatchesHumbleOnATerminal)
{
  ScopedConsoleEnvironment environment(
    {{"RCUTILS_CONSOLE_OUTPUT_FORMAT", ""}, {"RCUTILS_COLORIZED_OUTPUT", "1"}});
  EXPECT_EQ(
    time_logging_test::read_file(golden_console_file("log_colour_tty.txt")),
    replay_with_golden_stamps("log_colour_tty.txt"));
}

TEST(LoggingFormatTest, CustomFormatExpandsEveryToken)
{
  ScopedConsoleEnvironment environment(
    {{"RCUTILS_CONSOLE_OUTPUT_FORMAT",
      "{severity}|{name}|{message}|{function_name}|{file_name}|{line_number}|{time}|"
      "{time_as_nanoseconds}|{unknown}|{time"},
     {"RCUTILS_COLORIZED_OUTPUT", "0"},
     {"RCUTILS_LOGGING_USE_STDOUT", "1"}});
  ros2_compat::testing::ScopedFakeSystemTime fake(1500000005);
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  RCLCPP_WARN(rclcpp::get_logger("fmt"), "hello %s", "there");
  const int line = __LINE__ - 1;
  EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
  std::ostringstream expected;
  expected << "WARN|fmt|hello there|TestBody|" << __FILE__ << "|" << line
           << "|0000000001.500000005|0000000001500000005|{unknown}|{time\n";
  EXPECT_EQ(expected.str(), ::testing::internal::GetCapturedStdout());
}

TEST(LoggingFormatTest, UnexpectedEnvironmentValuesAreReportedAndIgnored)
{
  ::testing::internal::CaptureStderr();
  {
    ScopedConsoleEnvironment environment(
      {{"RCUTILS_COLORIZED_OUTPUT", "maybe"}, {"RCUTILS_LOGGING_USE_STDOUT", "yes"}});
    RCLCPP_INFO(rclcpp::get_logger("env"), "still on stderr");
  }
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(
    std::string::npos,
    err.find("Warning: unexpected value [maybe] specified for RCUTILS_COLORIZED_OUTPUT."));
  EXPECT_NE(
    std::string::npos,
    err.find("Warning: unexpected value [yes] specified for RCUTILS_LOGGING_USE_STDOUT. "
             "Default value 0 will be used. Valid values are 1 or 0.\n"));
  EXPECT_NE(std::string::npos, err.find("[INFO] ["));
  EXPECT_NE(std::string::npos, err.find("] [env]: still on stderr\n"));
}

TEST(LoggingFormatTest, LinesOfConcurrentThreadsStayWhole)
{
  ScopedConsoleEnvironment environment(
    {{"RCUTILS_CONSOLE_OUTPUT_FORMAT", ""},
     {"RCUTILS_COLORIZED_OUTPUT", "0"},
     {"RCUTILS_LOGGING_USE_STDOUT", ""}});
  constexpr int kThreads = 4;
  constexpr int kLinesPerThread = 200;
  const std::string padding(200, 'x');
  ::testing::internal::CaptureStderr();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &padding] {
      for (int i = 0; i < kLinesPerThread; ++i) {
        RCLCPP_INFO(rclcpp::get_logger("threads"), "thread %d line %d %s", t, i, padding.c_str());
      }
    });
  }
  for (auto & thread : threads) {
    thread.join();
  }
  std::istringstream err(::testing::internal::GetCapturedStderr());
  const std::regex whole_line(
    R"(\[INFO\] \[\d{10}\.\d{9}\] \[threads\]: thread \d line \d+ x{200})");
  int lines = 0;
  for (std::string line; std::getline(err, line); ++lines) {
    ASSERT_TRUE(std::regex_match(line, whole_line)) << line;
  }
  EXPECT_EQ(kThreads * kLinesPerThread, lines);
}
