#include "rcutils/logging.h"
#include "ros2_compat/detail/ros_arguments.hpp"

namespace ros2_compat
{
namespace detail
{

void apply_log_levels(const RosArguments & arguments)
{
  const LogLevels & levels = arguments.log_levels;
  if (levels.default_level != RCUTILS_LOG_SEVERITY_UNSET) {
    rcutils_logging_set_default_logger_level(levels.default_level);
  }
  for (const auto & logger : levels.logger_levels) {
    // Cannot fail: parsing accepted only the six severities.
    const rcutils_ret_t ret = rcutils_logging_set_logger_level(logger.first.c_str(), logger.second);
    static_cast<void>(ret);
  }
}

}  // namespace detail
}  // namespace ros2_compat
