#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "golden_errors.hpp"
#include "rclcpp/exceptions.hpp"
#include "rclcpp/node_options.hpp"
#include "ros2_compat/detail/node_parameters.hpp"
#include "ros2_compat/detail/ros_arguments.hpp"
#include "temporary_directory.hpp"

using rcl_interfaces::msg::ParameterDescriptor;
using rclcpp::NodeOptions;
using rclcpp::ParameterValue;
using ros2_compat::detail::NodeParameters;
using ros2_compat::detail::parse_ros_arguments;
using ros2_compat::detail::RosArguments;
namespace exceptions = rclcpp::exceptions;

namespace
{

RosArguments global_arguments(const std::vector<std::string> & ros_arguments)
{
  std::vector<std::string> command_line{"trailscan", "--ros-args"};
  command_line.insert(command_line.end(), ros_arguments.begin(), ros_arguments.end());
  return parse_ros_arguments(command_line);
}

ParameterDescriptor dynamically_typed()
{
  ParameterDescriptor descriptor;
  descriptor.dynamic_typing = true;
  return descriptor;
}

}  // namespace

TEST(NodeParameters, GoldenErrorsOfDeclareAndGet)
{
  const GoldenErrors golden;
  const auto expect_golden = [&](const std::string & type, const std::string & what) {
    EXPECT_TRUE(golden.contains(type, what)) << type << ": " << what;
  };
  const std::string type_error = "rclcpp::exceptions::InvalidParameterTypeException";

  const auto args =
    global_arguments({"-p", "range_max:=2", "-p", "count:=2.5", "-p", "name:=2", "-p", "dyn:=3"});
  NodeParameters overridden("trailscan", "/", &args, NodeOptions());
  const auto declare_range_max = [&] { overridden.declare_parameter("range_max", 10.0); };
  expect_golden(type_error, what_of<exceptions::InvalidParameterTypeException>(declare_range_max));
  // Not declared after the failure: a retry fails the same way.
  expect_golden(type_error, what_of<exceptions::InvalidParameterTypeException>(declare_range_max));
  EXPECT_FALSE(overridden.has_parameter("range_max"));
  expect_golden(type_error, what_of<exceptions::InvalidParameterTypeException>([&] {
                  overridden.declare_parameter("count", 3);
                }));
  expect_golden(type_error, what_of<exceptions::InvalidParameterTypeException>([&] {
                  overridden.declare_parameter("name", "abc");
                }));
  // Dynamic typing accepts the integer, then reading it as the default's type fails.
  expect_golden(type_error, what_of<exceptions::InvalidParameterTypeException>([&] {
                  overridden.declare_parameter("dyn", 1.0, dynamically_typed());
                }));
  EXPECT_EQ(overridden.get_parameter("dyn").get_type(), rclcpp::PARAMETER_INTEGER);

  NodeParameters plain("trailscan", "/", nullptr, NodeOptions());
  expect_golden(
    "rclcpp::exceptions::UninitializedStaticallyTypedParameterException",
    what_of<exceptions::UninitializedStaticallyTypedParameterException>(
      [&] { plain.declare_parameter<double>("nodefault"); }));
  plain.declare_parameter("count", 3);
  expect_golden(
    "rclcpp::exceptions::ParameterAlreadyDeclaredException",
    what_of<exceptions::ParameterAlreadyDeclaredException>(
      [&] { plain.declare_parameter("count", 3); }));
  expect_golden(
    "rclcpp::exceptions::InvalidParametersException",
    what_of<exceptions::InvalidParametersException>([&] { plain.declare_parameter("", 1); }));
  expect_golden(
    "rclcpp::exceptions::ParameterNotDeclaredException",
    what_of<exceptions::ParameterNotDeclaredException>([&] { plain.get_parameter("zzz"); }));
  // The statically typed parameter without value stays declared but uninitialised.
  EXPECT_TRUE(plain.has_parameter("nodefault"));
  expect_golden(
    "rclcpp::exceptions::ParameterUninitializedException",
    what_of<exceptions::ParameterUninitializedException>(
      [&] { plain.get_parameter("nodefault"); }));
}

