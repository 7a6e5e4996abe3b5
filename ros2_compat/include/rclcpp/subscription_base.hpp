// rclcpp::SubscriptionBase: the type-independent part of a subscription, which executors run.
#ifndef RCLCPP__SUBSCRIPTION_BASE_HPP_
#define RCLCPP__SUBSCRIPTION_BASE_HPP_

#include <cstddef>
#include <memory>
#include <string>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/message_info.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rclcpp/qos.hpp"
#include "ros2_compat/detail/executable.hpp"
#include "ros2_compat/detail/transport.hpp"

namespace rclcpp
{

class SubscriptionBase : public ros2_compat::detail::Executable
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS_NOT_COPYABLE(SubscriptionBase)

  // Resolves the topic name against the node (throws InvalidTopicNameError) and joins the
  // topic; arriving messages wake the executor that serves `callback_group`.
  SubscriptionBase(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
    const ros2_compat::cdr::MessageTypeSupport & type_support, const rclcpp::QoS & qos,
    const rclcpp::CallbackGroup::SharedPtr & callback_group, bool use_default_callbacks);

  ~SubscriptionBase() override;

  SubscriptionBase(const SubscriptionBase &) = delete;
  SubscriptionBase & operator=(const SubscriptionBase &) = delete;

  const char * get_topic_name() const;
  rclcpp::QoS get_actual_qos() const;
  size_t get_publisher_count() const;

  // For executors (not in rclcpp's API): whether a message waits, and running the callback
  // with the oldest one (false if there was none).
  bool has_work() const override;
  bool execute_one() override;

protected:
  virtual void dispatch(
    const ros2_compat::detail::ErasedMessage & message, const rclcpp::MessageInfo & info) = 0;

private:
  const std::string topic_name_;
  const rclcpp::QoS qos_;
  std::shared_ptr<ros2_compat::detail::Transport> transport_;
  std::unique_ptr<ros2_compat::detail::TransportReader> reader_;
};

}  // namespace rclcpp

#endif  // RCLCPP__SUBSCRIPTION_BASE_HPP_
