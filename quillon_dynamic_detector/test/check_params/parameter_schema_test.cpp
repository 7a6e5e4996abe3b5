#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ament_index_cpp/get_package_share_directory.hpp"
#include "quillon_dynamic_detector/check_params/schema_check.hpp"
#include "quillon_dynamic_detector/check_params/schemas.hpp"
#include "quillon_dynamic_detector/check_params/startup_check.hpp"
#include "quillon_dynamic_detector/geometric_detector_config.hpp"
#include "quillon_dynamic_detector/trailmerge_settings.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "quillon_perception_libs/free_space_settings.hpp"
#include "rclcpp/rclcpp.hpp"
#include "scratch_folder.hpp"

namespace cp = quillon_dynamic_detector::check_params;

namespace
{

const cp::Schemas & schemas()
{
  static const cp::Schemas loaded = cp::loadSchemas(QUILLON_SCHEMA_DIR);
  return loaded;
}

// The parameters a program declares on a node without overrides, by name (without the layer's
// QoS overrides).
template <typename Declare>
std::map<std::string, rclcpp::Parameter> declaredDefaults(const char * node_name, Declare declare)
{
  const char * arguments[] = {"test"};
  rclcpp::init(1, arguments);
  auto node = std::make_shared<rclcpp::Node>(node_name);
  declare(*node);
  std::map<std::string, rclcpp::Parameter> declared;
  for (const auto & name : node->list_parameters({}, 0).names) {
    if (name.rfind("qos_overrides.", 0) != 0) {
      declared[name] = node->get_parameter(name);
    }
  }
  node.reset();
  rclcpp::shutdown();
  return declared;
}

rclcpp::ParameterType rosType(const cp::SchemaParameter & parameter)
{
  if (parameter.list) {
    return parameter.type == cp::ValueType::number ? rclcpp::ParameterType::PARAMETER_DOUBLE_ARRAY
                                                   : rclcpp::ParameterType::PARAMETER_NOT_SET;
  }
  switch (parameter.type) {
    case cp::ValueType::boolean:
      return rclcpp::ParameterType::PARAMETER_BOOL;
    case cp::ValueType::integer:
      return rclcpp::ParameterType::PARAMETER_INTEGER;
    case cp::ValueType::number:
      return rclcpp::ParameterType::PARAMETER_DOUBLE;
    case cp::ValueType::string:
      return rclcpp::ParameterType::PARAMETER_STRING;
  }
  return rclcpp::ParameterType::PARAMETER_NOT_SET;
}

// The schema writes defaults with the digits a reader expects; float32 fields declare the
// float widened to double (0.1 -> 0.10000000149011612), which must round to the same float.
bool sameDefault(const cp::SchemaParameter & parameter, const rclcpp::Parameter & declared)
{
  if (parameter.list) {
    return parameter.default_value.as<std::vector<double>>() == declared.as_double_array();
  }
  switch (parameter.type) {
    case cp::ValueType::boolean:
      return parameter.default_value.as<bool>() == declared.as_bool();
    case cp::ValueType::integer:
      return parameter.default_value.as<int64_t>() == declared.as_int();
    case cp::ValueType::number:
      return parameter.default_value.as<double>() == declared.as_double() ||
             parameter.default_value.as<float>() == static_cast<float>(declared.as_double());
    case cp::ValueType::string: {
      // The configuration file's default depends on where the package is installed.
      std::string text = parameter.default_value.as<std::string>();
      const std::string share = "$(find-pkg-share quillon_dynamic_detector)";
      if (text.rfind(share, 0) == 0) {
        text = ament_index_cpp::get_package_share_directory("quillon_dynamic_detector") +
               text.substr(share.size());
      }
      return text == declared.as_string();
    }
  }
  return false;
}

void expectSchemaListsExactly(
  const cp::ParameterSchema & schema, const std::map<std::string, rclcpp::Parameter> & declared)
{
  for (const cp::SchemaParameter & parameter : schema.parameters()) {
    const auto it = declared.find(parameter.name);
    ASSERT_NE(it, declared.end()) << "the schema has " << parameter.name
                                  << ", which is not declared";
    EXPECT_EQ(it->second.get_type(), rosType(parameter)) << parameter.name;
    EXPECT_TRUE(sameDefault(parameter, it->second))
      << parameter.name << ": not the declared default";
  }
  for (const auto & entry : declared) {
    EXPECT_NE(schema.find(entry.first), nullptr) << entry.first << " is not in the schema";
  }
}

// A detector configuration that sets every key of `schema` to its default or, when `changed`, to
// a value that differs from it (and that the detectors accept). Dotted names are sections.
std::string configuration(const cp::ParameterSchema & schema, bool changed)
{
  YAML::Node root;
  for (const cp::SchemaParameter & parameter : schema.parameters()) {
    const auto dot = parameter.name.find('.');
    YAML::Node entry = dot == std::string::npos
                         ? root[parameter.name]
                         : root[parameter.name.substr(0, dot)][parameter.name.substr(dot + 1)];
    if (parameter.type == cp::ValueType::boolean) {
      entry = changed != parameter.default_value.as<bool>();
      continue;
    }
    const double value = parameter.default_value.as<double>();
    if (parameter.type == cp::ValueType::integer) {
      entry = static_cast<int64_t>(changed ? value + 1 : value);
    } else {
      entry = changed ? value * 2 + 1 : value;
    }
  }
  YAML::Emitter out;
  out.SetDoublePrecision(17);
  out << root;
  return out.c_str();
}

std::vector<uint32_t> wordsOf(const quillon_dynamic_detector::GeometricDetectorConfig & c)
{
  std::vector<uint32_t> words(sizeof(c) / 4);
  std::memcpy(words.data(), &c, sizeof(c));
  return words;
}

std::vector<double> fieldsOf(const orvane::perception::FreeSpaceSettings & s)
{
  return {
    s.free_space_memory,
    s.memory_spacing,
    s.free_space_margin,
    s.free_space_margin_per_m,
    s.lateral_margin,
    s.odometry_drift,
    s.at_rest_margin_share,
    s.max_range,
    static_cast<double>(s.min_support_beams),
    s.body_range_tolerance,
    s.body_min_travel,
    s.uncovered_depth,
    s.settle_time,
    s.structure_memory,
    s.unseen_join_range_gap};
}

// A number just beyond a parameter's hard lower or upper limit, as its file would hold it (an
// integer key takes a whole number, a number key a decimal one); nothing when it has no such limit.
std::optional<std::string> beyondLimit(const cp::SchemaParameter & parameter, bool upper)
{
  const quillon_dynamic_detector::ParameterLimits & hard = parameter.hard;
  const std::optional<double> inclusive = upper ? hard.maximum : hard.minimum;
  const std::optional<double> exclusive = upper ? hard.exclusive_maximum : hard.exclusive_minimum;
  const double step = upper ? 1.0 : -1.0;
  std::optional<double> value;
  if (inclusive) {
    value = parameter.type == cp::ValueType::integer
              ? *inclusive + step
              : *inclusive + step * std::max(1e-3, std::fabs(*inclusive) * 1e-3);
  } else if (exclusive) {
    value = *exclusive;
  }
  if (!value) {
    return std::nullopt;
  }
  char text[40];
  std::snprintf(
    text, sizeof(text), parameter.type == cp::ValueType::integer ? "%.0f" : "%.6f", *value);
  return std::string(text);
}

// One key set in the layout of its file: a ROS 2 parameter file of `node`, or (no node) the
// detectors' configuration with its "dynamic_laser_detector" section.
std::string fileSetting(const char * node, const std::string & name, const std::string & value)
{
  if (node != nullptr) {
    return std::string(node) + ":\n  ros__parameters:\n    " + name + ": " + value + "\n";
  }
  const auto dot = name.find('.');
  return dot == std::string::npos
           ? name + ": " + value + "\n"
           : name.substr(0, dot) + ":\n  " + name.substr(dot + 1) + ": " + value + "\n";
}

}  // namespace

