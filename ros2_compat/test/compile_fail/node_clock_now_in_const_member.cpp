// In a const member the node's clock is a Clock::ConstSharedPtr, and Humble's Clock::now() is
// not const; node->now() is the way there.
// expect-error: const rclcpp::Clock.* as .*this.* argument discards qualifiers
#include "rclcpp/rclcpp.hpp"

class Stamper : public rclcpp::Node
{
public:
  Stamper() : rclcpp::Node("stamper") {}

  rclcpp::Time stamp() const { return get_clock()->now(); }
};
