// What a transport needs to carry messages of one type as bytes: the interface name and the
// CDR conversions, type-erased (the counterpart of rosidl's message and service type support).
#ifndef ROS2_COMPAT__CDR__TYPE_SUPPORT_HPP_
#define ROS2_COMPAT__CDR__TYPE_SUPPORT_HPP_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ros2_compat/cdr/reader.hpp"
#include "ros2_compat/cdr/writer.hpp"
#include "rosidl_runtime_cpp/traits.hpp"

namespace ros2_compat
{
namespace cdr
{

struct MessageTypeSupport
{
  const char * type_name;  // interface name, e.g. "sensor_msgs/msg/LaserScan"
  void (*serialize)(const void * message, std::vector<uint8_t> & payload);
  // Throws MalformedMessage.
  std::shared_ptr<const void> (*deserialize)(const uint8_t * payload, size_t size);
};

template <typename MessageT>
void serialize(const MessageT & message, std::vector<uint8_t> & payload)
{
  Writer writer(payload);
  writer.write(message);
}

template <typename MessageT>
std::vector<uint8_t> serialize(const MessageT & message)
{
  std::vector<uint8_t> payload;
  serialize(message, payload);
  return payload;
}

// Throws MalformedMessage.
template <typename MessageT>
void deserialize(const uint8_t * payload, size_t size, MessageT & message)
{
  Reader reader(payload, size);
  reader.read(message);
}

template <typename MessageT>
const MessageTypeSupport & get_message_type_support()
{
  static const MessageTypeSupport type_support{
    rosidl_generator_traits::name<MessageT>(),
    [](const void * message, std::vector<uint8_t> & payload) {
      serialize(*static_cast<const MessageT *>(message), payload);
    },
    [](const uint8_t * payload, size_t size) -> std::shared_ptr<const void> {
      auto message = std::make_shared<MessageT>();
      deserialize(payload, size, *message);
      return message;
    }};
  return type_support;
}

// A service's request and response, carried as two messages.
struct ServiceTypeSupport
{
  const char * type_name;  // interface name, e.g. "rcl_interfaces/srv/GetParameters"
  const MessageTypeSupport & request;
  const MessageTypeSupport & response;
};

template <typename ServiceT>
const ServiceTypeSupport & get_service_type_support()
{
  static_assert(
    rosidl_generator_traits::is_service<ServiceT>::value, "a ROS service type is needed");
  static const ServiceTypeSupport type_support{
    rosidl_generator_traits::name<ServiceT>(),
    get_message_type_support<typename ServiceT::Request>(),
    get_message_type_support<typename ServiceT::Response>()};
  return type_support;
}

}  // namespace cdr
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__CDR__TYPE_SUPPORT_HPP_
