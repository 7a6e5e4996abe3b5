#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/trailmerge_settings.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

const std::string PARAMS_FILE = std::string(QUILLON_CONFIG_DIR) + "/people_tracking.yaml";

// The node's parameters that a parameter file can set: not the layer's QoS overrides, and not
// the detector configuration path, whose default depends on where the package is installed.
std::map<std::string, rclcpp::Parameter> settableParameters(rclcpp::Node & node)
{
  std::map<std::string, rclcpp::Parameter> parameters;
  for (const auto & name : node.list_parameters({}, 0).names) {
    if (name.rfind("qos_overrides.", 0) != 0 && name != "detector_cfg_file") {
      parameters[name] = node.get_parameter(name);
    }
  }
  return parameters;
}

void flatten(const YAML::Node & node, const std::string & prefix, std::vector<std::string> & keys)
{
  for (const auto & entry : node) {
    const std::string key = prefix + entry.first.as<std::string>();
    if (entry.second.IsMap()) {
      flatten(entry.second, key + ".", keys);
    } else {
      keys.push_back(key);
    }
  }
}

// Declared with its defaults, and with the file's values.
struct Declared
{
  std::map<std::string, rclcpp::Parameter> defaults;
  std::map<std::string, rclcpp::Parameter> from_file;
};

template <typename Declare>
Declared declare(const std::string & node_name, Declare declare_parameters)
{
  Declared d;
  const char * plain[] = {"test"};
  rclcpp::init(1, plain);
  auto plain_node = std::make_shared<rclcpp::Node>(node_name);
  declare_parameters(*plain_node);
  d.defaults = settableParameters(*plain_node);
  plain_node.reset();
  rclcpp::shutdown();

  const char * with_file[] = {"test", "--ros-args", "--params-file", PARAMS_FILE.c_str()};
  rclcpp::init(4, with_file);
  auto node = std::make_shared<rclcpp::Node>(node_name);
  declare_parameters(*node);
  d.from_file = settableParameters(*node);
  node.reset();
  rclcpp::shutdown();
  return d;
}

// Equal to the last bit: a default declared from a single-precision setting reads back as the
// file writes it (0.2, not 0.20000000298023224), in `ros2 param get` and `ros2 param dump`.
bool sameValue(const rclcpp::Parameter & a, const rclcpp::Parameter & b)
{
  if (a.get_type() != b.get_type()) {
    return false;
  }
  if (a.get_type() == rclcpp::ParameterType::PARAMETER_DOUBLE) {
    return a.as_double() == b.as_double();
  }
  return a == b;
}

// rcl refuses an empty list in a parameter file, so a list that is empty by default can only be
// named in a comment.
bool emptyListByDefault(const rclcpp::Parameter & parameter)
{
  return parameter.get_type() == rclcpp::ParameterType::PARAMETER_DOUBLE_ARRAY &&
         parameter.as_double_array().empty();
}

std::string fileText()
{
  std::ifstream file(PARAMS_FILE);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void expectFileListsEveryDefault(const std::string & node_name, const Declared & d)
{
  std::vector<std::string> keys;
  flatten(YAML::LoadFile(PARAMS_FILE)[node_name]["ros__parameters"], "", keys);
  for (const auto & key : keys) {
    EXPECT_EQ(d.defaults.count(key), 1u) << node_name << ": the file sets unknown " << key;
  }
  for (const auto & [name, parameter] : d.defaults) {
    if (emptyListByDefault(parameter)) {
      EXPECT_NE(fileText().find("#   " + name + ": ["), std::string::npos)
        << node_name << ": the file does not name " << name << " in a comment";
      continue;
    }
    EXPECT_NE(std::find(keys.begin(), keys.end(), name), keys.end())
      << node_name << ": the file does not list " << name;
    ASSERT_EQ(d.from_file.count(name), 1u) << name;
    EXPECT_TRUE(sameValue(d.from_file.at(name), parameter))
      << node_name << ": " << name << " is not its default in the file";
  }
}

}  // namespace

// The shipped parameter file lists every parameter of both programs under their node names,
// with the programs' own defaults and types, and nothing else; lists that are empty by default
// are named in comments.
TEST(ParameterFile, ListsEveryParameterOfBothProgramsWithItsDefault)
{
  expectFileListsEveryDefault("laser_subscriber", declare("laser_subscriber", [](rclcpp::Node & n) {
                                quillon_dynamic_detector::declareTrailscanParameters(n);
                              }));
  expectFileListsEveryDefault("trailmerge", declare("trailmerge", [](rclcpp::Node & n) {
                                quillon_dynamic_detector::declareTrailmergeParameters(n);
                              }));
}

// Both programs read their parameters once, at start-up: a change at run time is refused with
// the reason (read-only), never answered as set while nothing changes. The clock's own
// use_sim_time stays as rclcpp declares it. trailscan describes every parameter.
TEST(ParameterFile, EveryParameterOfBothProgramsRefusesAChangeAtRunTime)
{
  rclcpp::init(0, nullptr);
  const auto expect_every_change_refused = [](rclcpp::Node & node) {
    const auto parameters = settableParameters(node);
    ASSERT_GT(parameters.size(), 10u);
    for (const auto & [name, parameter] : parameters) {
      if (name == "use_sim_time") {
        continue;
      }
      const auto result = node.set_parameter(parameter);
      EXPECT_FALSE(result.successful) << name;
      EXPECT_EQ(result.reason, "parameter '" + name + "' cannot be set because it is read-only");
      EXPECT_EQ(node.get_parameter(name), parameter) << name;
      EXPECT_TRUE(node.describe_parameter(name).read_only) << name;
      EXPECT_FALSE(node.describe_parameter(name).description.empty()) << name;
    }
    EXPECT_TRUE(node.set_parameter(rclcpp::Parameter("use_sim_time", false)).successful);
  };
  auto trailscan = std::make_shared<rclcpp::Node>("laser_subscriber");
  quillon_dynamic_detector::declareTrailscanParameters(*trailscan);
  expect_every_change_refused(*trailscan);
  // trailscan's descriptors say what its schema says, unit included.
  EXPECT_EQ(
    trailscan->describe_parameter("clustering.tolerance").description,
    "Largest gap between neighbouring points of one cluster. Unit: m.");
  auto trailmerge = std::make_shared<rclcpp::Node>("trailmerge");
  quillon_dynamic_detector::declareTrailmergeParameters(*trailmerge);
  expect_every_change_refused(*trailmerge);
  trailscan.reset();
  trailmerge.reset();
  rclcpp::shutdown();
}
