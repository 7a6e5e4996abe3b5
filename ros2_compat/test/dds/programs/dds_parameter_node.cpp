// A node with parameters over DDS for the graph and parameter-service tests, shaped like the
// node of golden/graph: node "laser_subscriber" declares the double parameter max_range (8.0
// unless overridden), publishes /objects_laser and subscribes /scan_01 (sensor data QoS). It
// prints "ready", serves until SIGINT or SIGTERM, then prints "max_range <value>".
#include <cstdio>
#include <memory>

#include "geometry_msgs/msg/point_stamped.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

int main(int argc, char ** argv)
{
  rclcpp::init(argc, argv);
  auto node = std::make_shared<rclcpp::Node>("laser_subscriber");
  node->declare_parameter("max_range", 8.0);
  auto publisher = node->create_publisher<geometry_msgs::msg::PointStamped>("/objects_laser", 10);
  auto subscription = node->create_subscription<sensor_msgs::msg::LaserScan>(
    "/scan_01", rclcpp::SensorDataQoS(), [](const sensor_msgs::msg::LaserScan &) {});
  std::printf("ready\n");
  std::fflush(stdout);
  rclcpp::spin(node);
  std::printf("max_range %.1f\n", node->get_parameter("max_range").as_double());
  std::fflush(stdout);
  subscription.reset();
  publisher.reset();
  node.reset();
  rclcpp::shutdown();
  return 0;
}
