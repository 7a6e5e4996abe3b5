#include "ros2_compat/detail/parameter_overrides.hpp"

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <utility>

namespace ros2_compat
{
namespace detail
{

void ParameterOverrides::set(
  const std::string & node_key, const std::string & name, rclcpp::ParameterValue value)
{
  auto node = std::find_if(
    nodes_.begin(), nodes_.end(), [&](const NodeEntry & entry) { return entry.key == node_key; });
  if (node == nodes_.end()) {
    node = nodes_.insert(nodes_.end(), NodeEntry{node_key, {}});
  }
  auto & parameters = node->parameters;
  auto parameter = std::find_if(
    parameters.begin(), parameters.end(), [&](const auto & entry) { return entry.first == name; });
  if (parameter == parameters.end()) {
    parameters.emplace_back(name, std::move(value));
  } else {
    parameter->second = std::move(value);
  }
}

std::map<std::string, rclcpp::ParameterValue> ParameterOverrides::for_node(
  const std::string & node_fqn) const
{
  std::map<std::string, rclcpp::ParameterValue> result;
  for (const auto & node : nodes_) {
    if (!node_key_matches(node.key, node_fqn)) {
      continue;
    }
    for (const auto & parameter : node.parameters) {
      result[parameter.first] = parameter.second;
    }
  }
  return result;
}

bool node_key_matches(const std::string & node_key, const std::string & node_fqn)
{
  // As rclcpp does it: every "/*" becomes one "/token" group, so "/**" becomes "(/\w+)*".
  const std::string key = node_key.rfind('/', 0) == 0 ? node_key : "/" + node_key;
  std::string pattern;
  for (size_t i = 0; i < key.size(); ++i) {
    if (key.compare(i, 2, "/*") == 0) {
      pattern += "(/\\w+)";
      ++i;
    } else {
      pattern += key[i];
    }
  }
  return std::regex_match(node_fqn, std::regex(pattern));
}

}  // namespace detail
}  // namespace ros2_compat
