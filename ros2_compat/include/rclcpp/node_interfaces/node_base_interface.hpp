// rclcpp::node_interfaces::NodeBaseInterface: what executors and topics need of a node.
#ifndef RCLCPP__NODE_INTERFACES__NODE_BASE_INTERFACE_HPP_
#define RCLCPP__NODE_INTERFACES__NODE_BASE_INTERFACE_HPP_

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/context.hpp"
#include "rclcpp/macros.hpp"
#include "ros2_compat/detail/executor_wakeup.hpp"
#include "ros2_compat/detail/transport.hpp"

namespace rclcpp
{
namespace node_interfaces
{

class NodeBaseInterface
{
public:
  RCLCPP_SMART_PTR_ALIASES_ONLY(NodeBaseInterface)

  virtual ~NodeBaseInterface() = default;

  virtual const char * get_name() const = 0;
  virtual const char * get_namespace() const = 0;
  virtual const char * get_fully_qualified_name() const = 0;

  virtual rclcpp::Context::SharedPtr get_context() = 0;

  virtual rclcpp::CallbackGroup::SharedPtr create_callback_group(
    rclcpp::CallbackGroupType group_type, bool automatically_add_to_executor_with_node = true) = 0;
  virtual rclcpp::CallbackGroup::SharedPtr get_default_callback_group() = 0;
  virtual bool callback_group_in_node(rclcpp::CallbackGroup::SharedPtr group) = 0;
  virtual void for_each_callback_group(
    const std::function<void(rclcpp::CallbackGroup::SharedPtr)> & func) = 0;

  virtual std::atomic_bool & get_associated_with_executor_atomic() = 0;

  // The fully qualified name of a topic as this node sees it; throws InvalidTopicNameError.
  virtual std::string resolve_topic_or_service_name(
    const std::string & name, bool is_service, bool only_expand = false) const = 0;

  // Layer plumbing, not in rclcpp's API: the executor serving this node learns of new groups.
  virtual void set_executor_wakeup(std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup) = 0;

  // Layer plumbing: the node as the transport announces it in the ROS graph, which its
  // publishers, subscriptions and services name so that they are listed under it.
  virtual ros2_compat::detail::GraphNodeId get_graph_node() const = 0;
};

}  // namespace node_interfaces
}  // namespace rclcpp

#endif  // RCLCPP__NODE_INTERFACES__NODE_BASE_INTERFACE_HPP_
