// The throttle captures the clock by reference: it must be an lvalue (e.g. *node->get_clock()).
// expect-error: cannot capture .* by reference
#include "rclcpp/clock.hpp"
#include "rclcpp/logging.hpp"

void log_throttled()
{
  RCLCPP_WARN_THROTTLE(rclcpp::get_logger("trailscan"), rclcpp::Clock(), 1000, "slow down");
}
