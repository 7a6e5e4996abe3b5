#ifndef QUILLON_DYNAMIC_DETECTOR__START_UP_PARAMETER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__START_UP_PARAMETER_HPP_

#include <limits>
#include <optional>
#include <string>

#include "quillon_dynamic_detector/parameter_limits.hpp"
#include "rcl_interfaces/msg/parameter_descriptor.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_dynamic_detector
{

// The descriptor of a parameter that trailscan and trailmerge read once, at start-up. It is
// read-only, so that `ros2 param set` is refused with the reason instead of answered "Set
// parameter successful" while nothing changes.
inline rcl_interfaces::msg::ParameterDescriptor readAtStartUp()
{
  rcl_interfaces::msg::ParameterDescriptor descriptor;
  descriptor.read_only = true;
  descriptor.additional_constraints = "read at start-up: restart the node to change it";
  return descriptor;
}

// The value given for `name` (command line, parameter files) when it is a floating-point number:
// checked before the declaration, so that a refusal can name it.
inline std::optional<double> givenDouble(rclcpp::Node & node, const std::string & name)
{
  const auto & overrides = node.get_node_parameters_interface()->get_parameter_overrides();
  const auto given = overrides.find(name);
  if (given == overrides.end() || given->second.get_type() != rclcpp::PARAMETER_DOUBLE) {
    return std::nullopt;
  }
  return given->second.get<double>();
}

// Closed limits as the descriptor's range (`ros2 param describe` shows it, rclcpp refuses a set
// beyond it); a bound like "> 0" fits no range and is left out.
inline void setFloatingPointRange(
  const ParameterLimits & limits, rcl_interfaces::msg::ParameterDescriptor & descriptor)
{
  if (!limits.minimum || limits.exclusive_maximum) {
    return;
  }
  descriptor.floating_point_range.resize(1);
  descriptor.floating_point_range[0].from_value = *limits.minimum;
  descriptor.floating_point_range[0].to_value =
    limits.maximum ? *limits.maximum : std::numeric_limits<double>::max();
}

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__START_UP_PARAMETER_HPP_
