#include "quillon_dynamic_detector/check_params/parameter_schema.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <utility>

namespace quillon_dynamic_detector
{
namespace check_params
{
namespace
{

std::optional<double> optionalNumber(const YAML::Node & leaf, const char * keyword)
{
  const YAML::Node node = leaf[keyword];
  return node ? std::optional<double>(node.as<double>()) : std::nullopt;
}

ValueType valueType(const std::string & name, const std::string & text)
{
  for (ValueType type :
       {ValueType::boolean, ValueType::integer, ValueType::number, ValueType::string}) {
    if (text == typeName(type)) {
      return type;
    }
  }
  throw std::runtime_error("parameter '" + name + "' has no known type ('" + text + "')");
}

// The bounds of a leaf under the keywords `names` (minimum, exclusive minimum, maximum, exclusive
// maximum).
ParameterLimits limitsOf(const YAML::Node & values, const std::array<const char *, 4> & names)
{
  return {
    optionalNumber(values, names[0]), optionalNumber(values, names[1]),
    optionalNumber(values, names[2]), optionalNumber(values, names[3])};
}

SchemaParameter leafParameter(const std::string & name, const YAML::Node & leaf)
{
  SchemaParameter parameter;
  parameter.name = name;
  parameter.list = leaf["type"].as<std::string>("") == "array";
  // A list's type and range are those of its items.
  const YAML::Node values = parameter.list ? leaf["items"] : leaf;
  parameter.type = valueType(name, values["type"].as<std::string>(""));
  if (parameter.list && parameter.type != ValueType::number) {
    throw std::runtime_error("parameter '" + name + "' is a list of other values than numbers");
  }
  parameter.default_value = leaf["default"];
  parameter.unit = leaf["unit"].as<std::string>("");
  parameter.description = leaf["description"].as<std::string>("");
  parameter.range =
    limitsOf(values, {"minimum", "exclusiveMinimum", "maximum", "exclusiveMaximum"});
  parameter.hard = limitsOf(
    values, {"hardMinimum", "hardExclusiveMinimum", "hardMaximum", "hardExclusiveMaximum"});
  if (leaf["minLength"]) {
    parameter.min_length = leaf["minLength"].as<std::size_t>();
  }
  parameter.at_most = leaf["atMost"].as<std::string>("");
  return parameter;
}

// The object whose properties are the parameters: in the ROS 2 layout the definition that
// "/**" -> "ros__parameters" refers to ("#/definitions/<name>"), otherwise the document.
YAML::Node parameterRoot(const YAML::Node & document)
{
  YAML::Node reference(document);
  for (const char * key : {"properties", "/**", "properties", "ros__parameters", "$ref"}) {
    const YAML::Node next = reference.IsMap() ? std::as_const(reference)[key] : YAML::Node();
    if (!next || !next.IsDefined()) {
      return document;
    }
    reference.reset(next);
  }
  const std::string path = reference.as<std::string>();
  const std::string prefix = "#/definitions/";
  if (path.rfind(prefix, 0) != 0 || !document["definitions"][path.substr(prefix.size())]) {
    throw std::runtime_error("ros__parameters refers to '" + path + "', which is not defined");
  }
  return document["definitions"][path.substr(prefix.size())];
}

}  // namespace

const char * typeName(ValueType type)
{
  switch (type) {
    case ValueType::boolean:
      return "boolean";
    case ValueType::integer:
      return "integer";
    case ValueType::number:
      return "number";
    case ValueType::string:
      return "string";
  }
  return "?";
}

ParameterSchema ParameterSchema::load(const std::string & path)
{
  ParameterSchema schema;
  try {
    schema.addProperties(parameterRoot(YAML::LoadFile(path)), "");
  } catch (const std::exception & e) {
    throw std::runtime_error("parameter schema '" + path + "': " + e.what());
  }
  return schema;
}

void ParameterSchema::addProperties(const YAML::Node & object, const std::string & prefix)
{
  for (const auto & entry : object["properties"]) {
    const std::string name = prefix + entry.first.as<std::string>();
    if (entry.second["type"].as<std::string>("") == "object") {
      groups_.push_back(name);
      addProperties(entry.second, name + ".");
    } else {
      parameters_.push_back(leafParameter(name, entry.second));
    }
  }
}

const SchemaParameter * ParameterSchema::find(const std::string & name) const
{
  const auto it = std::find_if(
    parameters_.begin(), parameters_.end(),
    [&](const SchemaParameter & parameter) { return parameter.name == name; });
  return it == parameters_.end() ? nullptr : &*it;
}

bool ParameterSchema::isGroup(const std::string & name) const
{
  return std::find(groups_.begin(), groups_.end(), name) != groups_.end();
}

std::vector<std::string> ParameterSchema::names() const
{
  std::vector<std::string> names;
  for (const SchemaParameter & parameter : parameters_) {
    names.push_back(parameter.name);
  }
  return names;
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
