// get<T>() hands out a const reference, even on a non-const ParameterValue.
// expect-error: (assignment of read-only location|read-only)
#include <cstdint>

#include "rclcpp/parameter_value.hpp"

void overwrite()
{
  rclcpp::ParameterValue value(1);
  value.get<int64_t>() = 2;
}
