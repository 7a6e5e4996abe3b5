// What a node's parameter services answer, request by request: values, types and descriptors
// of declared parameters (nothing for a request naming an unknown one), sets that go through
// the node's own checks, all-or-nothing atomic sets, and clear refusals of what a client got
// wrong.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "rcl_interfaces/msg/parameter_type.hpp"
#include "rclcpp/node_options.hpp"
#include "rclcpp/parameter.hpp"
#include "ros2_compat/detail/node_parameters.hpp"
#include "ros2_compat/detail/parameter_requests.hpp"

namespace
{

using rcl_interfaces::msg::ParameterType;
using ros2_compat::detail::answer;
using ros2_compat::detail::NodeParameters;
namespace srv = rcl_interfaces::srv;

// Like trailscan's: a double, a read-only string, and a nested name.
class ParameterRequests : public ::testing::Test
{
protected:
  ParameterRequests() : parameters_("laser_subscriber", "/", nullptr, rclcpp::NodeOptions())
  {
    parameters_.declare_parameter("max_range", rclcpp::ParameterValue(8.0));
    rcl_interfaces::msg::ParameterDescriptor read_only;
    read_only.read_only = true;
    parameters_.declare_parameter("frame", rclcpp::ParameterValue("base_scan_01"), read_only);
    parameters_.declare_parameter("tracker.gate", rclcpp::ParameterValue(int64_t{3}));
  }

  template <typename ServiceT>
  typename ServiceT::Response ask(const typename ServiceT::Request & request)
  {
    typename ServiceT::Response response;
    answer(parameters_, request, response);
    return response;
  }

  srv::GetParameters::Response get(const std::vector<std::string> & names)
  {
    srv::GetParameters::Request request;
    request.names = names;
    return ask<srv::GetParameters>(request);
  }

  NodeParameters parameters_;
};

rcl_interfaces::msg::Parameter parameter(
  const std::string & name, const rclcpp::ParameterValue & value)
{
  return rclcpp::Parameter(name, value).to_parameter_msg();
}

srv::SetParameters::Request set_request(
  const std::vector<rcl_interfaces::msg::Parameter> & parameters)
{
  srv::SetParameters::Request request;
  request.parameters = parameters;
  return request;
}

}  // namespace

TEST_F(ParameterRequests, ReadingRequestsAnswerForDeclaredNamesAndWithNothingForUnknownOnes)
{
  const auto values = get({"max_range", "tracker.gate"}).values;
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].type, ParameterType::PARAMETER_DOUBLE);
  EXPECT_EQ(values[0].double_value, 8.0);
  EXPECT_EQ(values[1].integer_value, 3);
  EXPECT_TRUE(get({"max_range", "nope"}).values.empty());

  srv::GetParameterTypes::Request types;
  types.names = {"frame", "max_range"};
  EXPECT_EQ(
    ask<srv::GetParameterTypes>(types).types,
    (std::vector<uint8_t>{ParameterType::PARAMETER_STRING, ParameterType::PARAMETER_DOUBLE}));
  types.names.push_back("nope");
  EXPECT_TRUE(ask<srv::GetParameterTypes>(types).types.empty());

  srv::DescribeParameters::Request describe;
  describe.names = {"frame", "max_range"};
  const auto descriptors = ask<srv::DescribeParameters>(describe).descriptors;
  ASSERT_EQ(descriptors.size(), 2u);
  EXPECT_EQ(descriptors[0].name, "frame");
  EXPECT_TRUE(descriptors[0].read_only);
  EXPECT_EQ(descriptors[1].type, ParameterType::PARAMETER_DOUBLE);
  describe.names = {"max_range", "nope"};
  EXPECT_TRUE(ask<srv::DescribeParameters>(describe).descriptors.empty());

  srv::ListParameters::Request list;
  EXPECT_EQ(
    ask<srv::ListParameters>(list).result.names,
    (std::vector<std::string>{"frame", "max_range", "tracker.gate"}));
  list.prefixes = {"tracker"};
  EXPECT_EQ(ask<srv::ListParameters>(list).result.names, std::vector<std::string>{"tracker.gate"});
}

TEST_F(ParameterRequests, EachParameterOfASetSucceedsOrFailsWithItsReason)
{
  rcl_interfaces::msg::Parameter unknown_type = parameter("max_range", rclcpp::ParameterValue(1.0));
  unknown_type.value.type = 42;
  const auto results =
    ask<srv::SetParameters>(set_request({
                              parameter("max_range", rclcpp::ParameterValue(12.5)),
                              parameter("max_range", rclcpp::ParameterValue("far")),
                              parameter("nope", rclcpp::ParameterValue(1.0)),
                              parameter("frame", rclcpp::ParameterValue("x")),
                              unknown_type,
                              parameter("", rclcpp::ParameterValue(1.0)),
                            }))
      .results;
  ASSERT_EQ(results.size(), 6u);
  EXPECT_TRUE(results[0].successful);
  EXPECT_FALSE(results[1].successful);
  EXPECT_EQ(
    results[1].reason,
    "Wrong parameter type, parameter {max_range} is of type {double}, setting it to {string} is "
    "not allowed.");
  EXPECT_EQ(results[2].reason, "parameter 'nope' cannot be set because it was not declared");
  EXPECT_EQ(results[3].reason, "parameter 'frame' cannot be set because it is read-only");
  EXPECT_EQ(results[4].reason, "Unknown type: 42");
  EXPECT_EQ(results[5].reason, "parameter name must not be empty");
  for (size_t i = 1; i < results.size(); ++i) {
    EXPECT_FALSE(results[i].successful) << i;
  }
  // The good one took effect in the node, the refused ones changed nothing.
  EXPECT_EQ(get({"max_range"}).values.at(0).double_value, 12.5);
  EXPECT_EQ(get({"frame"}).values.at(0).string_value, "base_scan_01");
}

