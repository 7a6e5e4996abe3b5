// rclcpp::SubscriptionOptionsWithAllocator and rclcpp::SubscriptionOptions.
#ifndef RCLCPP__SUBSCRIPTION_OPTIONS_HPP_
#define RCLCPP__SUBSCRIPTION_OPTIONS_HPP_

#include <memory>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/intra_process_setting.hpp"

namespace rclcpp
{

struct SubscriptionOptionsBase
{
  // Whether the default incompatible-QoS warning is logged.
  bool use_default_callbacks = true;

  IntraProcessSetting use_intra_process_comm = IntraProcessSetting::NodeDefault;

  // The group whose executor runs the callback; null means the node's default group.
  rclcpp::CallbackGroup::SharedPtr callback_group = nullptr;
};

template <typename Allocator>
struct SubscriptionOptionsWithAllocator : public SubscriptionOptionsBase
{
  std::shared_ptr<Allocator> allocator = nullptr;

  SubscriptionOptionsWithAllocator() {}

  explicit SubscriptionOptionsWithAllocator(
    const SubscriptionOptionsBase & subscription_options_base)
  : SubscriptionOptionsBase(subscription_options_base)
  {
  }
};

using SubscriptionOptions = SubscriptionOptionsWithAllocator<std::allocator<void>>;

}  // namespace rclcpp

#endif  // RCLCPP__SUBSCRIPTION_OPTIONS_HPP_
