#ifndef QUILLON_DYNAMIC_DETECTOR__START_UP_PARAMETER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__START_UP_PARAMETER_HPP_

#include "rcl_interfaces/msg/parameter_descriptor.hpp"

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

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__START_UP_PARAMETER_HPP_
