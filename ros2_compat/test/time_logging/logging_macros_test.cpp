// The conditional logging macros: ONCE, EXPRESSION, FUNCTION, SKIPFIRST and their _STREAM forms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rclcpp/logging.hpp"
#include "ros2_compat/testing/log_capture.hpp"

namespace
{

using ros2_compat::testing::ConsoleOutput;
using ros2_compat::testing::LogCapture;

class LoggingMacrosTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_EQ(RCUTILS_RET_OK, rcutils_logging_shutdown()); }
  void TearDown() override { ASSERT_EQ(RCUTILS_RET_OK, rcutils_logging_shutdown()); }

  rclcpp::Logger logger_ = rclcpp::get_logger("macros");
  LogCapture capture_{ConsoleOutput::Suppress};
};

int filter_calls = 0;
bool filter_says_yes()
{
  ++filter_calls;
  return true;
}

int counted(int & counter) { return ++counter; }

}  // namespace

TEST_F(LoggingMacrosTest, ConditionsHoldPerCallSite)
{
  for (int i = 0; i < 3; ++i) {
    RCLCPP_INFO_ONCE(logger_, "once %d", i);
    RCLCPP_INFO_SKIPFIRST(logger_, "skipfirst %d", i);
    RCLCPP_INFO_EXPRESSION(logger_, i % 2 == 0, "even %d", i);
    RCLCPP_WARN_STREAM_ONCE(logger_, "stream once " << i);
    RCLCPP_ERROR_STREAM_SKIPFIRST(logger_, "stream skipfirst " << i);
    RCLCPP_FATAL_STREAM_EXPRESSION(logger_, i == 1, "stream expression " << i);
  }
  RCLCPP_INFO_FUNCTION(logger_, &filter_says_yes, "function");
  RCLCPP_DEBUG_STREAM_FUNCTION(logger_, &filter_says_yes, "disabled function");
  EXPECT_EQ(1, filter_calls);

  EXPECT_EQ(
    (std::vector<std::string>{
      "once 0", "even 0", "stream once 0", "skipfirst 1", "stream skipfirst 1",
      "stream expression 1", "skipfirst 2", "even 2", "stream skipfirst 2", "function"}),
    capture_.messages());
  EXPECT_EQ(1u, capture_.count("[FATAL]"));
}

TEST_F(LoggingMacrosTest, DisabledStatementsEvaluateNeitherConditionNorArguments)
{
  int condition_evaluations = 0;
  int argument_evaluations = 0;
  RCLCPP_DEBUG_EXPRESSION(
    logger_, counted(condition_evaluations) > 0, "%d", counted(argument_evaluations));
  RCLCPP_DEBUG(logger_, "%d", counted(argument_evaluations));
  // A disabled ONCE statement keeps its one line for when it gets enabled.
  for (const auto level : {rclcpp::Logger::Level::Warn, rclcpp::Logger::Level::Info}) {
    logger_.set_level(level);
    RCLCPP_INFO_ONCE(logger_, "once after enabling");
  }
  EXPECT_EQ(0, condition_evaluations);
  EXPECT_EQ(0, argument_evaluations);
  EXPECT_EQ(std::vector<std::string>{"once after enabling"}, capture_.messages());

  // As in Humble, the argument of a _STREAM macro is built before the level check.
  RCLCPP_DEBUG_STREAM(logger_, "value " << counted(argument_evaluations));
  EXPECT_EQ(1, argument_evaluations);
  EXPECT_EQ(1u, capture_.count(""));
}

TEST_F(LoggingMacrosTest, MessageTextIsFormattedLikePrintf)
{
  const std::string long_text(5000, 'y');
  RCLCPP_ERROR(logger_, "%s|%5.2f|%03d|%%", long_text.c_str(), 3.14159, 7);
  RCLCPP_INFO(rclcpp::get_logger(""), "empty logger name");
  const auto records = capture_.records();
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(long_text + "| 3.14|007|%", records[0].message);
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_ERROR, records[0].severity);
  EXPECT_EQ("macros", records[0].logger);
  EXPECT_EQ("", records[1].logger);
}
