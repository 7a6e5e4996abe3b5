#include "quillon_tools/recording/bag_message.hpp"

#include <exception>
#include <string>

namespace quillon_tools
{

void throwWrongMessageType(const BagMessage & message, const char * wanted_type)
{
  throw BagError(
    "message on '" + message.topic + "' at " + std::to_string(message.timestamp_ns) +
    " ns has type '" + message.type + "', not '" + wanted_type + "'");
}

void throwMalformedMessage(const BagMessage & message, const std::exception & cause)
{
  throw BagError(
    "message on '" + message.topic + "' at " + std::to_string(message.timestamp_ns) +
    " ns is not a valid '" + message.type + "': " + cause.what());
}

}  // namespace quillon_tools
