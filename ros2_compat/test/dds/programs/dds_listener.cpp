// Subscribes over the default (DDS) transport for the two-process tests.
//   dds_listener scans N   takes N scans from /scan, checks each, looks up the mounting
//                          (/tf_static) and odometry (/tf) transforms, exits 0
//   dds_listener history   prints every point arriving on /history (keep last 10, transient
//                          local) until SIGINT or SIGTERM
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "geometry_msgs/msg/point_stamped.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2/time.h"
#include "tf2_ros/buffer.h"
#include "tf2_ros/transform_listener.h"

namespace
{

// The ranges of scan n are n + 0.001 i.
bool scan_is_intact(const sensor_msgs::msg::LaserScan & scan)
{
  if (scan.ranges.size() != 1081 || scan.intensities.size() != 1081) {
    return false;
  }
  const float number = scan.ranges[0];
  return scan.header.frame_id == "laser_front" && scan.ranges[1080] == number + 0.001f * 1080 &&
         scan.intensities[540] == 100.0f;
}

int take_scans(const rclcpp::Node::SharedPtr & node, int wanted)
{
  tf2_ros::Buffer buffer(node->get_clock());
  tf2_ros::TransformListener listener(buffer);
  int received = 0;
  int broken = 0;
  auto subscription = node->create_subscription<sensor_msgs::msg::LaserScan>(
    "/scan", rclcpp::QoS(10), [&](const sensor_msgs::msg::LaserScan & scan) {
      ++received;
      broken += scan_is_intact(scan) ? 0 : 1;
      std::printf("scan %d beams %zu\n", static_cast<int>(scan.ranges[0]), scan.ranges.size());
    });
  while (rclcpp::ok() && received < wanted) {
    rclcpp::spin_some(node);
    rclcpp::sleep_for(std::chrono::milliseconds(5));
  }
  if (received < wanted || broken > 0) {
    std::printf("received %d scans, %d broken\n", received, broken);
    return 1;
  }
  const auto timeout = tf2::durationFromSec(10.0);
  const auto mounting =
    buffer.lookupTransform("base_link", "laser_front", tf2::TimePointZero, timeout);
  const auto odometry = buffer.lookupTransform("odom", "base_link", tf2::TimePointZero, timeout);
  std::printf(
    "mounting %.2f %.2f odometry %s\n", mounting.transform.translation.x,
    mounting.transform.translation.z, odometry.transform.translation.x > 0.0 ? "moving" : "still");
  return 0;
}

int print_history(const rclcpp::Node::SharedPtr & node)
{
  auto subscription = node->create_subscription<geometry_msgs::msg::PointStamped>(
    "/history", rclcpp::QoS(rclcpp::KeepLast(10)).transient_local(),
    [](const geometry_msgs::msg::PointStamped & point) {
      std::printf("point %d\n", static_cast<int>(point.point.x));
      std::fflush(stdout);
    });
  rclcpp::spin(node);
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  const std::string mode = argc > 1 ? argv[1] : "";
  if (!(mode == "scans" && argc > 2) && mode != "history") {
    std::fprintf(stderr, "usage: dds_listener scans N | dds_listener history\n");
    return 2;
  }
  rclcpp::init(argc, argv);
  auto node = std::make_shared<rclcpp::Node>("dds_listener");
  const int status = mode == "scans" ? take_scans(node, std::atoi(argv[2])) : print_history(node);
  node.reset();
  rclcpp::shutdown();
  std::printf("clean exit\n");
  std::fflush(stdout);
  return status;
}
