// The topics this system publishes and listens to, with their message types and QoS, for the
// programs that record and play them without knowing a type in advance.
#ifndef QUILLON_TOOLS__RUNNER__SYSTEM_TOPICS_HPP_
#define QUILLON_TOOLS__RUNNER__SYSTEM_TOPICS_HPP_

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillon_protocol/msg/object_list.hpp"
#include "rclcpp/qos.hpp"
#include "rosgraph_msgs/msg/clock.hpp"
#include "rosidl_runtime_cpp/traits.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_tools
{

// The message type of a topic of the system by its name: "/scan_01" and "/scan_02" LaserScan,
// "/tf" and "/tf_static" TFMessage, "/objects_laser*" ObjectList, "*/pedestrian_markers" and
// "/objects_laser_markers" MarkerArray, "*_cloud" PointCloud2, "/clock" Clock. Empty when
// the name is none of these.
std::optional<std::string> systemTopicType(const std::string & topic);

// The patterns above in words, for error messages.
std::string knownTopicPatterns();

// Every topic the two nodes publish or read (what `-a` records).
const std::vector<std::string> & allSystemTopics();

// The QoS the system's own publisher of the topic offers, as a bag's "offered_qos_profiles".
std::string offeredQosOfSystemTopic(const std::string & topic);

// A subscription QoS that matches the system's publisher of the topic without losing what a
// recorder can keep: best effort for sensor data and the clock, transient local for static
// transforms, reliable otherwise, each with a deep history.
rclcpp::QoS recordingQos(const std::string & topic);

// The QoS a player offers: static transforms latched, scans as sensor data, the rest reliable
// with depth 100.
rclcpp::QoS playbackQos(const std::string & topic);

// Calls `visit(MessageT{})` with a default-constructed message of the interface type `type`
// (one of systemMessageTypes()); throws std::invalid_argument for any other.
template <typename Visitor>
void visitMessageType(const std::string & type, Visitor && visit)
{
  using rosidl_generator_traits::name;
  if (type == name<sensor_msgs::msg::LaserScan>()) {
    visit(sensor_msgs::msg::LaserScan{});
  } else if (type == name<sensor_msgs::msg::PointCloud2>()) {
    visit(sensor_msgs::msg::PointCloud2{});
  } else if (type == name<tf2_msgs::msg::TFMessage>()) {
    visit(tf2_msgs::msg::TFMessage{});
  } else if (type == name<quillon_protocol::msg::ObjectList>()) {
    visit(quillon_protocol::msg::ObjectList{});
  } else if (type == name<visualization_msgs::msg::MarkerArray>()) {
    visit(visualization_msgs::msg::MarkerArray{});
  } else if (type == name<rosgraph_msgs::msg::Clock>()) {
    visit(rosgraph_msgs::msg::Clock{});
  } else {
    throw std::invalid_argument("'" + type + "' is not a message type of this system");
  }
}

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__SYSTEM_TOPICS_HPP_