TEST(NodeParameters, DeclareReturnsValuesTypedLikeGet)
{
  const auto args = global_arguments({"-p", "late:=4", "-p", "rate:=20"});
  NodeParameters params("trailscan", "/", &args, NodeOptions());

  auto count = params.declare_parameter("count", 3);
  static_assert(std::is_same<decltype(count), int64_t>::value, "int default gives int64_t");
  auto tolerance = params.declare_parameter("tolerance", 0.1f);
  static_assert(std::is_same<decltype(tolerance), double>::value, "float default gives double");
  EXPECT_EQ(tolerance, static_cast<double>(0.1f));
  EXPECT_EQ(params.get_parameter("tolerance").as_double(), 0.10000000149011612);
  auto frame = params.declare_parameter("frame", "base_footprint");
  static_assert(std::is_same<decltype(frame), std::string>::value, "");
  auto ids = params.declare_parameter("ids", std::vector<int>{1, 2});
  static_assert(std::is_same<decltype(ids), std::vector<int64_t>>::value, "");

  EXPECT_EQ(params.declare_parameter<int>("late"), 4);  // no default: the override is required
  EXPECT_EQ(params.declare_parameter("rate", 10, ParameterDescriptor(), true), 10);
  EXPECT_EQ(
    params.declare_parameter("typed", rclcpp::PARAMETER_BOOL, ParameterDescriptor()).get_type(),
    rclcpp::PARAMETER_NOT_SET);
  EXPECT_EQ(params.describe_parameter("typed").type, rclcpp::PARAMETER_BOOL);
  EXPECT_THROW(params.declare_parameter("x", rclcpp::PARAMETER_NOT_SET), std::invalid_argument);
  EXPECT_THROW(
    params.declare_parameter("x", rclcpp::PARAMETER_BOOL, dynamically_typed()),
    std::invalid_argument);
  EXPECT_EQ(
    what_of<exceptions::InvalidParameterTypeException>(
      [&] { params.declare_parameter("unset", ParameterValue()); }),
    "parameter 'unset' has invalid type: cannot declare a statically typed parameter with an "
    "uninitialized value");
}

TEST(NodeParameters, OverrideSourcesAndTheirOrder)
{
  TemporaryDirectory dir;
  const std::string file = dir.write(
    "trailscan.yaml",
    "trailscan:\n  ros__parameters:\n    from_file: 1.5\n    both: 1.0\n    integer: 2\n");
  const auto args = global_arguments(
    {"--params-file", file, "-p", "global_only:=true", "-p", "both:=2.0", "-p", "never_declared:=1",
     "-p", "trailmerge:other_node:=1"});
  NodeOptions options;
  options.arguments({"--ros-args", "-p", "both:=3.0", "-p", "local_only:=x"})
    .append_parameter_override("local_only", std::string("from options"));

  NodeParameters params("trailscan", "/", &args, options);
  EXPECT_EQ(params.declare_parameter("from_file", 0.0), 1.5);
  EXPECT_EQ(params.declare_parameter("both", 0.0), 3.0);
  EXPECT_TRUE(params.declare_parameter("global_only", false));
  EXPECT_EQ(params.declare_parameter("local_only", std::string()), "from options");
  EXPECT_EQ(params.get_parameter_overrides().count("other_node"), 0u);
  // An override nobody declares is ignored.
  EXPECT_FALSE(params.has_parameter("never_declared"));
  // An integer in the file for a double parameter is rejected like `-p`.
  EXPECT_EQ(
    what_of<exceptions::InvalidParameterTypeException>(
      [&] { params.declare_parameter("integer", 10.0); }),
    "parameter 'integer' has invalid type: Wrong parameter type, parameter {integer} is of type "
    "{double}, setting it to {integer} is not allowed.");

  NodeParameters without_global("trailscan", "/", &args, NodeOptions().use_global_arguments(false));
  EXPECT_EQ(without_global.declare_parameter("both", 0.0), 0.0);

  NodeParameters namespaced("trailscan", "/robot", &args, NodeOptions());
  EXPECT_EQ(namespaced.declare_parameter("from_file", 0.0), 0.0);  // key "trailscan" is /trailscan
  EXPECT_EQ(namespaced.declare_parameter("both", 0.0), 2.0);       // `-p` applies to /**

  EXPECT_EQ(
    what_of<exceptions::RCLInvalidROSArgsError>([] {
      NodeParameters("n", "/", nullptr, NodeOptions().arguments({"--ros-args", "-p"}));
    }),
    "failed to parse arguments: Couldn't parse trailing -p flag. No parameter override rule "
    "found.");
  EXPECT_THROW(
    NodeParameters("n", "/", nullptr, NodeOptions().arguments({"--ros-args", "--bogus"})),
    exceptions::UnknownROSArgsError);
}

