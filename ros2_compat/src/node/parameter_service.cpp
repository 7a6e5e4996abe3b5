#include "ros2_compat/detail/parameter_service.hpp"

#include <string>

#include "rmw/qos_profiles.h"
#include "ros2_compat/detail/parameter_requests.hpp"
#include "ros2_compat/detail/service_server.hpp"

namespace ros2_compat
{
namespace detail
{

namespace
{

template <typename ServiceT>
std::shared_ptr<Executable> parameter_service(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, NodeParameters & parameters,
  const char * name)
{
  using Request = typename ServiceT::Request;
  using Response = typename ServiceT::Response;
  return create_service_server<ServiceT>(
    node_base, std::string(node_base->get_name()) + "/" + name, rmw_qos_profile_parameters,
    [&parameters](const Request & request, Response & response) {
      answer(parameters, request, response);
    },
    [](const std::string & reason, Response & response) { refuse(reason, response); });
}

}  // namespace

ParameterService::ParameterService(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, NodeParameters & parameters)
: services_{
    parameter_service<srv::GetParameters>(node_base, parameters, "get_parameters"),
    parameter_service<srv::GetParameterTypes>(node_base, parameters, "get_parameter_types"),
    parameter_service<srv::SetParameters>(node_base, parameters, "set_parameters"),
    parameter_service<srv::SetParametersAtomically>(
      node_base, parameters, "set_parameters_atomically"),
    parameter_service<srv::DescribeParameters>(node_base, parameters, "describe_parameters"),
    parameter_service<srv::ListParameters>(node_base, parameters, "list_parameters")}
{
}

}  // namespace detail
}  // namespace ros2_compat
