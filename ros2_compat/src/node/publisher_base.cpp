#include "rclcpp/publisher_base.hpp"

#include <string>
#include <utility>

#include "rclcpp/logging.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros_names.hpp"

namespace rclcpp
{

namespace
{

ros2_compat::detail::WriterListener listener_for(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
  bool use_default_callbacks)
{
  ros2_compat::detail::WriterListener listener;
  if (use_default_callbacks) {
    const std::string logger_name =
      ros2_compat::detail::node_logger_name(node_base->get_name(), node_base->get_namespace());
    listener.on_incompatible_subscription = [logger_name,
                                             topic_name](ros2_compat::detail::QosPolicy policy) {
      RCLCPP_WARN(
        rclcpp::get_logger(logger_name),
        "New subscription discovered on topic '%s', requesting incompatible QoS. "
        "No messages will be sent to it. Last incompatible policy: %s",
        topic_name.c_str(), ros2_compat::detail::qos_policy_name(policy));
    };
  }
  return listener;
}

}  // namespace

PublisherBase::PublisherBase(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
  const ros2_compat::cdr::MessageTypeSupport & type_support, const rclcpp::QoS & qos,
  bool use_default_callbacks)
: topic_name_(node_base->resolve_topic_or_service_name(topic_name, false)),
  qos_(qos),
  transport_(ros2_compat::detail::get_transport())
{
  writer_ = transport_->create_writer(
    {topic_name_, type_support.type_name, qos_.get_rmw_qos_profile(), &type_support,
     node_base->get_graph_node()},
    listener_for(node_base, topic_name_, use_default_callbacks));
}

PublisherBase::~PublisherBase() = default;

const char * PublisherBase::get_topic_name() const { return topic_name_.c_str(); }

rclcpp::QoS PublisherBase::get_actual_qos() const { return qos_; }

size_t PublisherBase::get_subscription_count() const { return writer_->matched_reader_count(); }

void PublisherBase::publish_erased(ros2_compat::detail::ErasedMessage message)
{
  writer_->write(std::move(message));
}

}  // namespace rclcpp
