#include "quillon_dynamic_detector/check_params/value_rules.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace quillon_dynamic_detector
{
namespace check_params
{
namespace
{

bool oneOf(const std::string & text, std::initializer_list<const char *> words)
{
  for (const char * word : words) {
    if (text == word) {
      return true;
    }
  }
  return false;
}

TypedValue typed(ValueType type, const std::string & text, double number = 0.0)
{
  TypedValue value;
  value.type = type;
  value.text = text;
  value.number = number;
  return value;
}

std::optional<double> specialDouble(const std::string & text)
{
  if (oneOf(text, {".nan", ".NaN", ".NAN"})) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (oneOf(text, {".inf", ".Inf", ".INF", "+.inf", "+.Inf", "+.INF"})) {
    return std::numeric_limits<double>::infinity();
  }
  if (oneOf(text, {"-.inf", "-.Inf", "-.INF"})) {
    return -std::numeric_limits<double>::infinity();
  }
  return std::nullopt;
}

// The whole text read by `parse` (strtoll or strtod), or nothing.
template <typename Parse>
std::optional<double> wholeNumber(const std::string & text, Parse parse)
{
  if (text.empty()) {
    return std::nullopt;
  }
  errno = 0;
  char * end = nullptr;
  const double value = static_cast<double>(parse(text.c_str(), &end));
  if (errno != 0 || *end != '\0') {
    return std::nullopt;
  }
  return value;
}

std::string shapeOf(const YAML::Node & node)
{
  if (node.IsMap()) {
    return "a map";
  }
  return node.IsSequence() ? "a list" : "empty";
}

const char * typeWords(ValueType type)
{
  switch (type) {
    case ValueType::boolean:
      return "a boolean";
    case ValueType::integer:
      return "an integer";
    case ValueType::number:
      return "a floating-point number";
    case ValueType::string:
      return "a string";
  }
  return "?";
}

std::string numberText(double value)
{
  std::ostringstream out;
  out.precision(7);
  out << value;
  return out.str();
}

bool inRange(const SchemaParameter & parameter, double v)
{
  return (!parameter.minimum || v >= *parameter.minimum) &&
         (!parameter.maximum || v <= *parameter.maximum) &&
         (!parameter.exclusive_minimum || v > *parameter.exclusive_minimum) &&
         (!parameter.exclusive_maximum || v < *parameter.exclusive_maximum);
}

std::string withUnit(const SchemaParameter & parameter, const std::string & text)
{
  return parameter.unit.empty() ? text : text + " " + parameter.unit;
}

}  // namespace

ReadValue rosParameterValue(const YAML::Node & node)
{
  if (!node.IsScalar()) {
    return "is " + shapeOf(node) + ", not a value";
  }
  const std::string & text = node.Scalar();
  if (node.Tag() == "!") {  // quoted
    return typed(ValueType::string, text);
  }
  if (oneOf(text, {"true", "True", "TRUE", "yes", "Yes", "YES", "y", "Y", "on", "On", "ON"})) {
    TypedValue value = typed(ValueType::boolean, text);
    value.boolean = true;
    return value;
  }
  if (oneOf(text, {"false", "False", "FALSE", "no", "No", "NO", "n", "N", "off", "Off", "OFF"})) {
    return typed(ValueType::boolean, text);
  }
  if (const auto integer = wholeNumber(text, [](const char * s, char ** end) {
        return std::strtoll(s, end, 0);
      })) {
    return typed(ValueType::integer, text, *integer);
  }
  if (const auto special = specialDouble(text)) {
    return typed(ValueType::number, text, *special);
  }
  if (const auto number = wholeNumber(text, [](const char * s, char ** end) {
        return std::strtod(s, end);
      })) {
    return typed(ValueType::number, text, *number);
  }
  return typed(ValueType::string, text);
}

ReadValue detectorConfigValue(const YAML::Node & node, ValueType wanted)
{
  if (!node.IsScalar()) {
    return "is " + shapeOf(node) + ", not " + typeWords(wanted);
  }
  const std::string & text = node.Scalar();
  try {
    switch (wanted) {
      case ValueType::integer:
        return typed(wanted, text, node.as<int>());
      case ValueType::number:
        return typed(wanted, text, node.as<float>());
      case ValueType::boolean: {
        TypedValue value = typed(wanted, text);
        value.boolean = node.as<bool>();
        return value;
      }
      case ValueType::string:
        return typed(wanted, text);
    }
  } catch (const YAML::Exception &) {
  }
  return "'" + text + "' is not " + typeWords(wanted);
}

std::optional<std::string> valueProblem(const SchemaParameter & parameter, const TypedValue & value)
{
  if (value.type != parameter.type) {
    std::string text = "'" + value.text + "' is " + typeWords(value.type) + ", the parameter " +
                       typeWords(parameter.type);
    if (value.type == ValueType::integer && parameter.type == ValueType::number) {
      text += " (write " + value.text + ".0)";
      if (!inRange(parameter, value.number)) {
        text += ", and out of range: it must be " + withUnit(parameter, rangeText(parameter));
      }
    }
    return text;
  }
  if (parameter.type == ValueType::number && !std::isfinite(value.number)) {
    return "'" + value.text + "' is not a finite number";
  }
  const bool numeric = parameter.type == ValueType::number || parameter.type == ValueType::integer;
  if (numeric && !inRange(parameter, value.number)) {
    return value.text + " is out of range: it must be " + withUnit(parameter, rangeText(parameter));
  }
  if (parameter.min_length && value.text.size() < *parameter.min_length) {
    return "must not be empty";
  }
  return std::nullopt;
}

std::string rangeText(const SchemaParameter & parameter)
{
  std::vector<std::string> parts;
  if (parameter.minimum) {
    parts.push_back(">= " + numberText(*parameter.minimum));
  }
  if (parameter.exclusive_minimum) {
    parts.push_back("> " + numberText(*parameter.exclusive_minimum));
  }
  if (parameter.maximum) {
    parts.push_back("<= " + numberText(*parameter.maximum));
  }
  if (parameter.exclusive_maximum) {
    parts.push_back("< " + numberText(*parameter.exclusive_maximum));
  }
  std::string text;
  for (const std::string & part : parts) {
    text += (text.empty() ? "" : " and ") + part;
  }
  return text;
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
