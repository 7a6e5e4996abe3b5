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
using rclcpp::exceptions::RCLInvalidROSArgsError;
using rclcpp::exceptions::UnknownROSArgsError;
using ros2_compat::detail::parse_ros_arguments;
using ros2_compat::detail::RosArguments;

namespace
{

std::vector<std::string> with_program(std::vector<std::string> arguments)
{
  arguments.insert(arguments.begin(), "trailscan");
  return arguments;
}

// The value `-p x:=<text>` gives node /trailscan.
ParameterValue typed(const std::string & text)
{
  const auto arguments = parse_ros_arguments(with_program({"--ros-args", "-p", "x:=" + text}));
  return arguments.parameter_overrides.for_node("/trailscan").at("x");
}

std::string init_error(const std::vector<std::string> & arguments)
{
  return what_of<RCLInvalidROSArgsError>([&] { parse_ros_arguments(with_program(arguments)); });
}

}  // namespace

static_assert(std::is_base_of<std::runtime_error, RCLInvalidROSArgsError>::value, "");
static_assert(std::is_base_of<rclcpp::exceptions::RCLErrorBase, RCLInvalidROSArgsError>::value, "");
static_assert(std::is_base_of<std::runtime_error, UnknownROSArgsError>::value, "");

TEST(RosArguments, ParameterValuesAreTypedAsRclTypesThem)
{
  EXPECT_EQ(typed("2"), ParameterValue(int64_t{2}));
  EXPECT_EQ(typed("2."), ParameterValue(2.0));
  EXPECT_EQ(typed("2.5"), ParameterValue(2.5));
  EXPECT_EQ(typed("1e3"), ParameterValue(1000.0));
  EXPECT_EQ(typed("0x10"), ParameterValue(int64_t{16}));
  EXPECT_EQ(typed("010"), ParameterValue(int64_t{8}));
  EXPECT_EQ(typed("-7"), ParameterValue(int64_t{-7}));
  EXPECT_EQ(typed("yes"), ParameterValue(true));
  EXPECT_EQ(typed("Off"), ParameterValue(false));
  EXPECT_EQ(typed("'7'"), ParameterValue("7"));
  EXPECT_EQ(typed("\"true\""), ParameterValue("true"));
  EXPECT_EQ(typed("abc"), ParameterValue("abc"));
  EXPECT_EQ(typed("null"), ParameterValue("null"));
  EXPECT_EQ(typed("99999999999999999999"), ParameterValue(1e20));  // beyond int64: double
  EXPECT_TRUE(std::isnan(typed(".nan").get<double>()));
  EXPECT_EQ(typed("-.inf"), ParameterValue(-INFINITY));
  EXPECT_EQ(typed("[1.0, 2.5]"), ParameterValue(std::vector<double>{1.0, 2.5}));
  EXPECT_EQ(typed("[1, 2]"), ParameterValue(std::vector<int64_t>{1, 2}));
  EXPECT_EQ(typed("[true, no]"), ParameterValue(std::vector<bool>{true, false}));
  EXPECT_EQ(typed("[a, '1']"), ParameterValue(std::vector<std::string>{"a", "1"}));

  EXPECT_EQ(
    init_error({"--ros-args", "-p", "x:=[1, 2.5]"}),
    "failed to initialize rcl: Couldn't parse parameter override rule: '-p x:=[1, 2.5]'. "
    "Error: Failed to parse yaml value: '[1, 2.5]'");
  EXPECT_EQ(
    init_error({"--ros-args", "--param", "x:="}),
    "failed to initialize rcl: Couldn't parse parameter override rule: '--param x:='. "
    "Error: Failed to parse yaml value: ''");
}

TEST(RosArguments, ParameterRulesTargetNodes)
{
  const auto arguments = parse_ros_arguments(
    with_program({"--ros-args", "-p", "trailscan:range_max:=0.75", "-p", "rate:=5"}));
  const auto trailscan = arguments.parameter_overrides.for_node("/trailscan");
  EXPECT_EQ(trailscan.at("range_max"), ParameterValue(0.75));
  EXPECT_EQ(trailscan.at("rate"), ParameterValue(int64_t{5}));
  const auto other = arguments.parameter_overrides.for_node("/trailmerge");
  EXPECT_EQ(other.count("range_max"), 0u);
  EXPECT_EQ(other.at("rate"), ParameterValue(int64_t{5}));
}

TEST(RosArguments, GoldenInitErrors)
{
  const GoldenErrors golden;
  const std::string missing =
    init_error({"--ros-args", "--params-file", "/home/user/missing.yaml"});
  EXPECT_TRUE(golden.contains("rclcpp::exceptions::RCLInvalidROSArgsError", missing)) << missing;

  const std::string bad_level = init_error({"--ros-args", "--log-level", "bogus"});
  EXPECT_TRUE(golden.contains("rclcpp::exceptions::RCLInvalidROSArgsError", bad_level))
    << bad_level;

  const std::string unknown = what_of<UnknownROSArgsError>([] {
    parse_ros_arguments(with_program({"--ros-args", "--bogus"}));
  });
  EXPECT_TRUE(golden.contains("rclcpp::exceptions::UnknownROSArgsError", unknown)) << unknown;
}

