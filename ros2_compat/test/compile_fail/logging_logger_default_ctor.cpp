// rclcpp::Logger has no public default constructor; use rclcpp::get_logger(name).
// expect-error: private within this context
#include "rclcpp/logger.hpp"

rclcpp::Logger nameless()
{
  rclcpp::Logger logger;
  return logger;
}