// The schemas' hard limits are what the programs refuse: a value just beyond any of them stops
// trailscan, trailmerge or the detectors at start-up, naming the key. (trailmerge keeps its
// limits in its own code, the detectors in theirs.)
TEST(ParameterSchemas, HardLimitsAreWhatTheProgramsRefuse)
{
  const quillon_test::ScratchFolder folder;
  const char * arguments[] = {"test"};
  rclcpp::init(1, arguments);
  struct Program
  {
    const cp::ParameterSchema * schema;
    const char * node;
  };
  std::size_t checked = 0;
  for (const Program & program :
       {Program{&schemas().trailscan, "laser_subscriber"},
        Program{&schemas().trailmerge, "trailmerge"},
        Program{&schemas().detector_config, nullptr}}) {
    for (const cp::SchemaParameter & parameter : program.schema->parameters()) {
      for (const bool upper : {false, true}) {
        const auto value = beyondLimit(parameter, upper);
        if (!value || parameter.list) {
          continue;
        }
        const std::string path =
          folder.write("beyond.yaml", fileSetting(program.node, parameter.name, *value));
        const std::string node = program.node == nullptr ? "" : program.node;
        const auto refusal = node == "laser_subscriber" ? cp::trailscanStartupRefusal(path, false)
                             : node == "trailmerge"     ? cp::trailmergeStartupRefusal(path)
                                                        : cp::detectorStartupRefusal(path);
        const std::string key = parameter.name.substr(parameter.name.rfind('.') + 1);
        EXPECT_TRUE(refusal && refusal->find(key) != std::string::npos)
          << parameter.name << ": " << *value << " was "
          << (refusal ? "refused without its name: " + *refusal : std::string("accepted"));
        ++checked;
      }
    }
  }
  rclcpp::shutdown();
  EXPECT_GT(checked, 150u);
}

