// trailscan started on a robot whose scanner mounts TF does not know yet: it waits, saying so,
// and meanwhile answers its parameter services, so that `ros2 param list` and `ros2 param get`
// can show a user what it runs with. Called over DDS by a plain Fast DDS client.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "child_process.hpp"
#include "fresh_network_environment.hpp"
#include "plain_service_client.hpp"
#include "rcl_interfaces/srv/get_parameters.hpp"
#include "rcl_interfaces/srv/list_parameters.hpp"

namespace
{

using namespace std::chrono_literals;
namespace srv = rcl_interfaces::srv;

TEST(TrailscanWaiting, AnswersItsParameterServicesWhileTheMountsAreUnknown)
{
  ASSERT_EQ(FreshNetworkEnvironment::error(), "") << "no network namespace of its own";
  ChildProcess trailscan({TRAILSCAN_EXECUTABLE}, over_dds);
  ASSERT_TRUE(trailscan.wait_for_output("base_scan_01", 30s)) << trailscan.output();

  plain_dds::Participant user;
  plain_dds::ServiceClient list(user, "list_parameters", "ListParameters");
  plain_dds::ServiceClient get(user, "get_parameters", "GetParameters");
  const auto names = list.call<srv::ListParameters>(srv::ListParameters::Request()).result.names;
  EXPECT_NE(std::find(names.begin(), names.end(), "clustering.tolerance"), names.end());
  srv::GetParameters::Request which;
  which.names = {"clustering.min_cluster_size"};
  const auto values = get.call<srv::GetParameters>(which).values;
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].integer_value, 10);

  EXPECT_EQ(trailscan.output().find("[config]"), std::string::npos) << "it has not started";
  trailscan.send_signal(SIGINT);
  EXPECT_EQ(trailscan.wait_for_exit(30s), 0) << trailscan.output();
}

}  // namespace
