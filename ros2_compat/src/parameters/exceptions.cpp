#include "rclcpp/exceptions/exceptions.hpp"

#include <string>
#include <utility>
#include <vector>

namespace rclcpp
{
namespace exceptions
{

std::string NameValidationError::format_error(
  const char * name_type, const char * name, const char * error_msg, size_t invalid_index)
{
  std::string msg = std::string("Invalid ") + name_type + ": " + error_msg + ":\n";
  msg += std::string("  '") + name + "'\n";
  msg += "   " + std::string(invalid_index, ' ') + "^\n";
  return msg;
}

RCLErrorBase::RCLErrorBase(int32_t ret_in, const std::string & message_in)
: ret(ret_in), message(message_in), line(0), formatted_message(message_in)
{
}

RCLError::RCLError(const RCLErrorBase & base_exc, const std::string & prefix)
: RCLErrorBase(base_exc), std::runtime_error(prefix + base_exc.formatted_message)
{
}

RCLInvalidROSArgsError::RCLInvalidROSArgsError(
  const RCLErrorBase & base_exc, const std::string & prefix)
: RCLErrorBase(base_exc), std::runtime_error(prefix + base_exc.formatted_message)
{
}

namespace
{

std::string quoted_list(const std::vector<std::string> & items)
{
  std::string text;
  for (const auto & item : items) {
    text += (text.empty() ? "'" : ", '") + item + "'";
  }
  return text;
}

}  // namespace

UnknownROSArgsError::UnknownROSArgsError(std::vector<std::string> && unknown_ros_args_in)
: std::runtime_error("found unknown ROS arguments: " + quoted_list(unknown_ros_args_in)),
  unknown_ros_args(std::move(unknown_ros_args_in))
{
}

}  // namespace exceptions
}  // namespace rclcpp
