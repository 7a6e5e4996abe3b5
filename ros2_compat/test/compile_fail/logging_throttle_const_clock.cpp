// The throttle reads clock.now(), which is non-const: a const clock does not compile.
// expect-error: discards qualifiers
#include "rclcpp/clock.hpp"
#include "rclcpp/logging.hpp"

void log_throttled(const rclcpp::Clock & clock)
{
  RCLCPP_WARN_THROTTLE(rclcpp::get_logger("trailscan"), clock, 1000, "slow down");
}
