// Answers to the requests of a node's parameter services, as rclcpp's ParameterService gives
// them, from the node's parameters and through the same checks as a set_parameter() in the
// node: unknown names give no values (get, types, describe), a set that is refused comes back
// unsuccessful with the reason. Where Humble's node would die of an exception (an unknown type
// code, an empty name) the request is refused with the exception's text instead.
#ifndef ROS2_COMPAT__DETAIL__PARAMETER_REQUESTS_HPP_
#define ROS2_COMPAT__DETAIL__PARAMETER_REQUESTS_HPP_

#include <string>

#include "rcl_interfaces/srv/describe_parameters.hpp"
#include "rcl_interfaces/srv/get_parameter_types.hpp"
#include "rcl_interfaces/srv/get_parameters.hpp"
#include "rcl_interfaces/srv/list_parameters.hpp"
#include "rcl_interfaces/srv/set_parameters.hpp"
#include "rcl_interfaces/srv/set_parameters_atomically.hpp"
#include "ros2_compat/detail/node_parameters.hpp"

namespace ros2_compat
{
namespace detail
{

namespace srv = rcl_interfaces::srv;

void answer(
  NodeParameters & parameters, const srv::GetParameters::Request & request,
  srv::GetParameters::Response & response);
void answer(
  NodeParameters & parameters, const srv::GetParameterTypes::Request & request,
  srv::GetParameterTypes::Response & response);
void answer(
  NodeParameters & parameters, const srv::DescribeParameters::Request & request,
  srv::DescribeParameters::Response & response);
void answer(
  NodeParameters & parameters, const srv::ListParameters::Request & request,
  srv::ListParameters::Response & response);
// Each parameter is set on its own, with one result per parameter.
void answer(
  NodeParameters & parameters, const srv::SetParameters::Request & request,
  srv::SetParameters::Response & response);
void answer(
  NodeParameters & parameters, const srv::SetParametersAtomically::Request & request,
  srv::SetParametersAtomically::Response & response);

// The response to a request that could not be read: a set fails with the reason; the other
// services have no place for one and answer with nothing.
void refuse(const std::string & reason, srv::SetParameters::Response & response);
void refuse(const std::string & reason, srv::SetParametersAtomically::Response & response);
template <typename ResponseT>
void refuse(const std::string &, ResponseT &)
{
}

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__PARAMETER_REQUESTS_HPP_
