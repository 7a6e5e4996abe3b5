#include "rclcpp/parameter_value.hpp"

#include <string>
#include <vector>

namespace rclcpp
{

std::string to_string(ParameterType type)
{
  switch (type) {
    case PARAMETER_NOT_SET:
      return "not set";
    case PARAMETER_BOOL:
      return "bool";
    case PARAMETER_INTEGER:
      return "integer";
    case PARAMETER_DOUBLE:
      return "double";
    case PARAMETER_STRING:
      return "string";
    case PARAMETER_BYTE_ARRAY:
      return "byte_array";
    case PARAMETER_BOOL_ARRAY:
      return "bool_array";
    case PARAMETER_INTEGER_ARRAY:
      return "integer_array";
    case PARAMETER_DOUBLE_ARRAY:
      return "double_array";
    case PARAMETER_STRING_ARRAY:
      return "string_array";
    default:
      return "unknown type";
  }
}

std::ostream & operator<<(std::ostream & os, ParameterType type) { return os << to_string(type); }

ParameterValue::ParameterValue() { value_.type = PARAMETER_NOT_SET; }

ParameterValue::ParameterValue(const rcl_interfaces::msg::ParameterValue & value) : value_(value)
{
  if (value.type > PARAMETER_STRING_ARRAY) {
    throw std::runtime_error("Unknown type: " + std::to_string(value.type));
  }
}

ParameterValue::ParameterValue(const bool bool_value)
{
  value_.bool_value = bool_value;
  value_.type = PARAMETER_BOOL;
}

ParameterValue::ParameterValue(const int int_value)
: ParameterValue(static_cast<int64_t>(int_value))
{
}

ParameterValue::ParameterValue(const int64_t int_value)
{
  value_.integer_value = int_value;
  value_.type = PARAMETER_INTEGER;
}

ParameterValue::ParameterValue(const float double_value)
: ParameterValue(static_cast<double>(double_value))
{
}

ParameterValue::ParameterValue(const double double_value)
{
  value_.double_value = double_value;
  value_.type = PARAMETER_DOUBLE;
}

ParameterValue::ParameterValue(const std::string & string_value)
{
  value_.string_value = string_value;
  value_.type = PARAMETER_STRING;
}

ParameterValue::ParameterValue(const char * string_value)
: ParameterValue(std::string(string_value))
{
}

ParameterValue::ParameterValue(const std::vector<uint8_t> & byte_array_value)
{
  value_.byte_array_value = byte_array_value;
  value_.type = PARAMETER_BYTE_ARRAY;
}

ParameterValue::ParameterValue(const std::vector<bool> & bool_array_value)
{
  value_.bool_array_value = bool_array_value;
  value_.type = PARAMETER_BOOL_ARRAY;
}

ParameterValue::ParameterValue(const std::vector<int> & int_array_value)
{
  value_.integer_array_value.assign(int_array_value.cbegin(), int_array_value.cend());
  value_.type = PARAMETER_INTEGER_ARRAY;
}

ParameterValue::ParameterValue(const std::vector<int64_t> & int_array_value)
{
  value_.integer_array_value = int_array_value;
  value_.type = PARAMETER_INTEGER_ARRAY;
}

ParameterValue::ParameterValue(const std::vector<float> & double_array_value)
{
  value_.double_array_value.assign(double_array_value.cbegin(), double_array_value.cend());
  value_.type = PARAMETER_DOUBLE_ARRAY;
}

ParameterValue::ParameterValue(const std::vector<double> & double_array_value)
{
  value_.double_array_value = double_array_value;
  value_.type = PARAMETER_DOUBLE_ARRAY;
}

ParameterValue::ParameterValue(const std::vector<std::string> & string_array_value)
{
  value_.string_array_value = string_array_value;
  value_.type = PARAMETER_STRING_ARRAY;
}

ParameterType ParameterValue::get_type() const { return static_cast<ParameterType>(value_.type); }

rcl_interfaces::msg::ParameterValue ParameterValue::to_value_msg() const { return value_; }

bool ParameterValue::operator==(const ParameterValue & rhs) const { return value_ == rhs.value_; }

bool ParameterValue::operator!=(const ParameterValue & rhs) const { return value_ != rhs.value_; }

void ParameterValue::require(ParameterType expected) const
{
  if (get_type() != expected) {
    throw ParameterTypeException(expected, get_type());
  }
}

}  // namespace rclcpp
