// Parameter values given on the command line and in parameter files, keyed by node pattern.
#ifndef ROS2_COMPAT__DETAIL__PARAMETER_OVERRIDES_HPP_
#define ROS2_COMPAT__DETAIL__PARAMETER_OVERRIDES_HPP_

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/parameter_value.hpp"

namespace ros2_compat
{
namespace detail
{

/// The overrides of one argument list, kept the way rcl keeps them: node keys in order of first
/// appearance ("/**" for a `-p` without node prefix, "detector", "/ns/*", ...), each with its
/// parameters in order of first appearance; setting an existing entry again overwrites it in
/// place. That order decides precedence when several keys match a node.
class ParameterOverrides
{
public:
  void set(const std::string & node_key, const std::string & name, rclcpp::ParameterValue value);

  /// The values that apply to the node with this fully qualified name: every matching key in
  /// order, a later key overwriting an earlier one. A key matches when, with a leading '/'
  /// added if missing, "/*" stands for one name token and "/**" for any number of them.
  std::map<std::string, rclcpp::ParameterValue> for_node(const std::string & node_fqn) const;

private:
  struct NodeEntry
  {
    std::string key;
    std::vector<std::pair<std::string, rclcpp::ParameterValue>> parameters;
  };

  std::vector<NodeEntry> nodes_;
};

/// Whether a parameter-file node key selects the node with the given fully qualified name.
bool node_key_matches(const std::string & node_key, const std::string & node_fqn);

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__PARAMETER_OVERRIDES_HPP_
