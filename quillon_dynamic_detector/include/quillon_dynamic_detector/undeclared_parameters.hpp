#ifndef QUILLON_DYNAMIC_DETECTOR__UNDECLARED_PARAMETERS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__UNDECLARED_PARAMETERS_HPP_

#include <string>

#include "quillon_dynamic_detector/closest_spelling.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_dynamic_detector
{

// Once every parameter is declared: warns about each value the node was given (command line,
// parameter files) for a parameter it does not have, with the nearest declared spelling. A
// misspelt key would otherwise leave its parameter at the default without a word.
inline void warnAboutUndeclaredParameters(rclcpp::Node & node)
{
  const auto declared = node.list_parameters({}, 0).names;
  for (const auto & entry : node.get_node_parameters_interface()->get_parameter_overrides()) {
    const std::string & name = entry.first;
    if (node.has_parameter(name) || name.rfind("qos_overrides.", 0) == 0) {
      continue;
    }
    const auto nearest = closestSpelling(name, declared);
    const std::string hint = nearest ? "; did you mean '" + *nearest + "'?" : "";
    RCLCPP_WARN(
      node.get_logger(), "parameter '%s' is set, but %s has no such parameter%s It is ignored.",
      name.c_str(), node.get_name(), (hint.empty() ? "." : hint).c_str());
  }
}

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__UNDECLARED_PARAMETERS_HPP_
