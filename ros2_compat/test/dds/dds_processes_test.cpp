// Separate processes exchanging messages over DDS inside this test's own network namespace:
// scans and transforms reach another process (TransformListener included), a late joiner gets
// the transient-local writer's last `depth` messages, SIGINT/SIGTERM end both cleanly, and
// settings a program cannot use end it with the reason.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "dds_environment.hpp"

namespace
{

using namespace std::chrono_literals;

const auto * const environment = ::testing::AddGlobalTestEnvironment(new DdsEnvironment);

// Test executables choose the in-process transport for their children; these must use DDS.
const std::map<std::string, std::string> over_dds{{"ROS2_COMPAT_TRANSPORT", "dds"}};

std::vector<std::string> lines_starting_with(const std::string & text, const std::string & prefix)
{
  std::vector<std::string> found;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (line.rfind(prefix, 0) == 0) {
      found.push_back(line);
    }
  }
  return found;
}

}  // namespace

TEST(DdsBetweenProcesses, ScansAndTransformsReachAnotherProcess)
{
  ASSERT_IN_FRESH_NETWORK_NAMESPACE();
  ChildProcess talker({DDS_TALKER, "scans"}, over_dds);
  ASSERT_TRUE(talker.wait_for_output("static published", 30s)) << talker.output();

  // Joins after the mounting transform was sent: only transient local brings it.
  ChildProcess listener({DDS_LISTENER, "scans", "10"}, over_dds);
  ASSERT_EQ(listener.wait_for_exit(60s), 0) << listener.output();
  const auto scans = lines_starting_with(listener.output(), "scan ");
  ASSERT_EQ(scans.size(), 10u) << listener.output();
  const int first = std::stoi(scans.front().substr(5));
  for (size_t i = 0; i < scans.size(); ++i) {
    EXPECT_EQ(scans[i], "scan " + std::to_string(first + static_cast<int>(i)) + " beams 1081");
  }
  EXPECT_EQ(
    lines_starting_with(listener.output(), "mounting"),
    std::vector<std::string>{"mounting 0.25 0.10 odometry moving"});

  talker.send_signal(SIGINT);
  EXPECT_EQ(talker.wait_for_exit(30s), 0) << talker.output();
  EXPECT_TRUE(talker.wait_for_output("clean exit", 5s)) << talker.output();
}

TEST(DdsBetweenProcesses, LateJoinerGetsTheLastDepthMessagesOfTransientLocal)
{
  ASSERT_IN_FRESH_NETWORK_NAMESPACE();
  ChildProcess talker({DDS_TALKER, "history"}, over_dds);
  ASSERT_TRUE(talker.wait_for_output("history published", 30s)) << talker.output();

  // The writer keeps the last 5 of its 20 points; the reader could hold 10.
  ChildProcess listener({DDS_LISTENER, "history"}, over_dds);
  ASSERT_TRUE(listener.wait_for_output("point 20\n", 30s)) << listener.output();
  listener.send_signal(SIGTERM);
  EXPECT_EQ(listener.wait_for_exit(30s), 0) << listener.output();
  EXPECT_EQ(
    lines_starting_with(listener.output(), "point"),
    (std::vector<std::string>{"point 16", "point 17", "point 18", "point 19", "point 20"}));

  talker.send_signal(SIGTERM);
  EXPECT_EQ(talker.wait_for_exit(30s), 0) << talker.output();
}

// A program refuses a transport or domain it does not know rather than guessing.
TEST(DdsBetweenProcesses, UnknownTransportOrDomainEndsTheProgramWithTheReason)
{
  ASSERT_IN_FRESH_NETWORK_NAMESPACE();
  ChildProcess bogus_transport({DDS_TALKER, "history"}, {{"ROS2_COMPAT_TRANSPORT", "shm"}});
  EXPECT_NE(bogus_transport.wait_for_exit(30s), 0);
  EXPECT_NE(
    bogus_transport.output().find("ROS2_COMPAT_TRANSPORT must be 'dds' or 'in_process', not 'shm'"),
    std::string::npos)
    << bogus_transport.output();

  ChildProcess bogus_domain(
    {DDS_TALKER, "history"}, {{"ROS2_COMPAT_TRANSPORT", "dds"}, {"ROS_DOMAIN_ID", "300"}});
  EXPECT_NE(bogus_domain.wait_for_exit(30s), 0);
  EXPECT_NE(
    bogus_domain.output().find("ROS_DOMAIN_ID must be an integer from 0 to 232, not '300'"),
    std::string::npos)
    << bogus_domain.output();
}
