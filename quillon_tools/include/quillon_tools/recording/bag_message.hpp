// One recorded message as it sits in a bag, and its typed reading.
#ifndef QUILLON_TOOLS__RECORDING__BAG_MESSAGE_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_MESSAGE_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_error.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "rosidl_runtime_cpp/traits.hpp"

namespace quillon_tools
{

struct BagMessage
{
  std::string topic;
  std::string type;           // e.g. "sensor_msgs/msg/LaserScan"
  int64_t timestamp_ns = 0;   // receive time of the recorder, ns since the epoch
  std::vector<uint8_t> data;  // CDR with its 4-byte encapsulation header
};

[[noreturn]] void throwWrongMessageType(const BagMessage & message, const char * wanted_type);
[[noreturn]] void throwMalformedMessage(const BagMessage & message, const std::exception & cause);

// Throws BagError when the message is of another type or its bytes are not a valid MessageT.
template <typename MessageT>
MessageT deserialize(const BagMessage & message)
{
  const char * wanted_type = rosidl_generator_traits::name<MessageT>();
  if (message.type != wanted_type) {
    throwWrongMessageType(message, wanted_type);
  }
  MessageT typed;
  try {
    ros2_compat::cdr::deserialize(message.data.data(), message.data.size(), typed);
  } catch (const ros2_compat::cdr::MalformedMessage & e) {
    throwMalformedMessage(message, e);
  }
  return typed;
}

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_MESSAGE_HPP_
