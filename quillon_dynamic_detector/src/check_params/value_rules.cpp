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

const char * pluralWords(ValueType type)
{
  switch (type) {
    case ValueType::boolean:
      return "booleans";
    case ValueType::integer:
      return "integers";
    case ValueType::number:
      return "floating-point numbers";
    case ValueType::string:
      return "strings";
  }
  return "?";
}

std::string kindWords(ValueType type, bool list)
{
  return list ? std::string("a list of ") + pluralWords(type) : typeWords(type);
}

// "[a, b, c]": a sequence's elements as written.
std::string listText(const YAML::Node & node)
{
  std::string text;
  for (const auto & item : node) {
    text += (text.empty() ? "" : ", ") + (item.IsScalar() ? item.Scalar() : std::string("..."));
  }
  return "[" + text + "]";
}

// The elements of the sequence `node`, each read by `read_element`, as one list of the type of
// the first (`empty_type` when there is none).
template <typename ReadElement>
ReadValue listValue(const YAML::Node & node, ValueType empty_type, ReadElement read_element)
{
  TypedValue list = typed(empty_type, listText(node));
  list.list = true;
  bool first = true;
  for (const auto & item : node) {
    if (!item.IsScalar()) {
      return "is a list of lists or maps, not of values";
    }
    const ReadValue element = read_element(item);
    if (const auto * problem = std::get_if<std::string>(&element)) {
      return *problem;
    }
    const TypedValue & value = std::get<TypedValue>(element);
    if (!first && value.type != list.type) {
      const bool numbers = (value.type == ValueType::integer || value.type == ValueType::number) &&
                           (list.type == ValueType::integer || list.type == ValueType::number);
      return "'" + list.text + "' mixes " + pluralWords(list.type) + " and " +
             pluralWords(value.type) + ": a list holds values of one type" +
             (numbers ? " (write 1.0, not 1)" : "");
    }
    first = false;
    list.type = value.type;
    list.numbers.push_back(value.number);
  }
  return list;
}

std::string numberText(double value)
{
  std::ostringstream out;
  out.precision(7);
  out << value;
  return out.str();
}

std::string withUnit(const SchemaParameter & parameter, const std::string & text)
{
  return parameter.unit.empty() ? text : text + " " + parameter.unit;
}

// What is wrong with an element of a list of the parameter's type.
std::optional<std::string> listProblem(const SchemaParameter & parameter, const TypedValue & value)
{
  for (const double element : value.numbers) {
    if (parameter.type == ValueType::number && !std::isfinite(element)) {
      return "'" + value.text + "' holds " + numberText(element) + ", not a finite number";
    }
    if (!parameter.hard.admits(element)) {
      return "'" + value.text + "' holds " + numberText(element) +
             ", which cannot work: each value must be " +
             withUnit(parameter, parameter.hard.text());
    }
  }
  return std::nullopt;
}

}  // namespace

ReadValue rosParameterValue(const YAML::Node & node)
{
  if (node.IsSequence()) {
    if (node.size() == 0) {
      return "is an empty list, which ROS 2 cannot read from a parameter file (leave the key out "
             "instead)";
    }
    return listValue(node, ValueType::string, rosParameterValue);
  }
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
  if (node.IsSequence()) {
    return listValue(node, wanted, [wanted](const YAML::Node & item) {
      return detectorConfigValue(item, wanted);
    });
  }
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
  if (value.type != parameter.type || value.list != parameter.list) {
    std::string text = "'" + value.text + "' is " + kindWords(value.type, value.list) +
                       ", the parameter " + kindWords(parameter.type, parameter.list);
    const bool integer_for_number = value.type == ValueType::integer &&
                                    parameter.type == ValueType::number &&
                                    value.list == parameter.list;
    if (integer_for_number && value.list) {
      text += " (write 1.0, not 1)";
    } else if (integer_for_number) {
      text += " (write " + value.text + ".0)";
      if (!parameter.hard.admits(value.number)) {
        text += ", and cannot work: it must be " + withUnit(parameter, parameter.hard.text());
      }
    }
    return text;
  }
  if (value.list) {
    return listProblem(parameter, value);
  }
  if (parameter.type == ValueType::number && !std::isfinite(value.number)) {
    return "'" + value.text + "' is not a finite number";
  }
  const bool numeric = parameter.type == ValueType::number || parameter.type == ValueType::integer;
  if (numeric && !parameter.hard.admits(value.number)) {
    return value.text + " cannot work: it must be " + withUnit(parameter, parameter.hard.text());
  }
  if (parameter.min_length && value.text.size() < *parameter.min_length) {
    return "must not be empty";
  }
  return std::nullopt;
}

std::optional<std::string> valueWarning(const SchemaParameter & parameter, const TypedValue & value)
{
  const bool numeric = parameter.type == ValueType::number || parameter.type == ValueType::integer;
  if (!numeric || value.type != parameter.type || value.list != parameter.list) {
    return std::nullopt;
  }
  const std::vector<double> numbers =
    value.list ? value.numbers : std::vector<double>{value.number};
  for (const double number : numbers) {
    if (!parameter.range.admits(number)) {
      return (value.list ? "'" + value.text + "' holds " + numberText(number) : value.text) +
             ", outside the usual range " + withUnit(parameter, parameter.range.text());
    }
  }
  return std::nullopt;
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
