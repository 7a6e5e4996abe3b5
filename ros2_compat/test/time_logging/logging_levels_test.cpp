// Logger levels: default INFO, per-name levels shared by every Logger of that name, inherited
// along the '.' hierarchy.
#include <gtest/gtest.h>

#include "rclcpp/logger.hpp"
#include "rcutils/logging.h"

namespace
{

class LoggingLevelsTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_EQ(RCUTILS_RET_OK, rcutils_logging_shutdown()); }
  void TearDown() override { ASSERT_EQ(RCUTILS_RET_OK, rcutils_logging_shutdown()); }
};

bool enabled(const char * name, int severity)
{
  return rcutils_logging_logger_is_enabled_for(name, severity);
}

}  // namespace

TEST_F(LoggingLevelsTest, DefaultLevelIsInfoAndUnsetRestoresIt)
{
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_INFO, rcutils_logging_get_default_logger_level());
  EXPECT_FALSE(enabled("trailscan", RCUTILS_LOG_SEVERITY_DEBUG));
  EXPECT_TRUE(enabled("trailscan", RCUTILS_LOG_SEVERITY_INFO));
  EXPECT_TRUE(enabled(nullptr, RCUTILS_LOG_SEVERITY_INFO));

  rcutils_logging_set_default_logger_level(RCUTILS_LOG_SEVERITY_DEBUG);
  EXPECT_TRUE(enabled("trailscan", RCUTILS_LOG_SEVERITY_DEBUG));
  rcutils_logging_set_default_logger_level(RCUTILS_LOG_SEVERITY_UNSET);
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_INFO, rcutils_logging_get_default_logger_level());

  ASSERT_EQ(RCUTILS_RET_OK, rcutils_logging_set_logger_level("", RCUTILS_LOG_SEVERITY_ERROR));
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_ERROR, rcutils_logging_get_logger_level(""));
  EXPECT_FALSE(enabled("trailscan", RCUTILS_LOG_SEVERITY_WARN));
}

TEST_F(LoggingLevelsTest, LevelsAreInheritedAlongTheHierarchy)
{
  ASSERT_EQ(RCUTILS_RET_OK, rcutils_logging_set_logger_level("robot", RCUTILS_LOG_SEVERITY_WARN));
  ASSERT_EQ(
    RCUTILS_RET_OK, rcutils_logging_set_logger_level("robot.a", RCUTILS_LOG_SEVERITY_DEBUG));
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_WARN, rcutils_logging_get_logger_effective_level("robot"));
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_DEBUG, rcutils_logging_get_logger_effective_level("robot.a.det"));
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_WARN, rcutils_logging_get_logger_effective_level("robot.b"));
  // A common prefix is not an ancestor.
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_INFO, rcutils_logging_get_logger_effective_level("robotics"));

  // Only explicitly set levels are reported per logger.
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_DEBUG, rcutils_logging_get_logger_level("robot.a"));
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_UNSET, rcutils_logging_get_logger_level("robot.a.det"));
  EXPECT_EQ(-1, rcutils_logging_get_logger_level(nullptr));
  EXPECT_EQ(-1, rcutils_logging_get_logger_effective_level(nullptr));

  // Unsetting a level makes the logger inherit again.
  ASSERT_EQ(
    RCUTILS_RET_OK, rcutils_logging_set_logger_level("robot.a", RCUTILS_LOG_SEVERITY_UNSET));
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_WARN, rcutils_logging_get_logger_effective_level("robot.a.det"));

  EXPECT_EQ(RCUTILS_RET_INVALID_ARGUMENT, rcutils_logging_set_logger_level("robot", 25));
  EXPECT_EQ(
    RCUTILS_RET_INVALID_ARGUMENT,
    rcutils_logging_set_logger_level(nullptr, RCUTILS_LOG_SEVERITY_INFO));
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_WARN, rcutils_logging_get_logger_level("robot"));

  ASSERT_EQ(RCUTILS_RET_OK, rcutils_logging_shutdown());
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_INFO, rcutils_logging_get_logger_effective_level("robot"));
}

TEST_F(LoggingLevelsTest, LoggersOfOneNameShareTheirLevel)
{
  rclcpp::Logger node_logger = rclcpp::get_logger("trailscan");
  rclcpp::Logger child = node_logger.get_child("sub");
  EXPECT_STREQ("trailscan", node_logger.get_name());
  EXPECT_STREQ("trailscan.sub", child.get_name());

  rclcpp::get_logger("trailscan").set_level(rclcpp::Logger::Level::Debug);
  EXPECT_TRUE(enabled(node_logger.get_name(), RCUTILS_LOG_SEVERITY_DEBUG));
  EXPECT_TRUE(enabled(child.get_name(), RCUTILS_LOG_SEVERITY_DEBUG));

  child.set_level(rclcpp::Logger::Level::Error);
  EXPECT_FALSE(enabled("trailscan.sub", RCUTILS_LOG_SEVERITY_WARN));
  EXPECT_TRUE(enabled("trailscan", RCUTILS_LOG_SEVERITY_DEBUG));

  rclcpp::Logger copy = child;
  EXPECT_STREQ("trailscan.sub", copy.get_name());
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_FATAL, static_cast<int>(rclcpp::Logger::Level::Fatal));
}