// What `ros2 param describe` shows of each parameter is its schema's description and unit, and
// its closed hard limits as the range (trailmerge keeps its own copy, trailscan reads the schema).
TEST(ParameterSchemas, DescriptorsShowTheSchemasDescriptionUnitAndLimits)
{
  const char * arguments[] = {"test"};
  rclcpp::init(1, arguments);
  auto trailscan = std::make_shared<rclcpp::Node>("laser_subscriber");
  quillon_dynamic_detector::declareTrailscanParameters(*trailscan);
  auto trailmerge = std::make_shared<rclcpp::Node>("trailmerge");
  quillon_dynamic_detector::declareTrailmergeParameters(*trailmerge);
  std::size_t ranges = 0;
  for (const auto & [schema, node] :
       {std::make_pair(&schemas().trailscan, trailscan),
        std::make_pair(&schemas().trailmerge, trailmerge)}) {
    for (const cp::SchemaParameter & parameter : schema->parameters()) {
      if (parameter.name == "use_sim_time") {
        continue;
      }
      const auto descriptor = node->describe_parameter(parameter.name);
      const std::string unit = parameter.unit.empty() ? "" : " Unit: " + parameter.unit + ".";
      EXPECT_EQ(descriptor.description, parameter.description + unit) << parameter.name;
      const auto & hard = parameter.hard;
      const bool closed = hard.minimum && !hard.exclusive_maximum && !parameter.list &&
                          parameter.type != cp::ValueType::boolean;
      const std::size_t range_count =
        descriptor.floating_point_range.size() + descriptor.integer_range.size();
      EXPECT_EQ(range_count, closed ? 1u : 0u) << parameter.name;
      if (closed && !descriptor.floating_point_range.empty()) {
        EXPECT_EQ(descriptor.floating_point_range[0].from_value, *hard.minimum) << parameter.name;
        EXPECT_EQ(
          descriptor.floating_point_range[0].to_value,
          hard.maximum.value_or(std::numeric_limits<double>::max()))
          << parameter.name;
      }
      if (closed && !descriptor.integer_range.empty()) {
        EXPECT_EQ(descriptor.integer_range[0].from_value, *hard.minimum) << parameter.name;
      }
      ranges += range_count;
    }
  }
  trailscan.reset();
  trailmerge.reset();
  rclcpp::shutdown();
  EXPECT_GT(ranges, 80u);
}