TEST(NodeParameters, SetGetDescribeAndUndeclare)
{
  NodeParameters params("trailscan", "/", nullptr, NodeOptions());
  params.declare_parameter("count", 3);
  params.declare_parameter("laser.range_max", 10.0);
  params.declare_parameter("laser.limits.low", 1.0);
  ParameterDescriptor read_only;
  read_only.read_only = true;
  params.declare_parameter("fixed", true, read_only);
  params.declare_parameter("free", 1, dynamically_typed());

  auto result = params.set_parameter(rclcpp::Parameter("count", 2.5));
  EXPECT_FALSE(result.successful);
  EXPECT_EQ(
    result.reason,
    "Wrong parameter type, parameter {count} is of type {integer}, setting it to {double} is not "
    "allowed.");
  EXPECT_TRUE(params.set_parameter(rclcpp::Parameter("count", 5)).successful);
  int count = 0;
  EXPECT_TRUE(params.get_parameter("count", count));
  EXPECT_EQ(count, 5);
  EXPECT_EQ(params.get_parameter_or("missing", 7.5), 7.5);
  EXPECT_EQ(
    params.set_parameter(rclcpp::Parameter("fixed", false)).reason,
    "parameter 'fixed' cannot be set because it is read-only");
  EXPECT_TRUE(params.set_parameter(rclcpp::Parameter("free", "now a string")).successful);
  EXPECT_EQ(params.describe_parameter("free").type, rclcpp::PARAMETER_STRING);
  EXPECT_EQ(
    what_of<exceptions::ParameterNotDeclaredException>(
      [&] { params.set_parameter(rclcpp::Parameter("u", 1)); }),
    "parameter 'u' cannot be set because it was not declared");

  const auto descriptor = params.describe_parameter("laser.range_max");
  EXPECT_EQ(descriptor.name, "laser.range_max");
  EXPECT_EQ(descriptor.type, rclcpp::PARAMETER_DOUBLE);

  const auto all = params.list_parameters({}, 0);
  EXPECT_EQ(
    all.names,
    (std::vector<std::string>{"count", "fixed", "free", "laser.limits.low", "laser.range_max"}));
  EXPECT_EQ(all.prefixes, (std::vector<std::string>{"laser.limits", "laser"}));
  EXPECT_EQ(params.list_parameters({}, 1).names.size(), 3u);
  // Humble counts the separator after the prefix too, so direct children need depth 2.
  EXPECT_TRUE(params.list_parameters({"laser"}, 1).names.empty());
  EXPECT_EQ(
    params.list_parameters({"laser"}, 2).names, std::vector<std::string>{"laser.range_max"});

  EXPECT_EQ(
    what_of<exceptions::InvalidParameterTypeException>(
      [&] { params.undeclare_parameter("count"); }),
    "parameter 'count' has invalid type: cannot undeclare an statically typed parameter");
  params.undeclare_parameter("free");
  EXPECT_FALSE(params.has_parameter("free"));
  EXPECT_THROW(params.undeclare_parameter("free"), exceptions::ParameterNotDeclaredException);
}

TEST(NodeParameters, UndeclaredParametersWhenAllowed)
{
  const auto args = global_arguments({"-p", "auto:=2.5"});
  NodeParameters params(
    "trailscan", "/", &args,
    NodeOptions().allow_undeclared_parameters(true).automatically_declare_parameters_from_overrides(
      true));
  EXPECT_EQ(params.get_parameter("auto").as_double(), 2.5);
  EXPECT_TRUE(params.describe_parameter("auto").dynamic_typing);
  EXPECT_TRUE(params.set_parameter(rclcpp::Parameter("auto", 3)).successful);  // dynamic

  EXPECT_TRUE(params.set_parameter(rclcpp::Parameter("created", "x")).successful);
  EXPECT_EQ(params.get_parameter("created").as_string(), "x");
  EXPECT_EQ(params.get_parameter("unknown").get_type(), rclcpp::PARAMETER_NOT_SET);
  EXPECT_EQ(params.describe_parameter("unknown").name, "unknown");
}
