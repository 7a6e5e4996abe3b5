// rclcpp::node_interfaces::NodeParametersInterface: the part of a node's parameter interface that
// the programs use (the overrides the node was started with, declared or not).
#ifndef RCLCPP__NODE_INTERFACES__NODE_PARAMETERS_INTERFACE_HPP_
#define RCLCPP__NODE_INTERFACES__NODE_PARAMETERS_INTERFACE_HPP_

#include <map>
#include <string>

#include "rclcpp/macros.hpp"
#include "rclcpp/parameter_value.hpp"

namespace rclcpp
{
namespace node_interfaces
{

class NodeParametersInterface
{
public:
  RCLCPP_SMART_PTR_ALIASES_ONLY(NodeParametersInterface)

  virtual ~NodeParametersInterface() = default;

  // Every override from the command line, parameter files and NodeOptions for this node, by name.
  virtual const std::map<std::string, rclcpp::ParameterValue> & get_parameter_overrides() const = 0;
};

}  // namespace node_interfaces
}  // namespace rclcpp

#endif  // RCLCPP__NODE_INTERFACES__NODE_PARAMETERS_INTERFACE_HPP_
