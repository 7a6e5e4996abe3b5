// rclcpp::Publisher: publishes messages of exactly its own type.
#ifndef RCLCPP__PUBLISHER_HPP_
#define RCLCPP__PUBLISHER_HPP_

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "rclcpp/macros.hpp"
#include "rclcpp/publisher_base.hpp"
#include "rclcpp/publisher_options.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "rosidl_runtime_cpp/traits.hpp"

namespace rclcpp
{

template <typename MessageT, typename AllocatorT = std::allocator<void>>
class Publisher : public PublisherBase
{
  static_assert(
    rosidl_generator_traits::is_message<MessageT>::value, "Publisher needs a ROS message type");

  template <typename T>
  using OwnType = std::enable_if_t<
    rosidl_generator_traits::is_message<T>::value && std::is_same<T, MessageT>::value>;

public:
  RCLCPP_SMART_PTR_DEFINITIONS(Publisher)

  using MessageType = MessageT;
  using ROSMessageType = MessageT;

  Publisher(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
    const rclcpp::QoS & qos, const PublisherOptionsWithAllocator<AllocatorT> & options)
  : PublisherBase(
      node_base, topic_name, ros2_compat::cdr::get_message_type_support<MessageT>(), qos,
      options.use_default_callbacks)
  {
  }

  template <typename T>
  OwnType<T> publish(const T & msg)
  {
    publish_erased(std::make_shared<const MessageT>(msg));
  }

  template <typename T>
  OwnType<T> publish(std::unique_ptr<T> msg)
  {
    publish_erased(std::shared_ptr<const MessageT>(std::move(msg)));
  }
};

}  // namespace rclcpp

#endif  // RCLCPP__PUBLISHER_HPP_