TEST(ParameterSchemas, ListEveryDeclaredParameterOfBothProgramsWithItsTypeAndDefault)
{
  expectSchemaListsExactly(
    schemas().trailscan, declaredDefaults("laser_subscriber", [](rclcpp::Node & node) {
      quillon_dynamic_detector::declareTrailscanParameters(node);
    }));
  expectSchemaListsExactly(
    schemas().trailmerge, declaredDefaults("trailmerge", [](rclcpp::Node & node) {
      quillon_dynamic_detector::declareTrailmergeParameters(node);
    }));
}

// Every key of the detector schema moves its own field of the detectors' settings, every field
// is moved, and the schema's defaults are the detectors' own.
TEST(ParameterSchemas, ListEveryDetectorKeyWithItsDefault)
{
  const quillon_test::ScratchFolder folder;
  const cp::ParameterSchema & schema = schemas().detector_config;
  auto load = [&](const std::string & name, bool changed) {
    const std::string path = folder.write(name, configuration(schema, changed));
    return std::make_pair(
      quillon_dynamic_detector::loadGeometricDetectorConfig(path),
      orvane::perception::loadFreeSpaceSettings(path));
  };
  const auto defaults = load("defaults.yaml", false);
  const auto changed = load("changed.yaml", true);

  EXPECT_EQ(wordsOf(defaults.first), wordsOf(quillon_dynamic_detector::GeometricDetectorConfig{}));
  EXPECT_EQ(fieldsOf(defaults.second), fieldsOf(orvane::perception::FreeSpaceSettings{}));
  const auto before = wordsOf(defaults.first);
  const auto after = wordsOf(changed.first);
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_NE(before[i], after[i]) << "field " << i << " of the geometric detector has no key";
  }
  const auto free_before = fieldsOf(defaults.second);
  const auto free_after = fieldsOf(changed.second);
  for (std::size_t i = 0; i < free_before.size(); ++i) {
    EXPECT_NE(free_before[i], free_after[i]) << "field " << i << " of the closed detector";
  }
  std::size_t geometric_keys = 0;
  for (const cp::SchemaParameter & parameter : schema.parameters()) {
    geometric_keys += parameter.name.find('.') == std::string::npos;
  }
  EXPECT_EQ(geometric_keys, before.size());
  EXPECT_EQ(schema.parameters().size() - geometric_keys, free_before.size());
}

// A default outside its own range, or breaking an order, would make the checker refuse files
// that merely repeat it.
TEST(ParameterSchemas, DefaultsLieWithinTheirRangesAndOrders)
{
  for (const cp::ParameterSchema * schema :
       {&schemas().trailscan, &schemas().trailmerge, &schemas().detector_config}) {
    std::vector<cp::SetKey> keys;
    for (const cp::SchemaParameter & parameter : schema->parameters()) {
      ASSERT_TRUE(parameter.default_value) << parameter.name << " has no default";
      ASSERT_TRUE(parameter.at_most.empty() || schema->find(parameter.at_most)) << parameter.name;
      keys.push_back({parameter.name, 1, parameter.default_value});
    }
    std::vector<cp::Finding> findings;
    cp::checkKeys({schema}, keys, cp::detectorConfigValue, findings);
    cp::checkOrder(*schema, keys, cp::detectorConfigValue, findings);
    for (const cp::Finding & finding : findings) {
      ADD_FAILURE() << finding.text;
    }
  }
}
