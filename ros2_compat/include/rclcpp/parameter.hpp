// rclcpp::Parameter: a name with a ParameterValue (Humble).
#ifndef RCLCPP__PARAMETER_HPP_
#define RCLCPP__PARAMETER_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include "rcl_interfaces/msg/parameter.hpp"
#include "rcl_interfaces/msg/parameter_value.hpp"
#include "rclcpp/exceptions/exceptions.hpp"
#include "rclcpp/parameter_value.hpp"

namespace rclcpp
{

class Parameter;

namespace detail
{

// Function templates can be specialised where member templates cannot, so Parameter::get_value
// dispatches through this helper to return the value, the ParameterValue or the Parameter.
template <typename T>
auto get_value_helper(const rclcpp::Parameter * parameter);

}  // namespace detail

class Parameter
{
public:
  /// Empty name, value not set.
  Parameter();
  explicit Parameter(const std::string & name);
  Parameter(const std::string & name, const ParameterValue & value);

  template <typename ValueTypeT>
  Parameter(const std::string & name, ValueTypeT value) : Parameter(name, ParameterValue(value))
  {
  }

  /// Throws std::runtime_error ("Unknown type: <code>") for a type code that does not exist.
  static Parameter from_parameter_msg(const rcl_interfaces::msg::Parameter & parameter);
  rcl_interfaces::msg::Parameter to_parameter_msg() const;

  bool operator==(const Parameter & rhs) const;
  bool operator!=(const Parameter & rhs) const;

  ParameterType get_type() const;
  std::string get_type_name() const;
  const std::string & get_name() const;
  rcl_interfaces::msg::ParameterValue get_value_message() const;
  const rclcpp::ParameterValue & get_parameter_value() const;

  /// Throws rclcpp::ParameterTypeException on a type mismatch.
  template <ParameterType ParamT>
  decltype(auto) get_value() const
  {
    return value_.get<ParamT>();
  }

  /// Throws rclcpp::exceptions::InvalidParameterTypeException (naming the parameter) on a
  /// type mismatch.
  template <typename T>
  decltype(auto) get_value() const;

  // These throw rclcpp::ParameterTypeException on a type mismatch.
  bool as_bool() const;
  int64_t as_int() const;
  double as_double() const;
  const std::string & as_string() const;
  const std::vector<uint8_t> & as_byte_array() const;
  const std::vector<bool> & as_bool_array() const;
  const std::vector<int64_t> & as_integer_array() const;
  const std::vector<double> & as_double_array() const;
  const std::vector<std::string> & as_string_array() const;

private:
  std::string name_;
  ParameterValue value_;
};

namespace detail
{

template <typename T>
auto get_value_helper(const rclcpp::Parameter * parameter)
{
  return parameter->get_parameter_value().get<T>();
}

template <>
inline auto get_value_helper<rclcpp::ParameterValue>(const rclcpp::Parameter * parameter)
{
  return parameter->get_parameter_value();
}

template <>
inline auto get_value_helper<rclcpp::Parameter>(const rclcpp::Parameter * parameter)
{
  return *parameter;
}

}  // namespace detail

template <typename T>
decltype(auto) Parameter::get_value() const
{
  try {
    return detail::get_value_helper<T>(this);
  } catch (const ParameterTypeException & ex) {
    throw exceptions::InvalidParameterTypeException(this->name_, ex.what());
  }
}

}  // namespace rclcpp

#endif  // RCLCPP__PARAMETER_HPP_
