// How rcl types YAML values (parameter files and `-p name:=value`), on yaml-cpp nodes.
#ifndef PARAMETERS__YAML_PARAMETER_VALUE_HPP_
#define PARAMETERS__YAML_PARAMETER_VALUE_HPP_

#include <yaml-cpp/yaml.h>

#include <stdexcept>
#include <string>

#include "rclcpp/parameter_value.hpp"

namespace ros2_compat
{
namespace detail
{

/// A YAML value that cannot become a parameter value; what() is the reason.
class YamlValueError : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

/// Unquoted: bool words, then a whole strtoll(base 0) integer, then a whole strtod double or a
/// .nan/.inf form, else string. Quoted scalars are always strings.
rclcpp::ParameterValue typed_scalar(const std::string & text, bool quoted);

/// A scalar, or a sequence of scalars of one type (an array parameter). `document` is the text
/// `node` was loaded from: yaml-cpp turns `~` and `null` into null nodes, which rcl reads as the
/// strings they are, so their spelling is looked up there. An empty value is reported at
/// `key_line`; lines count from 1.
rclcpp::ParameterValue parameter_value_from_yaml(
  const YAML::Node & node, const std::string & document, int key_line);

/// The value of `-p name:=<text>`, parsed as a YAML document of its own.
rclcpp::ParameterValue parameter_value_from_text(const std::string & text);

}  // namespace detail
}  // namespace ros2_compat

#endif  // PARAMETERS__YAML_PARAMETER_VALUE_HPP_
