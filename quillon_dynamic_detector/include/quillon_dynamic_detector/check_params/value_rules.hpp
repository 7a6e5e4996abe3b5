#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__VALUE_RULES_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__VALUE_RULES_HPP_

#include <yaml-cpp/yaml.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "quillon_dynamic_detector/check_params/parameter_schema.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

// A value as a program receives it. A list has the type of its elements.
struct TypedValue
{
  ValueType type = ValueType::string;
  bool boolean = false;
  double number = 0.0;  // integers too
  std::string text;     // as written
  bool list = false;
  std::vector<double> numbers;  // a list's numbers (integers too)
};

// A value read, or why it cannot be read as the program needs it.
using ReadValue = std::variant<TypedValue, std::string>;

// How a ROS 2 parameter file types a value (rcl's rules): quoted scalars are strings; plain
// ones are booleans (true, yes, on, ...), integers, doubles (.nan, .inf too), else strings. A
// sequence is a list whose elements are all of one of those types; rcl refuses an empty one, a
// mixed one and one that holds sequences or maps. Maps are not values.
ReadValue rosParameterValue(const YAML::Node & node);

// How the detectors read a key of their YAML file with yaml-cpp: a number key takes any number
// (6 is 6.0), an integer key only whole numbers; a sequence is a list of such values.
ReadValue detectorConfigValue(const YAML::Node & node, ValueType wanted);

// What is wrong with `value` for `parameter` (its type, a number beyond what can work, an empty
// name), or nothing.
std::optional<std::string> valueProblem(
  const SchemaParameter & parameter, const TypedValue & value);

// Why a workable number of the right type deserves a second look (outside the usual range), or
// nothing.
std::optional<std::string> valueWarning(
  const SchemaParameter & parameter, const TypedValue & value);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__VALUE_RULES_HPP_
