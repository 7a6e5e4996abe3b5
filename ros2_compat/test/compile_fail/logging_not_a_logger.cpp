// The first argument of the logging macros must be an rclcpp::Logger, not a logger name.
// expect-error: First argument to logging macros must be an rclcpp::Logger
#include "rclcpp/logging.hpp"

void log_by_name() { RCLCPP_INFO("trailscan", "hello"); }
