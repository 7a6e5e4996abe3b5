#include "rclcpp/subscription_base.hpp"

#include <string>
#include <utility>

#include "rclcpp/logging.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros_names.hpp"

namespace rclcpp
{

namespace
{

ros2_compat::detail::ReaderListener listener_for(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
  const rclcpp::CallbackGroup::SharedPtr & callback_group, bool use_default_callbacks)
{
  ros2_compat::detail::ReaderListener listener;
  std::weak_ptr<rclcpp::CallbackGroup> weak_group = callback_group;
  listener.on_message_available = [weak_group] {
    if (auto group = weak_group.lock()) {
      group->wake_executor();
    }
  };
  if (use_default_callbacks) {
    const std::string logger_name =
      ros2_compat::detail::node_logger_name(node_base->get_name(), node_base->get_namespace());
    listener.on_incompatible_publisher = [logger_name,
                                          topic_name](ros2_compat::detail::QosPolicy policy) {
      RCLCPP_WARN(
        rclcpp::get_logger(logger_name),
        "New publisher discovered on topic '%s', offering incompatible QoS. "
        "No messages will be sent to it. Last incompatible policy: %s",
        topic_name.c_str(), ros2_compat::detail::qos_policy_name(policy));
    };
  }
  return listener;
}

}  // namespace

SubscriptionBase::SubscriptionBase(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
  const ros2_compat::cdr::MessageTypeSupport & type_support, const rclcpp::QoS & qos,
  const rclcpp::CallbackGroup::SharedPtr & callback_group, bool use_default_callbacks)
: topic_name_(node_base->resolve_topic_or_service_name(topic_name, false)),
  qos_(qos),
  transport_(ros2_compat::detail::get_transport())
{
  reader_ = transport_->create_reader(
    {topic_name_, type_support.type_name, qos_.get_rmw_qos_profile(), &type_support,
     node_base->get_graph_node()},
    listener_for(node_base, topic_name_, callback_group, use_default_callbacks));
}

SubscriptionBase::~SubscriptionBase() = default;

const char * SubscriptionBase::get_topic_name() const { return topic_name_.c_str(); }

rclcpp::QoS SubscriptionBase::get_actual_qos() const { return qos_; }

size_t SubscriptionBase::get_publisher_count() const { return reader_->matched_writer_count(); }

bool SubscriptionBase::has_work() const { return reader_->has_message(); }

bool SubscriptionBase::execute_one()
{
  ros2_compat::detail::ErasedMessage message;
  rclcpp::MessageInfo info;
  if (!reader_->take(message, info.get_rmw_message_info())) {
    return false;
  }
  dispatch(message, info);
  return true;
}

}  // namespace rclcpp
