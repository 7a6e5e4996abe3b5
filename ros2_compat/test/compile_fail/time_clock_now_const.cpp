// Clock::now() is non-const in Humble, so a const clock cannot be read.
// expect-error: discards qualifiers
#include "rclcpp/clock.hpp"

rclcpp::Time read(const rclcpp::Clock & clock) { return clock.now(); }
