// A publisher publishes its own message type only.
// expect-error: no matching function for call to .*rclcpp::Publisher<std_msgs::msg::Header_<std::allocator<void> > >::publish\(std_msgs::msg::ColorRGBA&\)
#include "rclcpp/rclcpp.hpp"
#include "std_msgs/msg/color_rgba.hpp"
#include "std_msgs/msg/header.hpp"

void publish_colour(rclcpp::Publisher<std_msgs::msg::Header> & publisher)
{
  std_msgs::msg::ColorRGBA colour;
  publisher.publish(colour);
}
