// rclcpp::node_interfaces::NodeBase: a node's names, context and callback groups, and its
// presence in the ROS graph (announced by the transport from construction to destruction).
#ifndef RCLCPP__NODE_INTERFACES__NODE_BASE_HPP_
#define RCLCPP__NODE_INTERFACES__NODE_BASE_HPP_

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rclcpp/node_interfaces/node_base_interface.hpp"

namespace rclcpp
{
namespace node_interfaces
{

class NodeBase : public NodeBaseInterface
{
public:
  RCLCPP_SMART_PTR_ALIASES_ONLY(NodeBase)

  // `node_name` and `namespace_` are final (validated, remapped, namespace absolute). Throws
  // rclcpp::exceptions::RCLError when the context is not initialised.
  NodeBase(
    const std::string & node_name, const std::string & namespace_,
    rclcpp::Context::SharedPtr context);
  ~NodeBase() override;

  NodeBase(const NodeBase &) = delete;
  NodeBase & operator=(const NodeBase &) = delete;

  const char * get_name() const override;
  const char * get_namespace() const override;
  const char * get_fully_qualified_name() const override;

  rclcpp::Context::SharedPtr get_context() override;

  rclcpp::CallbackGroup::SharedPtr create_callback_group(
    rclcpp::CallbackGroupType group_type,
    bool automatically_add_to_executor_with_node = true) override;
  rclcpp::CallbackGroup::SharedPtr get_default_callback_group() override;
  bool callback_group_in_node(rclcpp::CallbackGroup::SharedPtr group) override;
  void for_each_callback_group(
    const std::function<void(rclcpp::CallbackGroup::SharedPtr)> & func) override;

  std::atomic_bool & get_associated_with_executor_atomic() override;

  std::string resolve_topic_or_service_name(
    const std::string & name, bool is_service, bool only_expand = false) const override;

  void set_executor_wakeup(std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup) override;

  ros2_compat::detail::GraphNodeId get_graph_node() const override;

private:
  const std::string name_;
  const std::string node_namespace_;
  const std::string fully_qualified_name_;
  rclcpp::Context::SharedPtr context_;
  const std::shared_ptr<ros2_compat::detail::Transport> transport_;
  const ros2_compat::detail::GraphNodeId graph_node_;
  std::atomic_bool associated_with_executor_{false};

  mutable std::mutex mutex_;
  std::vector<rclcpp::CallbackGroup::WeakPtr> callback_groups_;
  rclcpp::CallbackGroup::SharedPtr default_callback_group_;
  std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup_;
};

}  // namespace node_interfaces
}  // namespace rclcpp

#endif  // RCLCPP__NODE_INTERFACES__NODE_BASE_HPP_
