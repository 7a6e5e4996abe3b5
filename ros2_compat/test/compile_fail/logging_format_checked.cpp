// The arguments of the logging macros are printf-checked against the format.
// expect-error: format .*%d.* expects argument of type .*int
#include "rclcpp/logging.hpp"

#pragma GCC diagnostic error "-Wformat"

void log_mismatch() { RCLCPP_INFO(rclcpp::get_logger("trailscan"), "%d", "not a number"); }
