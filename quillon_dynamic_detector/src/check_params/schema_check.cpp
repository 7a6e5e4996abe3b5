#include "quillon_dynamic_detector/check_params/schema_check.hpp"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "quillon_dynamic_detector/closest_spelling.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{
namespace
{

Finding error(int line, const std::string & text) { return {line, Severity::error, text}; }
Finding warning(int line, const std::string & text) { return {line, Severity::warning, text}; }

std::string groupOf(const std::string & name)
{
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(0, dot + 1);
}

// "did you mean ..." for an unknown name: the key alone when the suggestion sits in the same
// group (as the user writes it under that group), else the whole name.
std::string suggestion(
  const std::string & name, const std::vector<const ParameterSchema *> & schemas)
{
  std::vector<std::string> known;
  for (const ParameterSchema * schema : schemas) {
    const auto names = schema->names();
    known.insert(known.end(), names.begin(), names.end());
  }
  const auto closest = closestSpelling(name, known);
  if (!closest) {
    return "";
  }
  const std::string group = groupOf(name);
  const bool same_group = !group.empty() && groupOf(*closest) == group;
  return "; did you mean '" + (same_group ? closest->substr(group.size()) : *closest) + "'?";
}

const SchemaParameter * parameterIn(
  const std::vector<const ParameterSchema *> & schemas, const std::string & name)
{
  for (const ParameterSchema * schema : schemas) {
    if (const SchemaParameter * parameter = schema->find(name)) {
      return parameter;
    }
  }
  return nullptr;
}

bool isGroupIn(const std::vector<const ParameterSchema *> & schemas, const std::string & name)
{
  for (const ParameterSchema * schema : schemas) {
    if (schema->isGroup(name)) {
      return true;
    }
  }
  return false;
}

void checkKey(
  const std::vector<const ParameterSchema *> & schemas, const SetKey & key,
  const ValueReader & read, std::vector<Finding> & findings)
{
  const SchemaParameter * parameter = parameterIn(schemas, key.name);
  if (parameter == nullptr) {
    const std::string text =
      isGroupIn(schemas, key.name)
        ? "'" + key.name + "' is a group of parameters, not a value"
        : "unknown parameter '" + key.name + "'" + suggestion(key.name, schemas);
    findings.push_back(error(key.line, text));
    return;
  }
  const ReadValue value = read(key.value, parameter->type);
  if (const auto * problem = std::get_if<std::string>(&value)) {
    findings.push_back(error(key.line, key.name + ": " + *problem));
  } else if (const auto problem_text = valueProblem(*parameter, std::get<TypedValue>(value))) {
    findings.push_back(error(key.line, key.name + ": " + *problem_text));
  } else if (const auto warning_text = valueWarning(*parameter, std::get<TypedValue>(value))) {
    findings.push_back(warning(key.line, key.name + ": " + *warning_text));
  }
}

// The numeric value a key gives its parameter, if it reads as one.
std::optional<double> numberOf(
  const SchemaParameter & parameter, const YAML::Node & node, const ValueReader & read)
{
  const ReadValue value = read(node, parameter.type);
  const auto * typed_value = std::get_if<TypedValue>(&value);
  if (typed_value == nullptr || typed_value->type != parameter.type) {
    return std::nullopt;
  }
  return typed_value->number;
}

}  // namespace

std::vector<SetKey> flattenKeys(const YAML::Node & map, const std::string & prefix)
{
  std::vector<SetKey> keys;
  for (const auto & entry : map) {
    const std::string name = prefix + entry.first.as<std::string>("");
    if (entry.second.IsMap()) {
      const auto nested = flattenKeys(entry.second, name + ".");
      keys.insert(keys.end(), nested.begin(), nested.end());
    } else {
      keys.push_back({name, entry.first.Mark().line + 1, entry.second});
    }
  }
  return keys;
}

void checkKeys(
  const std::vector<const ParameterSchema *> & schemas, const std::vector<SetKey> & keys,
  const ValueReader & read, std::vector<Finding> & findings)
{
  std::map<std::string, int> first_line;
  for (const SetKey & key : keys) {
    const auto [it, first] = first_line.emplace(key.name, key.line);
    if (!first) {
      findings.push_back(
        {key.line, Severity::warning,
         key.name + " is set again (first at line " + std::to_string(it->second) + ")"});
    }
    checkKey(schemas, key, read, findings);
  }
}

void checkOrder(
  const ParameterSchema & schema, const std::vector<SetKey> & keys, const ValueReader & read,
  std::vector<Finding> & findings)
{
  std::map<std::string, const SetKey *> last;
  for (const SetKey & key : keys) {
    last[key.name] = &key;
  }
  // The value a parameter takes, as a number and as written: the file's when it reads as a
  // number, else the default.
  using Value = std::pair<double, std::string>;
  auto effective = [&](const SchemaParameter & parameter) -> std::optional<Value> {
    const auto it = last.find(parameter.name);
    const YAML::Node node = it != last.end() ? it->second->value : parameter.default_value;
    const auto number = it != last.end() ? numberOf(parameter, node, read)
                        : node           ? std::optional<double>(node.as<double>())
                                         : std::nullopt;
    return number ? std::optional<Value>(Value{*number, node.Scalar()}) : std::nullopt;
  };
  for (const SchemaParameter & lower : schema.parameters()) {
    const SchemaParameter * upper = lower.at_most.empty() ? nullptr : schema.find(lower.at_most);
    if (upper == nullptr || (!last.count(lower.name) && !last.count(upper->name))) {
      continue;
    }
    const auto low = effective(lower);
    const auto high = effective(*upper);
    if (!low || !high || low->first <= high->first) {
      continue;
    }
    const SetKey * at = last.count(lower.name) ? last.at(lower.name) : last.at(upper->name);
    findings.push_back(error(
      at->line, lower.name + " (" + low->second + ") must not exceed " + upper->name + " (" +
                  high->second + ")"));
  }
}

int lineMentioned(const std::string & text, const std::vector<SetKey> & keys, int fallback)
{
  std::size_t longest = 0;
  int line = fallback;
  for (const SetKey & key : keys) {
    if (key.name.size() > longest && text.find(key.name) != std::string::npos) {
      longest = key.name.size();
      line = key.line;
    }
  }
  return line;
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
