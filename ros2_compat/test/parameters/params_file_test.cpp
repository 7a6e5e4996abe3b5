#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "golden_errors.hpp"
#include "rclcpp/exceptions.hpp"
#include "ros2_compat/detail/ros_arguments.hpp"
#include "temporary_directory.hpp"

using rclcpp::ParameterValue;
using ros2_compat::detail::node_key_matches;
using ros2_compat::detail::parse_ros_arguments;

namespace
{

class ParamsFile : public ::testing::Test
{
protected:
  // The overrides that node `fqn` gets from `--ros-args` followed by `arguments`, where
  // "@name" stands for the path of the file `name` written by the test.
  std::map<std::string, ParameterValue> overrides_for(
    const std::string & fqn, const std::vector<std::string> & arguments) const
  {
    std::vector<std::string> command_line{"trailscan", "--ros-args"};
    for (const auto & argument : arguments) {
      command_line.push_back(argument[0] == '@' ? dir.path_of(argument.substr(1)) : argument);
    }
    return parse_ros_arguments(command_line).parameter_overrides.for_node(fqn);
  }

  std::string load_error(const std::string & yaml) const
  {
    const std::string path = dir.write("broken.yaml", yaml);
    return what_of<rclcpp::exceptions::RCLInvalidROSArgsError>([&] {
      parse_ros_arguments({"--ros-args", "--params-file", path});
    });
  }

  TemporaryDirectory dir;
};

}  // namespace

TEST_F(ParamsFile, ScalarsAndSequencesAreTyped)
{
  dir.write(
    "values.yaml",
    "trailscan:\n"
    "  ros__parameters:\n"
    "    integer: 2\n"
    "    trailing_dot: 2.\n"
    "    exponent: 1e3\n"
    "    hex: 0x10\n"
    "    octal: 010\n"
    "    word: yes\n"
    "    quoted: '7'\n"
    "    double_quoted: \"2.5\"\n"
    "    not_a_number: .nan\n"
    "    tilde: ~\n"
    "    text: laser front\n"
    "    doubles: [1.0, 2.0]\n"
    "    strings:\n"
    "      - a\n"
    "      - '2'\n");
  const auto values = overrides_for("/trailscan", {"--params-file", "@values.yaml"});
  EXPECT_EQ(values.at("integer"), ParameterValue(int64_t{2}));
  EXPECT_EQ(values.at("trailing_dot"), ParameterValue(2.0));
  EXPECT_EQ(values.at("exponent"), ParameterValue(1000.0));
  EXPECT_EQ(values.at("hex"), ParameterValue(int64_t{16}));
  EXPECT_EQ(values.at("octal"), ParameterValue(int64_t{8}));
  EXPECT_EQ(values.at("word"), ParameterValue(true));
  EXPECT_EQ(values.at("quoted"), ParameterValue("7"));
  EXPECT_EQ(values.at("double_quoted"), ParameterValue("2.5"));
  EXPECT_TRUE(std::isnan(values.at("not_a_number").get<double>()));
  EXPECT_EQ(values.at("tilde"), ParameterValue("~"));
  EXPECT_EQ(values.at("text"), ParameterValue("laser front"));
  EXPECT_EQ(values.at("doubles"), ParameterValue(std::vector<double>{1.0, 2.0}));
  EXPECT_EQ(values.at("strings"), ParameterValue(std::vector<std::string>{"a", "2"}));
}

TEST_F(ParamsFile, NestedMapsAndDottedNamesAreTheSameParameter)
{
  dir.write(
    "nested.yaml",
    "/trailscan:\n"
    "  ros__parameters:\n"
    "    laser:\n"
    "      range_max: 9.5\n"
    "      limits: {low: 1}\n"
    "trailscan:\n"
    "  ros__parameters:\n"
    "    laser.range_max: 8.5\n");
  const auto values = overrides_for("/trailscan", {"--params-file", "@nested.yaml"});
  EXPECT_EQ(values.at("laser.range_max"), ParameterValue(8.5));
  EXPECT_EQ(values.at("laser.limits.low"), ParameterValue(int64_t{1}));
  EXPECT_EQ(values.size(), 2u);
}

TEST_F(ParamsFile, NodeKeysAndWildcards)
{
  EXPECT_TRUE(node_key_matches("trailscan", "/trailscan"));
  EXPECT_TRUE(node_key_matches("/trailscan", "/trailscan"));
  EXPECT_FALSE(node_key_matches("/trailscan", "/robot/trailscan"));
  EXPECT_TRUE(node_key_matches("/**", "/robot/a/trailscan"));
  EXPECT_TRUE(node_key_matches("/*", "/trailscan"));
  EXPECT_FALSE(node_key_matches("/*", "/robot/trailscan"));
  EXPECT_TRUE(node_key_matches("/robot/*", "/robot/trailscan"));
  EXPECT_TRUE(node_key_matches("/**/trailscan", "/trailscan"));
  EXPECT_TRUE(node_key_matches("/**/trailscan", "/robot/a/trailscan"));
  EXPECT_FALSE(node_key_matches("/**/trailscan", "/robot/trailmerge"));

  dir.write(
    "keys.yaml",
    "/**:\n  ros__parameters: {everywhere: 1}\n"
    "/*:\n  ros__parameters: {top_level: 2}\n"
    "robot:\n  trailscan:\n    ros__parameters: {nested_key: 3}\n"
    "trailmerge:\n  ros__parameters: {other_node: 4}\n");
  const auto robot = overrides_for("/robot/trailscan", {"--params-file", "@keys.yaml"});
  EXPECT_EQ(robot.count("everywhere"), 1u);
  EXPECT_EQ(robot.count("top_level"), 0u);
  EXPECT_EQ(robot.at("nested_key"), ParameterValue(int64_t{3}));
  EXPECT_EQ(robot.count("other_node"), 0u);
  const auto top = overrides_for("/trailscan", {"--params-file", "@keys.yaml"});
  EXPECT_EQ(top.count("top_level"), 1u);
  EXPECT_EQ(top.count("nested_key"), 0u);
}

