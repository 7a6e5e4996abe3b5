// The format of the logging macros must be a C string; Humble does not accept a std::string.
// expect-error: cannot convert .*std::string.* to .*const char\*
#include <string>

#include "rclcpp/logging.hpp"

void log_text(const std::string & text) { RCLCPP_INFO(rclcpp::get_logger("trailscan"), text); }
