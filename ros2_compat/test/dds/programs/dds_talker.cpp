// Publishes over the default (DDS) transport for the two-process tests; runs until SIGINT or
// SIGTERM.
//   dds_talker scans    /tf_static once (base_link -> laser_front), then every 50 ms /tf
//                       (odom -> base_link) and a 1081-beam /scan whose ranges encode its number
//   dds_talker history  20 points on /history (keep last 5, transient local), x = 1..20
#include <cstdio>
#include <cstring>
#include <string>

#include "geometry_msgs/msg/point_stamped.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "tf2_ros/qos.hpp"

namespace
{

constexpr int beams = 1081;

geometry_msgs::msg::TransformStamped transform(
  const rclcpp::Time & stamp, const std::string & parent, const std::string & child, double x,
  double z)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.stamp = stamp;
  t.header.frame_id = parent;
  t.child_frame_id = child;
  t.transform.translation.x = x;
  t.transform.translation.z = z;
  return t;
}

sensor_msgs::msg::LaserScan scan(const rclcpp::Time & stamp, int number)
{
  sensor_msgs::msg::LaserScan msg;
  msg.header.stamp = stamp;
  msg.header.frame_id = "laser_front";
  msg.angle_min = -2.35619449f;
  msg.angle_increment = 0.00436332313f;
  msg.angle_max = msg.angle_min + (beams - 1) * msg.angle_increment;
  msg.range_max = 30.0f;
  msg.ranges.resize(beams);
  for (int i = 0; i < beams; ++i) {
    msg.ranges[i] = static_cast<float>(number) + 0.001f * static_cast<float>(i);
  }
  msg.intensities.assign(beams, 100.0f);
  return msg;
}

void publish_scans(const rclcpp::Node::SharedPtr & node)
{
  auto tf_static =
    node->create_publisher<tf2_msgs::msg::TFMessage>("/tf_static", tf2_ros::StaticBroadcasterQoS());
  auto tf =
    node->create_publisher<tf2_msgs::msg::TFMessage>("/tf", tf2_ros::DynamicBroadcasterQoS());
  auto scans = node->create_publisher<sensor_msgs::msg::LaserScan>("/scan", rclcpp::QoS(10));

  tf2_msgs::msg::TFMessage mounting;
  mounting.transforms.push_back(transform(node->now(), "base_link", "laser_front", 0.25, 0.1));
  tf_static->publish(mounting);
  std::printf("static published\n");
  std::fflush(stdout);

  for (int number = 1; rclcpp::ok(); ++number) {
    const rclcpp::Time stamp = node->now();
    tf2_msgs::msg::TFMessage odometry;
    odometry.transforms.push_back(transform(stamp, "odom", "base_link", 0.01 * number, 0.0));
    tf->publish(odometry);
    scans->publish(scan(stamp, number));
    rclcpp::sleep_for(std::chrono::milliseconds(50));
  }
}

void publish_history(const rclcpp::Node::SharedPtr & node)
{
  auto history = node->create_publisher<geometry_msgs::msg::PointStamped>(
    "/history", rclcpp::QoS(rclcpp::KeepLast(5)).transient_local());
  for (int i = 1; i <= 20; ++i) {
    geometry_msgs::msg::PointStamped point;
    point.point.x = i;
    history->publish(point);
  }
  std::printf("history published\n");
  std::fflush(stdout);
  while (rclcpp::ok()) {
    rclcpp::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace

int main(int argc, char ** argv)
{
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode != "scans" && mode != "history") {
    std::fprintf(stderr, "usage: dds_talker scans|history\n");
    return 2;
  }
  rclcpp::init(argc, argv);
  auto node = std::make_shared<rclcpp::Node>("dds_talker");
  if (mode == "scans") {
    publish_scans(node);
  } else {
    publish_history(node);
  }
  node.reset();
  rclcpp::shutdown();
  std::printf("clean exit\n");
  return 0;
}
