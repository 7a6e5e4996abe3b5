// Creating a subscription on a node's callback group (shared by rclcpp::Node and the time
// source).
#ifndef ROS2_COMPAT__DETAIL__CREATE_SUBSCRIPTION_HPP_
#define ROS2_COMPAT__DETAIL__CREATE_SUBSCRIPTION_HPP_

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "rclcpp/any_subscription_callback.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rclcpp/qos.hpp"
#include "rclcpp/subscription.hpp"
#include "rclcpp/subscription_options.hpp"

namespace ros2_compat
{
namespace detail
{

template <typename MessageT, typename CallbackT, typename AllocatorT, typename SubscriptionT>
std::shared_ptr<SubscriptionT> create_subscription(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
  const rclcpp::QoS & qos, CallbackT && callback,
  const rclcpp::SubscriptionOptionsWithAllocator<AllocatorT> & options)
{
  rclcpp::CallbackGroup::SharedPtr group = options.callback_group;
  if (!group) {
    group = node_base->get_default_callback_group();
  } else if (!node_base->callback_group_in_node(group)) {
    throw std::runtime_error("Cannot create subscription, callback group not in node.");
  }
  auto subscription = std::make_shared<SubscriptionT>(
    node_base, topic_name, qos,
    rclcpp::AnySubscriptionCallback<MessageT, AllocatorT>(std::forward<CallbackT>(callback)),
    options, group);
  group->add_subscription(subscription);
  return subscription;
}

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__CREATE_SUBSCRIPTION_HPP_
