// rclcpp::Subscription: runs the user's callback with messages of one type.
#ifndef RCLCPP__SUBSCRIPTION_HPP_
#define RCLCPP__SUBSCRIPTION_HPP_

#include <memory>
#include <string>
#include <utility>

#include "rclcpp/any_subscription_callback.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/subscription_base.hpp"
#include "rclcpp/subscription_options.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "rosidl_runtime_cpp/traits.hpp"

namespace rclcpp
{

template <typename MessageT, typename AllocatorT = std::allocator<void>>
class Subscription : public SubscriptionBase
{
  static_assert(
    rosidl_generator_traits::is_message<MessageT>::value, "Subscription needs a ROS message type");

public:
  RCLCPP_SMART_PTR_DEFINITIONS(Subscription)

  using MessageType = MessageT;
  using ROSMessageType = MessageT;

  Subscription(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
    const rclcpp::QoS & qos, AnySubscriptionCallback<MessageT, AllocatorT> callback,
    const SubscriptionOptionsWithAllocator<AllocatorT> & options,
    const rclcpp::CallbackGroup::SharedPtr & callback_group)
  : SubscriptionBase(
      node_base, topic_name, ros2_compat::cdr::get_message_type_support<MessageT>(), qos,
      callback_group, options.use_default_callbacks),
    callback_(std::move(callback))
  {
  }

protected:
  void dispatch(
    const ros2_compat::detail::ErasedMessage & message, const rclcpp::MessageInfo & info) override
  {
    callback_.dispatch(std::static_pointer_cast<const MessageT>(message), info);
  }

private:
  AnySubscriptionCallback<MessageT, AllocatorT> callback_;
};

}  // namespace rclcpp

#endif  // RCLCPP__SUBSCRIPTION_HPP_