// Ranges refuse as Humble's golden node did (clustering.tolerance in [0, 2] step 0,
// clustering.min_cluster_size in [1, 1000] step 1): a set with the reason, a declaration whose
// override lies outside with it in the exception; the ends and the steps are taken.
TEST(ParameterRanges, SetsAndOverridesOutsideARangeAreRefusedWithHumblesReason)
{
  rcl_interfaces::msg::ParameterDescriptor tolerance;
  tolerance.floating_point_range.resize(1);
  tolerance.floating_point_range[0].from_value = 0.0;
  tolerance.floating_point_range[0].to_value = 2.0;
  rcl_interfaces::msg::ParameterDescriptor size;
  size.integer_range.resize(1);
  size.integer_range[0].from_value = 1;
  size.integer_range[0].to_value = 1000;
  size.integer_range[0].step = 1;
  rcl_interfaces::msg::ParameterDescriptor stepped;
  stepped.floating_point_range.resize(1);
  stepped.floating_point_range[0].from_value = 0.0;
  stepped.floating_point_range[0].to_value = 1.0;
  stepped.floating_point_range[0].step = 0.25;

  NodeParameters parameters("golden_node", "/", nullptr, rclcpp::NodeOptions());
  parameters.declare_parameter("clustering.tolerance", rclcpp::ParameterValue(0.18), tolerance);
  parameters.declare_parameter(
    "clustering.min_cluster_size", rclcpp::ParameterValue(int64_t{10}), size);
  parameters.declare_parameter("stepped", rclcpp::ParameterValue(0.5), stepped);

  const auto set = [&](const std::string & name, const rclcpp::ParameterValue & value) {
    return parameters.set_parameter(rclcpp::Parameter(name, value));
  };
  EXPECT_EQ(
    set("clustering.tolerance", rclcpp::ParameterValue(5.0)).reason,
    "Parameter {clustering.tolerance} doesn't comply with floating point range.");
  EXPECT_EQ(
    set("clustering.min_cluster_size", rclcpp::ParameterValue(int64_t{5000})).reason,
    "Parameter {clustering.min_cluster_size} doesn't comply with integer range.");
  EXPECT_FALSE(set("stepped", rclcpp::ParameterValue(0.3)).successful);
  for (const auto & [name, value] : std::vector<std::pair<std::string, rclcpp::ParameterValue>>{
         {"clustering.tolerance", rclcpp::ParameterValue(0.25)},
         {"clustering.tolerance", rclcpp::ParameterValue(2.0)},
         {"clustering.min_cluster_size", rclcpp::ParameterValue(int64_t{1000})},
         {"stepped", rclcpp::ParameterValue(0.75)}}) {
    EXPECT_TRUE(set(name, value).successful) << name;
  }

  rclcpp::NodeOptions options;
  options.parameter_overrides({rclcpp::Parameter("clustering.tolerance", -1.0)});
  NodeParameters overridden("golden_node", "/", nullptr, options);
  try {
    overridden.declare_parameter("clustering.tolerance", rclcpp::ParameterValue(0.18), tolerance);
    ADD_FAILURE() << "an override outside the range was declared";
  } catch (const rclcpp::exceptions::InvalidParameterValueException & e) {
    EXPECT_STREQ(
      e.what(),
      "parameter 'clustering.tolerance' could not be set: Parameter {clustering.tolerance} "
      "doesn't comply with floating point range.");
  }
}

TEST_F(ParameterRequests, AnAtomicSetSetsAllOrNothing)
{
  srv::SetParametersAtomically::Request request;
  request.parameters = {
    parameter("max_range", rclcpp::ParameterValue(20.0)),
    parameter("tracker.gate", rclcpp::ParameterValue(2.5))};
  const auto refused = ask<srv::SetParametersAtomically>(request).result;
  EXPECT_FALSE(refused.successful);
  EXPECT_EQ(
    refused.reason,
    "Wrong parameter type, parameter {tracker.gate} is of type {integer}, setting it to {double} "
    "is not allowed.");
  EXPECT_EQ(get({"max_range"}).values.at(0).double_value, 8.0);

  request.parameters.push_back(parameter("nope", rclcpp::ParameterValue(1.0)));
  EXPECT_EQ(
    ask<srv::SetParametersAtomically>(request).result.reason,
    "One or more parameters were not declared before setting");

  request.parameters = {
    parameter("max_range", rclcpp::ParameterValue(20.0)),
    parameter("tracker.gate", rclcpp::ParameterValue(int64_t{5}))};
  EXPECT_TRUE(ask<srv::SetParametersAtomically>(request).result.successful);
  EXPECT_EQ(get({"max_range", "tracker.gate"}).values.at(1).integer_value, 5);
}

TEST(ParameterRefusals, ASetRequestThatCouldNotBeReadFailsWithTheReason)
{
  srv::SetParameters::Response set;
  ros2_compat::detail::refuse("malformed request: truncated", set);
  ASSERT_EQ(set.results.size(), 1u);
  EXPECT_FALSE(set.results[0].successful);
  EXPECT_EQ(set.results[0].reason, "malformed request: truncated");

  srv::SetParametersAtomically::Response atomic;
  atomic.result.successful = true;
  ros2_compat::detail::refuse("malformed request: truncated", atomic);
  EXPECT_FALSE(atomic.result.successful);
  EXPECT_EQ(atomic.result.reason, "malformed request: truncated");
}
