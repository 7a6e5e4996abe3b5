#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SCHEMA_CHECK_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SCHEMA_CHECK_HPP_

#include <yaml-cpp/yaml.h>

#include <functional>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/check_params/finding.hpp"
#include "quillon_dynamic_detector/check_params/parameter_schema.hpp"
#include "quillon_dynamic_detector/check_params/value_rules.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

// A key set in a file: its dotted name, the line of the key and its value.
struct SetKey
{
  std::string name;
  int line = 0;
  YAML::Node value;
};

// The keys set in `map`, in file order; nested maps are joined with dots ("clustering" +
// "tolerance" -> "clustering.tolerance"), as ROS 2 names parameters.
std::vector<SetKey> flattenKeys(const YAML::Node & map, const std::string & prefix = "");

// How a file kind turns a value into what the program receives.
using ValueReader = std::function<ReadValue(const YAML::Node &, ValueType)>;

// Checks each key against the first of `schemas` that has it: unknown keys (with the nearest
// known spelling), groups given a value, keys set twice, wrong types and out-of-range values.
void checkKeys(
  const std::vector<const ParameterSchema *> & schemas, const std::vector<SetKey> & keys,
  const ValueReader & read, std::vector<Finding> & findings);

// Checks that every parameter with an upper bound in another parameter ("atMost") stays at or
// below it, with the keys' values (the last one of a name wins) over the schema's defaults.
// Reported once per broken pair, at the line of a key that is set.
void checkOrder(
  const ParameterSchema & schema, const std::vector<SetKey> & keys, const ValueReader & read,
  std::vector<Finding> & findings);

// The line of the longest key name that `text` mentions, or `fallback`.
int lineMentioned(const std::string & text, const std::vector<SetKey> & keys, int fallback);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SCHEMA_CHECK_HPP_
