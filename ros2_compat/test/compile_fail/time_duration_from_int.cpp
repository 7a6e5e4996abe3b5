// rclcpp::Duration cannot be made from a bare integer (which unit would it be?).
// expect-error: no matching function for call to .*Duration\(int\)
#include "rclcpp/duration.hpp"

rclcpp::Duration five() { return rclcpp::Duration(5); }
