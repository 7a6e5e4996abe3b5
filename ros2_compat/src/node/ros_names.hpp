// Validation and expansion of node names, namespaces and topic names with rcl's rules and
// rclcpp's exceptions (InvalidNodeNameError, InvalidNamespaceError, InvalidTopicNameError).
#ifndef ROS_NAMES_HPP_
#define ROS_NAMES_HPP_

#include <string>

namespace ros2_compat
{
namespace detail
{

void validate_node_name(const std::string & node_name);

// "" becomes "/", a relative namespace gets a leading '/'; the result is validated.
std::string absolute_namespace(const std::string & namespace_);

// "/ns" + "node" -> "/ns/node"; "/" + "node" -> "/node".
std::string fully_qualified_name(const std::string & node_name, const std::string & namespace_);

// rcl's logger name of a node: "/robot/a" + "det" -> "robot.a.det"; "/" + "det" -> "det".
std::string node_logger_name(const std::string & node_name, const std::string & namespace_);

// Relative names are put under the namespace, "~" stands for the node, {node} and {ns} are
// substituted; the fully qualified result is validated.
std::string expand_topic_name(
  const std::string & topic_name, const std::string & node_name, const std::string & namespace_);

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS_NAMES_HPP_
