// ROS 2's names for DDS entities (rmw_fastrtps and rmw_cyclonedds agree on them).
#ifndef ROS2_COMPAT__DETAIL__DDS_NAMES_HPP_
#define ROS2_COMPAT__DETAIL__DDS_NAMES_HPP_

#include <string>

namespace ros2_compat
{
namespace detail
{

// "/scan" -> "rt/scan"; without the prefix when the QoS asks to avoid ROS conventions.
std::string dds_topic_name(const std::string & ros_topic, bool avoid_ros_namespace_conventions);

// A service's two topics: "/node/get_parameters" -> "rq/node/get_parametersRequest" (requests)
// and "rr/node/get_parametersReply" (responses).
std::string dds_request_topic_name(const std::string & ros_service);
std::string dds_response_topic_name(const std::string & ros_service);

// "sensor_msgs/msg/LaserScan" -> "sensor_msgs::msg::dds_::LaserScan_", and a service's parts
// alike: "rcl_interfaces/srv/GetParameters_Request" -> "rcl_interfaces::srv::dds_::GetParameters_Request_".
// Throws std::invalid_argument for a name that is not "<package>/msg/<Type>" or
// "<package>/srv/<Type>".
std::string dds_type_name(const std::string & interface_name);

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__DDS_NAMES_HPP_
