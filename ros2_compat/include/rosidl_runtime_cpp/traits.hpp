// Type traits that generated messages specialise (mirrors rosidl_runtime_cpp/traits.hpp).
#ifndef ROSIDL_RUNTIME_CPP__TRAITS_HPP_
#define ROSIDL_RUNTIME_CPP__TRAITS_HPP_

#include <type_traits>

namespace rosidl_generator_traits
{

// C++ spelling of the type, e.g. "sensor_msgs::msg::LaserScan".
template <typename T>
inline const char * data_type();

// Interface name, e.g. "sensor_msgs/msg/LaserScan" or "rcl_interfaces/srv/GetParameters" (what
// bags and the graph use).
template <typename T>
inline const char * name();

template <typename T>
struct is_message : std::false_type
{
};

template <typename T>
struct is_service : std::false_type
{
};

}  // namespace rosidl_generator_traits

#endif  // ROSIDL_RUNTIME_CPP__TRAITS_HPP_
