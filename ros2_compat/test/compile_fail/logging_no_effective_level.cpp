// Logger::get_effective_level() only exists from Iron on; Humble code asks rcutils instead.
// expect-error: has no member named .*get_effective_level
#include "rclcpp/logger.hpp"

void query_level()
{
  auto level = rclcpp::get_logger("trailscan").get_effective_level();
  static_cast<void>(level);
}
