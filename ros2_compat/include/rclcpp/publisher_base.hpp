// rclcpp::PublisherBase: the type-independent part of a publisher.
#ifndef RCLCPP__PUBLISHER_BASE_HPP_
#define RCLCPP__PUBLISHER_BASE_HPP_

#include <cstddef>
#include <memory>
#include <string>

#include "rclcpp/macros.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rclcpp/qos.hpp"
#include "ros2_compat/detail/transport.hpp"

namespace rclcpp
{

class PublisherBase
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS_NOT_COPYABLE(PublisherBase)

  // Resolves the topic name against the node (throws InvalidTopicNameError) and joins the topic.
  PublisherBase(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
    const ros2_compat::cdr::MessageTypeSupport & type_support, const rclcpp::QoS & qos,
    bool use_default_callbacks);

  virtual ~PublisherBase();

  PublisherBase(const PublisherBase &) = delete;
  PublisherBase & operator=(const PublisherBase &) = delete;

  const char * get_topic_name() const;
  rclcpp::QoS get_actual_qos() const;

  // Subscriptions that receive what this publisher sends (same type, compatible QoS).
  size_t get_subscription_count() const;

protected:
  void publish_erased(ros2_compat::detail::ErasedMessage message);

private:
  const std::string topic_name_;
  const rclcpp::QoS qos_;
  std::shared_ptr<ros2_compat::detail::Transport> transport_;
  std::unique_ptr<ros2_compat::detail::TransportWriter> writer_;
};

}  // namespace rclcpp

#endif  // RCLCPP__PUBLISHER_BASE_HPP_