TEST_F(ParamsFile, TheKeyThatAppearsLaterWins)
{
  dir.write(
    "wildcard_first.yaml",
    "/**:\n  ros__parameters: {x: 1.0}\ntrailscan:\n  ros__parameters: {x: 2.0}\n");
  dir.write(
    "node_first.yaml",
    "trailscan:\n  ros__parameters: {x: 2.0}\n/**:\n  ros__parameters: {x: 1.0}\n");
  dir.write("node_key.yaml", "trailscan:\n  ros__parameters: {x: 3.0}\n");
  dir.write("wildcard.yaml", "/**:\n  ros__parameters: {x: 4.0}\n");

  EXPECT_EQ(
    overrides_for("/trailscan", {"--params-file", "@wildcard_first.yaml"}).at("x"),
    ParameterValue(2.0));
  EXPECT_EQ(
    overrides_for("/trailscan", {"--params-file", "@node_first.yaml"}).at("x"),
    ParameterValue(1.0));
  EXPECT_EQ(
    overrides_for("/trailscan", {"--params-file", "@node_key.yaml", "-p", "x:=9.0"}).at("x"),
    ParameterValue(9.0));
  EXPECT_EQ(
    overrides_for("/trailscan", {"-p", "x:=9.0", "--params-file", "@node_key.yaml"}).at("x"),
    ParameterValue(3.0));
  // The same node key set twice: the later value replaces the earlier one in place.
  EXPECT_EQ(
    overrides_for("/trailscan", {"--params-file", "@node_key.yaml", "-p", "trailscan:x:=9.0"})
      .at("x"),
    ParameterValue(9.0));
  EXPECT_EQ(
    overrides_for(
      "/trailscan", {"--params-file", "@wildcard.yaml", "--params-file", "@node_key.yaml"})
      .at("x"),
    ParameterValue(3.0));
}

TEST_F(ParamsFile, UnreadableFilesGiveClearReasons)
{
  EXPECT_EQ(
    what_of<rclcpp::exceptions::RCLInvalidROSArgsError>([&] {
      overrides_for("/n", {"--params-file", "@absent.yaml"});
    }),
    "failed to initialize rcl: Couldn't parse params file: '--params-file " +
      dir.path_of("absent.yaml") + "'. Error: Error opening YAML file");

  const std::string prefix =
    "failed to initialize rcl: Couldn't parse params file: '--params-file " +
    dir.path_of("broken.yaml") + "'. Error: ";
  EXPECT_EQ(
    load_error("a: [1, 2\n"),
    prefix + "Error parsing a event near line 2: end of sequence flow not found");
  EXPECT_EQ(
    load_error("n:\n  ros__parameters:\n    a: &a {x: 1}\n    b: *a\n"),
    prefix + "Will not support aliasing at line 4");
  // yaml-cpp's own multi-document loader would loop forever on these.
  EXPECT_EQ(load_error(","), prefix + "Error parsing a event near line 1: unexpected token");
  EXPECT_EQ(
    load_error(std::string(",\0", 2)),
    prefix + "Error parsing a event near line 1: unexpected token");
  EXPECT_EQ(
    load_error("ros__parameters:\n  x: 1\n"),
    prefix + "There are no node names before ros__parameters at line 1");
  EXPECT_EQ(
    load_error("node:\n  value: 3\n"),
    prefix + "Cannot have a value before ros__parameters at line 2");
  EXPECT_EQ(
    load_error("node:\n  ros__parameters:\n    mixed: [1, a]\n"),
    prefix + "Sequence should be of same type. Value type 'string' do not belong at line_num 3");
  EXPECT_EQ(load_error("node:\n  ros__parameters:\n    empty:\n"), prefix + "No value at line 3");
  EXPECT_EQ(
    load_error("node:\n  ros__parameters:\n    none: []\n"),
    prefix + "Empty sequence at line 3: the type of its elements is unknown");
}

TEST_F(ParamsFile, EmptyFilesAndSeveralDocumentsAreAccepted)
{
  dir.write("empty.yaml", "");
  dir.write("two.yaml", "n:\n  ros__parameters: {a: 1}\n---\nn:\n  ros__parameters: {b: 2}\n");
  EXPECT_TRUE(overrides_for("/n", {"--params-file", "@empty.yaml"}).empty());
  EXPECT_EQ(overrides_for("/n", {"--params-file", "@two.yaml"}).size(), 2u);
}
