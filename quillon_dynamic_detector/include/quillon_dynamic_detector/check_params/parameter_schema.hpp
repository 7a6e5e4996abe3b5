#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__PARAMETER_SCHEMA_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__PARAMETER_SCHEMA_HPP_

#include <yaml-cpp/yaml.h>

#include <optional>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/parameter_limits.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

enum class ValueType
{
  boolean,
  integer,
  number,
  string
};

// The JSON Schema name of a type: "boolean", "integer", "number" or "string".
const char * typeName(ValueType type);

// One parameter (a leaf of the schema), named by its dotted path from the parameter root
// ("clustering.tolerance", "dynamic_laser_detector.max_range", "local_map_max_range"). A list
// parameter (JSON Schema "array" of "number" items) has the type and range of its items.
struct SchemaParameter
{
  std::string name;
  ValueType type = ValueType::number;
  bool list = false;
  YAML::Node default_value;
  std::string unit;  // empty when unitless
  std::string description;
  ParameterLimits range;  // where a value is sensible: outside it, a warning
  ParameterLimits hard;   // what can work at all: beyond it, the programs refuse to start
  std::optional<std::size_t> min_length;  // strings
  std::string at_most;                    // a parameter whose value this one may not exceed
};

// The parameters of one schema file: the ROS 2 layout ("/**" -> "ros__parameters" -> a
// definition) or a plain document whose properties are the file's keys. Nested objects are groups
// whose names prefix their members'.
class ParameterSchema
{
public:
  // Reads the JSON Schema at `path`. Throws std::runtime_error naming the file when it cannot be
  // read or a leaf has no type of the four above (nor is an array of numbers).
  static ParameterSchema load(const std::string & path);

  // The parameter named `name`, or nullptr.
  const SchemaParameter * find(const std::string & name) const;
  // Whether `name` is a group ("clustering"), not a parameter.
  bool isGroup(const std::string & name) const;
  // Every parameter, in the schema's order.
  const std::vector<SchemaParameter> & parameters() const { return parameters_; }
  std::vector<std::string> names() const;

private:
  void addProperties(const YAML::Node & object, const std::string & prefix);

  std::vector<SchemaParameter> parameters_;
  std::vector<std::string> groups_;
};

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__PARAMETER_SCHEMA_HPP_
