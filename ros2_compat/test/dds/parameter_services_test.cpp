// A standalone node's parameter services called by a plain Fast DDS client written from
// golden/graph/README.md section 2 (the layer's DDS code plays no part on that side): a request
// writer and a response reader whose sample identities are set by hand, as rmw_fastrtps clients
// set them. The node lists, gets, sets and describes its parameters as Humble's does, refuses a
// set of the wrong type with the reason, and answers a request it cannot read.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fastdds/rtps/common/WriteParams.h>

#include "child_process.hpp"
#include "dds_environment.hpp"
#include "plain_fast_dds.hpp"
#include "plain_service_client.hpp"
#include "rcl_interfaces/srv/describe_parameters.hpp"
#include "rcl_interfaces/srv/get_parameters.hpp"
#include "rcl_interfaces/srv/list_parameters.hpp"
#include "rcl_interfaces/srv/set_parameters.hpp"
#include "rcl_interfaces/srv/set_parameters_atomically.hpp"
#include "rclcpp/parameter.hpp"
#include "ros2_compat/cdr/type_support.hpp"

namespace
{

using namespace std::chrono_literals;
using plain_dds::Bytes;
using plain_dds::ServiceClient;
namespace srv = rcl_interfaces::srv;

const auto * const environment = ::testing::AddGlobalTestEnvironment(new DdsEnvironment);

// Test executables choose the in-process transport for their children; these must use DDS.
const std::map<std::string, std::string> over_dds{{"ROS2_COMPAT_TRANSPORT", "dds"}};

// What `ros2 param list` printed for Humble's own node of that name and parameters.
std::vector<std::string> names_listed_by_humble()
{
  std::ifstream file(std::string(QUILLON_GOLDEN_DIR) + "/graph/console/cli.txt");
  std::vector<std::string> names;
  bool in_list = false;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("== ", 0) == 0) {
      in_list = line.rfind("== ros2 param list", 0) == 0;
    } else if (in_list && line.rfind("  ", 0) == 0) {
      names.push_back(line.substr(2));
    }
  }
  return names;
}

srv::GetParameters::Request get_request(const std::vector<std::string> & names)
{
  srv::GetParameters::Request request;
  request.names = names;
  return request;
}

srv::SetParameters::Request set_request(
  const std::string & name, const rclcpp::ParameterValue & value)
{
  srv::SetParameters::Request request;
  request.parameters.push_back(rclcpp::Parameter(name, value).to_parameter_msg());
  return request;
}

}  // namespace

TEST(ParameterServices, APlainFastDdsClientListsGetsSetsAndDescribesParameters)
{
  ASSERT_IN_FRESH_NETWORK_NAMESPACE();
  ChildProcess node({DDS_PARAMETER_NODE}, over_dds);
  ASSERT_TRUE(node.wait_for_output("ready", 30s)) << node.output();
  plain_dds::Participant humble;
  ServiceClient list(humble, "list_parameters", "ListParameters");
  ServiceClient get(humble, "get_parameters", "GetParameters");
  ServiceClient set(humble, "set_parameters", "SetParameters");
  ServiceClient describe(humble, "describe_parameters", "DescribeParameters");
  ServiceClient set_atomically(humble, "set_parameters_atomically", "SetParametersAtomically");

  const auto names = list.call<srv::ListParameters>(srv::ListParameters::Request()).result.names;
  EXPECT_EQ(names, names_listed_by_humble());

  const auto values =
    get.call<srv::GetParameters>(get_request({"use_sim_time", "max_range"})).values;
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].type, rclcpp::PARAMETER_BOOL);
  EXPECT_FALSE(values[0].bool_value);
  EXPECT_EQ(values[1].type, rclcpp::PARAMETER_DOUBLE);
  EXPECT_EQ(values[1].double_value, 8.0);

  const auto accepted =
    set.call<srv::SetParameters>(set_request("max_range", rclcpp::ParameterValue(12.5))).results;
  ASSERT_EQ(accepted.size(), 1u);
  EXPECT_TRUE(accepted[0].successful) << accepted[0].reason;
  // Answered to the request writer when the request names no response reader.
  const auto after = get.call<srv::GetParameters>(get_request({"max_range"}), false).values;
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].double_value, 12.5);

  const auto refused =
    set.call<srv::SetParameters>(set_request("max_range", rclcpp::ParameterValue("far"))).results;
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_FALSE(refused[0].successful);
  EXPECT_EQ(
    refused[0].reason,
    "Wrong parameter type, parameter {max_range} is of type {double}, setting it to {string} is "
    "not allowed.");
  EXPECT_EQ(
    get.call<srv::GetParameters>(get_request({"max_range"})).values.at(0).double_value, 12.5);
  EXPECT_TRUE(get.call<srv::GetParameters>(get_request({"max_range", "nope"})).values.empty());

  srv::DescribeParameters::Request which;
  which.names = {"max_range"};
  const auto descriptors = describe.call<srv::DescribeParameters>(which).descriptors;
  ASSERT_EQ(descriptors.size(), 1u);
  EXPECT_EQ(descriptors[0].name, "max_range");
  EXPECT_EQ(descriptors[0].type, rclcpp::PARAMETER_DOUBLE);

  // A request that does not deserialize (5 parameters announced, none there) is still answered.
  const Bytes malformed{0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
  const Bytes answer = set_atomically.call(malformed);
  ASSERT_FALSE(answer.empty());
  srv::SetParametersAtomically::Response response;
  ros2_compat::cdr::deserialize(answer.data(), answer.size(), response);
  EXPECT_FALSE(response.result.successful);
  EXPECT_EQ(response.result.reason.rfind("malformed request: ", 0), 0u) << response.result.reason;

  node.send_signal(SIGTERM);
  EXPECT_EQ(node.wait_for_exit(30s), 0) << node.output();
  EXPECT_NE(node.output().find("max_range 12.5"), std::string::npos) << node.output();
}
