// The parameter services every rclcpp node offers unless told not to ("<node>/get_parameters",
// "get_parameter_types", "set_parameters", "set_parameters_atomically", "describe_parameters",
// "list_parameters", under the node's namespace), answered from its parameters on its executor.
// A node creates them only where the transport carries services.
#ifndef ROS2_COMPAT__DETAIL__PARAMETER_SERVICE_HPP_
#define ROS2_COMPAT__DETAIL__PARAMETER_SERVICE_HPP_

#include <memory>
#include <vector>

#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "ros2_compat/detail/executable.hpp"
#include "ros2_compat/detail/node_parameters.hpp"

namespace ros2_compat
{
namespace detail
{

class ParameterService
{
public:
  // `parameters` must outlive the service.
  ParameterService(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, NodeParameters & parameters);

private:
  std::vector<std::shared_ptr<Executable>> services_;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__PARAMETER_SERVICE_HPP_
