// rclcpp::Duration has no public default constructor in Humble.
// expect-error: private within this context
#include "rclcpp/duration.hpp"

rclcpp::Duration no_duration()
{
  rclcpp::Duration d;
  return d;
}
