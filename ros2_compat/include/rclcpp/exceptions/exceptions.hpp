// rclcpp's exception types with Humble's base classes and what() texts.
#ifndef RCLCPP__EXCEPTIONS__EXCEPTIONS_HPP_
#define RCLCPP__EXCEPTIONS__EXCEPTIONS_HPP_

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rclcpp
{
namespace exceptions
{

/// Any kind of name (node, namespace, topic) that does not validate.
class NameValidationError : public std::invalid_argument
{
public:
  NameValidationError(
    const char * name_type_, const char * name_, const char * error_msg_, size_t invalid_index_)
  : std::invalid_argument(format_error(name_type_, name_, error_msg_, invalid_index_)),
    name_type(name_type_),
    name(name_),
    error_msg(error_msg_),
    invalid_index(invalid_index_)
  {
  }

  /// "Invalid <type>: <error>:\n  '<name>'\n   <spaces>^\n", the caret under the bad character.
  static std::string format_error(
    const char * name_type, const char * name, const char * error_msg, size_t invalid_index);

  const std::string name_type;
  const std::string name;
  const std::string error_msg;
  const size_t invalid_index;
};

class InvalidNodeNameError : public NameValidationError
{
public:
  InvalidNodeNameError(const char * node_name, const char * error_message, size_t index)
  : NameValidationError("node name", node_name, error_message, index)
  {
  }
};

class InvalidNamespaceError : public NameValidationError
{
public:
  InvalidNamespaceError(const char * namespace_, const char * error_message, size_t index)
  : NameValidationError("namespace", namespace_, error_message, index)
  {
  }
};

class InvalidTopicNameError : public NameValidationError
{
public:
  InvalidTopicNameError(const char * namespace_, const char * error_message, size_t index)
  : NameValidationError("topic name", namespace_, error_message, index)
  {
  }
};

/// What rclcpp keeps of an rcl error. Without rcl below us there is no source location, so
/// formatted_message is the message alone (rcl appends ", at <file>:<line>").
class RCLErrorBase
{
public:
  RCLErrorBase(int32_t ret, const std::string & message);
  virtual ~RCLErrorBase() {}

  int32_t ret;
  std::string message;
  std::string file;
  size_t line;
  std::string formatted_message;
};

/// An rcl error without a more specific type; what() is the prefix followed by the message.
class RCLError : public RCLErrorBase, public std::runtime_error
{
public:
  RCLError(const RCLErrorBase & base_exc, const std::string & prefix);
};

/// rcl refused the ROS arguments (RCL_RET_INVALID_ROS_ARGS).
class RCLInvalidROSArgsError : public RCLErrorBase, public std::runtime_error
{
public:
  RCLInvalidROSArgsError(const RCLErrorBase & base_exc, const std::string & prefix);
};

/// Arguments after --ros-args that are not ROS arguments.
class UnknownROSArgsError : public std::runtime_error
{
public:
  explicit UnknownROSArgsError(std::vector<std::string> && unknown_ros_args_in);

  const std::vector<std::string> unknown_ros_args;
};

class InvalidParametersException : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

class InvalidParameterValueException : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

/// Like rclcpp::ParameterTypeException, with the parameter's name in the text.
class InvalidParameterTypeException : public std::runtime_error
{
public:
  InvalidParameterTypeException(const std::string & name, const std::string message)
  : std::runtime_error("parameter '" + name + "' has invalid type: " + message)
  {
  }
};

class UninitializedStaticallyTypedParameterException : public std::runtime_error
{
public:
  explicit UninitializedStaticallyTypedParameterException(const std::string & name)
  : std::runtime_error("Statically typed parameter '" + name + "' must be initialized.")
  {
  }
};

class ParameterAlreadyDeclaredException : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

class ParameterNotDeclaredException : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

class ParameterImmutableException : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

class ParameterUninitializedException : public std::runtime_error
{
public:
  explicit ParameterUninitializedException(const std::string & name)
  : std::runtime_error("parameter '" + name + "' is not initialized")
  {
  }
};

}  // namespace exceptions
}  // namespace rclcpp

#endif  // RCLCPP__EXCEPTIONS__EXCEPTIONS_HPP_
