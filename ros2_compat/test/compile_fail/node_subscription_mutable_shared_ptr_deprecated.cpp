// A callback taking std::shared_ptr<T> (T::SharedPtr) is deprecated in Humble; made an error
// here so that the warning's presence is checked.
// expect-error: use .*void\(std::shared_ptr<const MessageT>\).* instead
#pragma GCC diagnostic error "-Wdeprecated-declarations"
#include "rclcpp/rclcpp.hpp"
#include "std_msgs/msg/header.hpp"

void subscribe(rclcpp::Node & node)
{
  node.create_subscription<std_msgs::msg::Header>("t", 1, [](std_msgs::msg::Header::SharedPtr) {});
}
