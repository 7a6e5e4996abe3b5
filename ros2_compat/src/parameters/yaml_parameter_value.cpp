#include "yaml_parameter_value.hpp"

#include <yaml-cpp/yaml.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace ros2_compat
{
namespace detail
{
namespace
{

bool is_one_of(const std::string & text, std::initializer_list<const char *> words)
{
  for (const char * word : words) {
    if (text == word) {
      return true;
    }
  }
  return false;
}

std::optional<bool> bool_word(const std::string & text)
{
  if (is_one_of(text, {"true", "True", "TRUE", "yes", "Yes", "YES", "y", "Y", "on", "On", "ON"})) {
    return true;
  }
  if (is_one_of(
        text, {"false", "False", "FALSE", "no", "No", "NO", "n", "N", "off", "Off", "OFF"})) {
    return false;
  }
  return std::nullopt;
}

std::optional<int64_t> whole_integer(const std::string & text)
{
  if (text.empty()) {
    return std::nullopt;
  }
  errno = 0;
  char * end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 0);  // NOLINT(runtime/int)
  if (errno != 0 || *end != '\0') {
    return std::nullopt;
  }
  return static_cast<int64_t>(value);
}

std::optional<double> whole_double(const std::string & text)
{
  if (is_one_of(text, {".nan", ".NaN", ".NAN"})) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (is_one_of(text, {".inf", ".Inf", ".INF", "+.inf", "+.Inf", "+.INF"})) {
    return std::numeric_limits<double>::infinity();
  }
  if (is_one_of(text, {"-.inf", "-.Inf", "-.INF"})) {
    return -std::numeric_limits<double>::infinity();
  }
  if (text.empty()) {
    return std::nullopt;
  }
  errno = 0;
  char * end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0') {
    return std::nullopt;
  }
  return value;
}

int line_of(const YAML::Node & node) { return node.Mark().line + 1; }

// yaml-cpp gives quoted (and block) scalars the tag "!" and plain ones "?" or an explicit tag.
bool is_quoted(const YAML::Node & node) { return node.Tag() == "!"; }

// The spelling of a null node ("~", "null", ...) in the document, or nothing for an empty value.
std::optional<std::string> null_spelling(const YAML::Node & node, const std::string & document)
{
  const int pos = node.Mark().pos;
  if (pos < 0 || static_cast<size_t>(pos) >= document.size()) {
    return std::nullopt;
  }
  for (const char * word : {"~", "null", "Null", "NULL"}) {
    const std::string spelling(word);
    if (document.compare(pos, spelling.size(), spelling) != 0) {
      continue;
    }
    const size_t after = pos + spelling.size();
    if (
      after == document.size() ||
      std::string(" \t\r\n,]}#").find(document[after]) != std::string::npos) {
      return spelling;
    }
  }
  return std::nullopt;
}

rclcpp::ParameterValue scalar_value(
  const YAML::Node & node, const std::string & document, int key_line)
{
  if (node.IsNull()) {
    const auto spelling = null_spelling(node, document);
    if (!spelling) {
      throw YamlValueError("No value at line " + std::to_string(key_line));
    }
    return rclcpp::ParameterValue(*spelling);
  }
  if (!node.IsScalar()) {
    throw YamlValueError(
      "Sequence items and parameter values must be scalars, found a map at line " +
      std::to_string(line_of(node)));
  }
  return typed_scalar(node.Scalar(), is_quoted(node));
}

template <typename T>
std::vector<T> elements_as(const std::vector<rclcpp::ParameterValue> & elements)
{
  std::vector<T> values;
  values.reserve(elements.size());
  for (const auto & element : elements) {
    values.push_back(element.get<T>());
  }
  return values;
}

rclcpp::ParameterValue sequence_value(const YAML::Node & node, const std::string & document)
{
  if (node.size() == 0) {
    throw YamlValueError(
      "Empty sequence at line " + std::to_string(line_of(node)) +
      ": the type of its elements is unknown");
  }
  std::vector<rclcpp::ParameterValue> elements;
  for (const auto & item : node) {
    if (item.IsSequence()) {
      throw YamlValueError("Nested sequence at line " + std::to_string(line_of(item)));
    }
    elements.push_back(scalar_value(item, document, line_of(item)));
    if (elements.back().get_type() != elements.front().get_type()) {
      throw YamlValueError(
        "Sequence should be of same type. Value type '" +
        rclcpp::to_string(elements.back().get_type()) + "' do not belong at line_num " +
        std::to_string(line_of(item)));
    }
  }
  switch (elements.front().get_type()) {
    case rclcpp::PARAMETER_BOOL:
      return rclcpp::ParameterValue(elements_as<bool>(elements));
    case rclcpp::PARAMETER_INTEGER:
      return rclcpp::ParameterValue(elements_as<int64_t>(elements));
    case rclcpp::PARAMETER_DOUBLE:
      return rclcpp::ParameterValue(elements_as<double>(elements));
    default:
      return rclcpp::ParameterValue(elements_as<std::string>(elements));
  }
}

}  // namespace

rclcpp::ParameterValue typed_scalar(const std::string & text, bool quoted)
{
  if (!quoted) {
    if (const auto flag = bool_word(text)) {
      return rclcpp::ParameterValue(*flag);
    }
    if (const auto integer = whole_integer(text)) {
      return rclcpp::ParameterValue(*integer);
    }
    if (const auto number = whole_double(text)) {
      return rclcpp::ParameterValue(*number);
    }
  }
  return rclcpp::ParameterValue(text);
}

rclcpp::ParameterValue parameter_value_from_yaml(
  const YAML::Node & node, const std::string & document, int key_line)
{
  if (node.IsSequence()) {
    return sequence_value(node, document);
  }
  return scalar_value(node, document, key_line);
}

rclcpp::ParameterValue parameter_value_from_text(const std::string & text)
{
  YAML::Node node;
  try {
    node = YAML::Load(text);
  } catch (const YAML::Exception & error) {
    throw YamlValueError(error.what());
  }
  return parameter_value_from_yaml(node, text, 1);
}

}  // namespace detail
}  // namespace ros2_compat
