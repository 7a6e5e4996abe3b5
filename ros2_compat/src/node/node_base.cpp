#include "rclcpp/node_interfaces/node_base.hpp"

#include <utility>

#include "rclcpp/exceptions.hpp"
#include "ros_names.hpp"

namespace rclcpp
{
namespace node_interfaces
{

namespace
{

constexpr int32_t rcl_ret_not_init = 101;

rclcpp::Context::SharedPtr initialised(rclcpp::Context::SharedPtr context)
{
  if (!context || !context->is_valid()) {
    throw rclcpp::exceptions::RCLError(
      rclcpp::exceptions::RCLErrorBase(
        rcl_ret_not_init,
        "the given context is not valid, either rcl_init() was not called or "
        "rcl_shutdown() was called."),
      "failed to initialize rcl node: ");
  }
  return context;
}

}  // namespace

NodeBase::NodeBase(
  const std::string & node_name, const std::string & namespace_, rclcpp::Context::SharedPtr context)
: name_(node_name),
  node_namespace_(namespace_),
  fully_qualified_name_(ros2_compat::detail::fully_qualified_name(node_name, namespace_)),
  context_(initialised(std::move(context))),
  transport_(ros2_compat::detail::get_transport()),
  graph_node_(transport_->add_node(node_namespace_, name_))
{
  default_callback_group_ = create_callback_group(rclcpp::CallbackGroupType::MutuallyExclusive);
}

NodeBase::~NodeBase() { transport_->remove_node(graph_node_); }

const char * NodeBase::get_name() const { return name_.c_str(); }

const char * NodeBase::get_namespace() const { return node_namespace_.c_str(); }

const char * NodeBase::get_fully_qualified_name() const { return fully_qualified_name_.c_str(); }

rclcpp::Context::SharedPtr NodeBase::get_context() { return context_; }

rclcpp::CallbackGroup::SharedPtr NodeBase::create_callback_group(
  rclcpp::CallbackGroupType group_type, bool automatically_add_to_executor_with_node)
{
  auto group =
    std::make_shared<rclcpp::CallbackGroup>(group_type, automatically_add_to_executor_with_node);
  std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    callback_groups_.push_back(group);
    wakeup = wakeup_;
  }
  // The executor serving this node takes the new group on its next look for work.
  if (wakeup) {
    wakeup->notify();
  }
  return group;
}

rclcpp::CallbackGroup::SharedPtr NodeBase::get_default_callback_group()
{
  return default_callback_group_;
}

bool NodeBase::callback_group_in_node(rclcpp::CallbackGroup::SharedPtr group)
{
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto & weak : callback_groups_) {
    if (weak.lock() == group) {
      return true;
    }
  }
  return false;
}

void NodeBase::for_each_callback_group(
  const std::function<void(rclcpp::CallbackGroup::SharedPtr)> & func)
{
  std::vector<rclcpp::CallbackGroup::SharedPtr> groups;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto & weak : callback_groups_) {
      if (auto group = weak.lock()) {
        groups.push_back(std::move(group));
      }
    }
  }
  for (const auto & group : groups) {
    func(group);
  }
}

std::atomic_bool & NodeBase::get_associated_with_executor_atomic()
{
  return associated_with_executor_;
}

std::string NodeBase::resolve_topic_or_service_name(
  const std::string & name, bool is_service, bool only_expand) const
{
  // Topic remapping (-r from:=to) is not supported, so expansion is the whole resolution.
  (void)is_service;
  (void)only_expand;
  return ros2_compat::detail::expand_topic_name(name, name_, node_namespace_);
}

void NodeBase::set_executor_wakeup(std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup)
{
  std::lock_guard<std::mutex> lock(mutex_);
  wakeup_ = std::move(wakeup);
}

ros2_compat::detail::GraphNodeId NodeBase::get_graph_node() const { return graph_node_; }

}  // namespace node_interfaces
}  // namespace rclcpp
