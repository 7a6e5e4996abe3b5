// rclcpp::spin and rclcpp::spin_some for one node, on a temporary single-threaded executor.
#ifndef RCLCPP__EXECUTORS_HPP_
#define RCLCPP__EXECUTORS_HPP_

#include <memory>

#include "rclcpp/executor.hpp"
#include "rclcpp/executors/single_threaded_executor.hpp"
#include "rclcpp/node.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"

namespace rclcpp
{

void spin_some(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr);
void spin_some(rclcpp::Node::SharedPtr node_ptr);

void spin(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr);
void spin(rclcpp::Node::SharedPtr node_ptr);

}  // namespace rclcpp

#endif  // RCLCPP__EXECUTORS_HPP_
