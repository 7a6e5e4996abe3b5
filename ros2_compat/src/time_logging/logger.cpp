// rclcpp::Logger's out-of-line parts: levels are kept by rcutils, per logger name.
#include "rclcpp/logger.hpp"

#include <stdexcept>

namespace rclcpp
{

Logger get_logger(const std::string & name) { return Logger(name); }

void Logger::set_level(Level level)
{
  const rcutils_ret_t ret = rcutils_logging_set_logger_level(get_name(), static_cast<int>(level));
  if (ret == RCUTILS_RET_INVALID_ARGUMENT) {
    throw std::invalid_argument("Invalid parameter");
  }
  if (ret != RCUTILS_RET_OK) {
    throw std::runtime_error("Couldn't set logger level");
  }
}

}  // namespace rclcpp