TEST(RosArguments, UnknownArgumentsAreAllNamedAfterParsing)
{
  try {
    parse_ros_arguments(with_program({"--ros-args", "--bogus", "-p", "x:=1", "foo", "--", "--x"}));
    FAIL() << "no exception";
  } catch (const UnknownROSArgsError & error) {
    EXPECT_STREQ(error.what(), "found unknown ROS arguments: '--bogus', 'foo'");
    EXPECT_EQ(error.unknown_ros_args, (std::vector<std::string>{"--bogus", "foo"}));
  }
  // A malformed argument is reported even after an unknown one.
  EXPECT_EQ(
    init_error({"--ros-args", "--bogus", "--log-level", "loud"}),
    "failed to initialize rcl: Couldn't parse log level: '--log-level loud'. "
    "Error: Argument does not use a valid severity level");
}

TEST(RosArguments, MissingValuesAndMalformedRules)
{
  EXPECT_EQ(
    init_error({"--ros-args", "-p"}),
    "failed to initialize rcl: Couldn't parse trailing -p flag. No parameter override rule found.");
  EXPECT_EQ(
    init_error({"--ros-args", "--params-file"}),
    "failed to initialize rcl: Couldn't parse trailing --params-file flag. No file path provided.");
  EXPECT_EQ(
    init_error({"--ros-args", "--log-level"}),
    "failed to initialize rcl: Couldn't parse trailing log level flag: '--log-level'. "
    "No log level provided.");
  EXPECT_EQ(
    init_error({"--ros-args", "-p", "x"})
      .rfind(
        "failed to initialize rcl: Couldn't parse parameter override rule: '-p x'. Error: ", 0),
    0u);
  EXPECT_EQ(
    init_error({"--ros-args", "-r", "foo"})
      .rfind("failed to initialize rcl: Couldn't parse remap rule: '-r foo'. Error: ", 0),
    0u);
  EXPECT_EQ(
    what_of<RCLInvalidROSArgsError>([] {
      parse_ros_arguments({"--ros-args", "--log-level", "x:=loud"}, "failed to parse arguments");
    }),
    "failed to parse arguments: Couldn't parse log level: '--log-level x:=loud'. "
    "Error: Argument does not use a valid severity level");
}

TEST(RosArguments, LogLevelForms)
{
  const auto arguments = parse_ros_arguments(with_program(
    {"--ros-args", "--log-level", "trailscan:=DEBUG", "--log-level", "warn", "--log-level",
     "rcl:=Error", "--log-level", "trailscan:=fatal"}));
  EXPECT_EQ(arguments.log_levels.default_level, 30);
  const std::vector<std::pair<std::string, int>> expected{{"trailscan", 50}, {"rcl", 40}};
  EXPECT_EQ(arguments.log_levels.logger_levels, expected);
}

TEST(RosArguments, BlocksRemapsAndOtherFlags)
{
  const auto arguments = parse_ros_arguments(with_program(
    {"plain", "--ros-args", "-r", "__node:=renamed", "--", "-p", "--ros-args", "--remap",
     "trailscan:__ns:=/robot", "-r", "scan:=/front/scan", "-e", "/enclave", "--disable-rosout-logs",
     "--enable-stdout-logs", "--log-config-file", "log.cfg"}));
  EXPECT_EQ(arguments.node_name_remap("anything"), std::optional<std::string>("renamed"));
  EXPECT_EQ(arguments.namespace_remap("trailscan"), std::optional<std::string>("/robot"));
  EXPECT_EQ(arguments.namespace_remap("trailmerge"), std::nullopt);
  ASSERT_EQ(arguments.remap_rules.size(), 3u);
  EXPECT_EQ(arguments.remap_rules[2].from, "scan");
  EXPECT_EQ(arguments.remap_rules[2].to, "/front/scan");
  EXPECT_EQ(arguments.enclave, "/enclave");
  EXPECT_EQ(arguments.log_config_file, "log.cfg");
  EXPECT_TRUE(arguments.log_rosout_disabled);
  EXPECT_FALSE(arguments.log_stdout_disabled);
  EXPECT_TRUE(arguments.parameter_overrides.for_node("/trailscan").empty());

  const char * argv[] = {"prog", "--ros-args", "-p", "a:=1"};
  EXPECT_EQ(parse_ros_arguments(4, argv).parameter_overrides.for_node("/n").size(), 1u);
  EXPECT_TRUE(parse_ros_arguments(0, nullptr).remap_rules.empty());
}
