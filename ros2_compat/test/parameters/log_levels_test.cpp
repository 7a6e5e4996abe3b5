#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rcutils/logging.h"
#include "ros2_compat/detail/ros_arguments.hpp"

using ros2_compat::detail::apply_log_levels;
using ros2_compat::detail::parse_ros_arguments;

namespace
{

class ApplyLogLevels : public ::testing::Test
{
protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }

  static void reset()
  {
    const rcutils_ret_t ret = rcutils_logging_shutdown();
    EXPECT_EQ(ret, RCUTILS_RET_OK);
  }

  static void apply(const std::vector<std::string> & levels)
  {
    std::vector<std::string> command_line{"trailscan", "--ros-args"};
    for (const auto & level : levels) {
      command_line.push_back("--log-level");
      command_line.push_back(level);
    }
    apply_log_levels(parse_ros_arguments(command_line));
  }

  static int effective(const char * logger)
  {
    return rcutils_logging_get_logger_effective_level(logger);
  }
};

}  // namespace

TEST_F(ApplyLogLevels, NamedLevelBeatsTheDefaultWhateverTheOrder)
{
  apply({"trailscan:=debug", "ERROR"});
  EXPECT_EQ(rcutils_logging_get_default_logger_level(), RCUTILS_LOG_SEVERITY_ERROR);
  EXPECT_EQ(effective("trailscan"), RCUTILS_LOG_SEVERITY_DEBUG);
  EXPECT_EQ(effective("trailscan.sub"), RCUTILS_LOG_SEVERITY_DEBUG);
  EXPECT_EQ(effective("trailmerge"), RCUTILS_LOG_SEVERITY_ERROR);

  reset();
  apply({"Warn", "trailscan:=DEBUG"});
  EXPECT_EQ(effective("trailscan"), RCUTILS_LOG_SEVERITY_DEBUG);
  EXPECT_EQ(effective("trailmerge"), RCUTILS_LOG_SEVERITY_WARN);
}

TEST_F(ApplyLogLevels, WithoutLevelsNothingChanges)
{
  apply({});
  EXPECT_EQ(rcutils_logging_get_default_logger_level(), RCUTILS_LOG_SEVERITY_INFO);
  apply({"unset", "trailscan:=fatal"});
  EXPECT_EQ(rcutils_logging_get_default_logger_level(), RCUTILS_LOG_SEVERITY_INFO);
  EXPECT_EQ(effective("trailscan"), RCUTILS_LOG_SEVERITY_FATAL);
}
