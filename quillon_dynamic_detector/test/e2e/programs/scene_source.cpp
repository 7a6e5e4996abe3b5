// Both ends of the end-to-end test, run as separate processes over the default (DDS) transport;
// each runs until SIGINT or SIGTERM.
//   scene_source play [N]  the robot's transforms and N (60 unless told, ~6 s) 10 Hz scans on
//                        /scan_01 of a room with one person walking 1 m/s in +x, starting over
//                        at the rear when the walk nears the far wall; prints the person's
//                        position in base_footprint for every scan ("person <stamp> <x> <y>")
//   scene_source record  prints every list arriving on /objects_laser ("objects <stamp> <frame>"
//                        and "object <classification> <x> <y> <velocity_x> <velocity_y>")
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "cluster_builders.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "tf2_ros/qos.hpp"

namespace
{

// Where scanner 01 sits on the robot: ahead of the centre, so that positions in base_footprint
// differ from those in the scanner frame and a missing transform would show.
constexpr double SCANNER_X = 0.3;
// The walk in the scanner frame: a line 2 m to the left, from inside the 270 degree field at
// its rear edge to well ahead, clear of the walls (room 12 m x 8 m around the scanner).
constexpr float WALK_Y = 2.0F;
constexpr float WALK_START_X = -1.5F;
constexpr float WALK_SPEED = 1.0F;
constexpr int WALK_SCANS = 60;
// Long walks start over before the far wall (x = 6 m).
constexpr double WALK_LENGTH = 7.0;

double seconds(const rclcpp::Time & t) { return static_cast<double>(t.nanoseconds()) * 1e-9; }

geometry_msgs::msg::TransformStamped transform(
  const rclcpp::Time & stamp, const std::string & parent, const std::string & child, double x,
  double yaw)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.stamp = stamp;
  t.header.frame_id = parent;
  t.child_frame_id = child;
  t.transform.translation.x = x;
  t.transform.rotation.z = std::sin(yaw / 2.0);
  t.transform.rotation.w = std::cos(yaw / 2.0);
  return t;
}

void flush_line() { std::fflush(stdout); }

int play(const rclcpp::Node::SharedPtr & node, int walk_scans)
{
  auto tf_static = node->create_publisher<tf2_msgs::msg::TFMessage>(
    "/tf_static", rclcpp::QoS(10).transient_local());
  auto tf =
    node->create_publisher<tf2_msgs::msg::TFMessage>("/tf", tf2_ros::DynamicBroadcasterQoS());
  auto scans =
    node->create_publisher<sensor_msgs::msg::LaserScan>("/scan_01", rclcpp::SensorDataQoS());

  tf2_msgs::msg::TFMessage mounting;
  mounting.transforms.push_back(
    transform(node->now(), "base_footprint", "base_scan_01", SCANNER_X, 0.0));
  mounting.transforms.push_back(
    transform(node->now(), "base_footprint", "base_scan_02", -SCANNER_X, M_PI));
  tf_static->publish(mounting);
  std::printf("static published\n");
  flush_line();

  // The detector starts only once it knows both mountings, and a scan nobody takes is lost:
  // the walk begins when trailscan listens, so all of it is seen however slow start-up is.
  while (rclcpp::ok() && scans->get_subscription_count() == 0) {
    rclcpp::sleep_for(std::chrono::milliseconds(50));
  }

  const auto period = std::chrono::milliseconds(100);
  auto next = std::chrono::steady_clock::now();
  rclcpp::Time walk_start(0, 0, RCL_ROS_TIME);
  for (int i = 0; i < walk_scans && rclcpp::ok(); ++i) {
    const rclcpp::Time stamp = node->now();
    if (i == 0) {
      walk_start = stamp;
    }
    // The position follows the stamp rather than the loop count, so it stays true to the time
    // the scan claims even when this process is late on a loaded machine.
    const float x =
      WALK_START_X + static_cast<float>(
                       std::fmod(WALK_SPEED * (seconds(stamp) - seconds(walk_start)), WALK_LENGTH));
    cluster_builders::Room room;
    room.half_x = 6.0F;
    room.half_y = 4.0F;
    cluster_builders::addPerson(room, x, WALK_Y);
    auto scan = cluster_builders::makeRoomScan(room);
    scan->header.stamp = stamp;

    tf2_msgs::msg::TFMessage odometry;
    odometry.transforms.push_back(transform(stamp, "odom", "base_footprint", 0.0, 0.0));
    tf->publish(odometry);
    scans->publish(*scan);
    std::printf(
      "person %.6f %.3f %.3f\n", seconds(stamp), static_cast<double>(x) + SCANNER_X,
      static_cast<double>(WALK_Y));
    flush_line();
    next += period;
    std::this_thread::sleep_until(next);
  }
  std::printf("walk done\n");
  flush_line();
  // Odometry keeps coming after the walk, as on a robot standing still.
  while (rclcpp::ok()) {
    tf2_msgs::msg::TFMessage odometry;
    odometry.transforms.push_back(transform(node->now(), "odom", "base_footprint", 0.0, 0.0));
    tf->publish(odometry);
    rclcpp::sleep_for(period);
  }
  return 0;
}

int record(const rclcpp::Node::SharedPtr & node)
{
  auto subscription = node->create_subscription<quillon_protocol::msg::ObjectList>(
    "/objects_laser", rclcpp::QoS(10), [](const quillon_protocol::msg::ObjectList & list) {
      std::printf(
        "objects %.6f %s\n", seconds(rclcpp::Time(list.header.stamp, RCL_ROS_TIME)),
        list.header.frame_id.c_str());
      for (const auto & o : list.objects) {
        std::printf(
          "object %d %.3f %.3f %.3f %.3f\n", o.classification, o.pose.position.x, o.pose.position.y,
          o.velocity_x, o.velocity_y);
      }
      std::fflush(stdout);
    });
  std::printf("recording\n");
  flush_line();
  rclcpp::spin(node);
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  const std::string mode = argc > 1 ? argv[1] : "";
  const int walk_scans = argc > 2 ? std::atoi(argv[2]) : WALK_SCANS;
  if ((mode != "play" && mode != "record") || walk_scans <= 0) {
    std::fprintf(stderr, "usage: scene_source play [scans] | record\n");
    return 2;
  }
  rclcpp::init(argc, argv);
  auto node = std::make_shared<rclcpp::Node>(mode == "play" ? "scene_source" : "scene_recorder");
  const int status = mode == "play" ? play(node, walk_scans) : record(node);
  node.reset();
  rclcpp::shutdown();
  std::printf("clean exit\n");
  std::fflush(stdout);
  return status;
}
