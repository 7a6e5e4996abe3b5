#include "ros2_compat/detail/parameter_requests.hpp"

#include <exception>
#include <string>
#include <vector>

namespace ros2_compat
{
namespace detail
{

namespace
{

using rcl_interfaces::msg::SetParametersResult;
using rclcpp::exceptions::ParameterNotDeclaredException;

SetParametersResult failed(const std::string & reason)
{
  SetParametersResult result;
  result.successful = false;
  result.reason = reason;
  return result;
}

std::vector<rclcpp::Parameter> parameters_of(
  const std::vector<rcl_interfaces::msg::Parameter> & messages)
{
  std::vector<rclcpp::Parameter> parameters;
  parameters.reserve(messages.size());
  for (const auto & message : messages) {
    parameters.push_back(rclcpp::Parameter::from_parameter_msg(message));
  }
  return parameters;
}

SetParametersResult set_one(
  NodeParameters & parameters, const rcl_interfaces::msg::Parameter & message)
{
  try {
    return parameters.set_parameters_atomically({rclcpp::Parameter::from_parameter_msg(message)});
  } catch (const std::exception & e) {
    return failed(e.what());
  }
}

}  // namespace

void answer(
  NodeParameters & parameters, const srv::GetParameters::Request & request,
  srv::GetParameters::Response & response)
{
  try {
    for (const auto & parameter : parameters.get_parameters(request.names)) {
      response.values.push_back(parameter.get_value_message());
    }
  } catch (const ParameterNotDeclaredException &) {
    response.values.clear();
  }
}

void answer(
  NodeParameters & parameters, const srv::GetParameterTypes::Request & request,
  srv::GetParameterTypes::Response & response)
{
  try {
    for (const auto & parameter : parameters.get_parameters(request.names)) {
      response.types.push_back(parameter.get_type());
    }
  } catch (const ParameterNotDeclaredException &) {
    response.types.clear();
  }
}

void answer(
  NodeParameters & parameters, const srv::DescribeParameters::Request & request,
  srv::DescribeParameters::Response & response)
{
  try {
    for (const auto & name : request.names) {
      response.descriptors.push_back(parameters.describe_parameter(name));
    }
  } catch (const ParameterNotDeclaredException &) {
    response.descriptors.clear();
  }
}

void answer(
  NodeParameters & parameters, const srv::ListParameters::Request & request,
  srv::ListParameters::Response & response)
{
  response.result = parameters.list_parameters(request.prefixes, request.depth);
}

void answer(
  NodeParameters & parameters, const srv::SetParameters::Request & request,
  srv::SetParameters::Response & response)
{
  for (const auto & parameter : request.parameters) {
    response.results.push_back(set_one(parameters, parameter));
  }
}

void answer(
  NodeParameters & parameters, const srv::SetParametersAtomically::Request & request,
  srv::SetParametersAtomically::Response & response)
{
  try {
    response.result = parameters.set_parameters_atomically(parameters_of(request.parameters));
  } catch (const ParameterNotDeclaredException &) {
    response.result = failed("One or more parameters were not declared before setting");
  } catch (const std::exception & e) {
    response.result = failed(e.what());
  }
}

void refuse(const std::string & reason, srv::SetParameters::Response & response)
{
  response.results = {failed(reason)};
}

void refuse(const std::string & reason, srv::SetParametersAtomically::Response & response)
{
  response.result = failed(reason);
}

}  // namespace detail
}  // namespace ros2_compat
