// ROS 2's DDS names, the environment that selects domain and interfaces, and the participant's
// transports (loopback only unless asked otherwise).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>

#include "ros2_compat/detail/dds_names.hpp"
#include "ros2_compat/detail/dds_participant_qos.hpp"
#include "ros2_compat/detail/dds_settings.hpp"

using ros2_compat::detail::dds_settings_from_environment;

namespace
{

void set_or_unset(const char * name, const char * value)
{
  if (value == nullptr) {
    unsetenv(name);
  } else {
    setenv(name, value, 1);
  }
}

ros2_compat::detail::DdsSettings settings_with(const char * domain, const char * all_interfaces)
{
  set_or_unset("ROS_DOMAIN_ID", domain);
  set_or_unset("ROS2_COMPAT_DDS_ALL_INTERFACES", all_interfaces);
  return dds_settings_from_environment();
}

std::string rejection(const char * domain, const char * all_interfaces)
{
  try {
    settings_with(domain, all_interfaces);
  } catch (const std::invalid_argument & e) {
    return e.what();
  }
  return "accepted";
}

}  // namespace

TEST(DdsNames, TopicsServicesAndTypesAsRos2NamesThem)
{
  using ros2_compat::detail::dds_topic_name;
  using ros2_compat::detail::dds_type_name;
  EXPECT_EQ(dds_topic_name("/scan", false), "rt/scan");
  EXPECT_EQ(dds_topic_name("/robot/tf_static", false), "rt/robot/tf_static");
  EXPECT_EQ(dds_topic_name("/scan", true), "/scan");
  EXPECT_EQ(
    ros2_compat::detail::dds_request_topic_name("/laser_subscriber/get_parameters"),
    "rq/laser_subscriber/get_parametersRequest");
  EXPECT_EQ(
    ros2_compat::detail::dds_response_topic_name("/laser_subscriber/get_parameters"),
    "rr/laser_subscriber/get_parametersReply");
  EXPECT_EQ(dds_type_name("sensor_msgs/msg/LaserScan"), "sensor_msgs::msg::dds_::LaserScan_");
  EXPECT_EQ(
    dds_type_name("quillon_protocol/msg/ObjectList"), "quillon_protocol::msg::dds_::ObjectList_");
  EXPECT_EQ(
    dds_type_name("rcl_interfaces/srv/GetParameters_Request"),
    "rcl_interfaces::srv::dds_::GetParameters_Request_");
  EXPECT_THROW(dds_type_name("LaserScan"), std::invalid_argument);
  EXPECT_THROW(dds_type_name("sensor_msgs/msg/"), std::invalid_argument);
  EXPECT_THROW(dds_type_name("a/msg/b/c"), std::invalid_argument);
  EXPECT_THROW(dds_type_name("a/action/B"), std::invalid_argument);
  EXPECT_THROW(dds_type_name("/msg/B"), std::invalid_argument);
}

TEST(DdsSettings, DomainAndInterfacesFromTheEnvironment)
{
  auto settings = settings_with(nullptr, nullptr);
  EXPECT_EQ(settings.domain_id, 0u);
  EXPECT_TRUE(settings.loopback_only);
  EXPECT_EQ(settings_with("", "0").domain_id, 0u);
  EXPECT_EQ(settings_with("42", nullptr).domain_id, 42u);
  EXPECT_EQ(settings_with("232", nullptr).domain_id, 232u);
  EXPECT_FALSE(settings_with(nullptr, "1").loopback_only);

  EXPECT_EQ(rejection("233", nullptr), "ROS_DOMAIN_ID must be an integer from 0 to 232, not '233'");
  EXPECT_EQ(rejection("-1", nullptr), "ROS_DOMAIN_ID must be an integer from 0 to 232, not '-1'");
  EXPECT_EQ(rejection("7x", nullptr), "ROS_DOMAIN_ID must be an integer from 0 to 232, not '7x'");
  EXPECT_EQ(rejection(nullptr, "yes"), "ROS2_COMPAT_DDS_ALL_INTERFACES must be 0 or 1, not 'yes'");
  settings_with(nullptr, nullptr);
}

TEST(DdsSettings, LoopbackOnlyMeansUdpOn127001Alone)
{
  ros2_compat::detail::DdsSettings loopback;
  const auto qos = ros2_compat::detail::dds_participant_qos(loopback);
  EXPECT_FALSE(qos.transport().use_builtin_transports);
  ASSERT_EQ(qos.transport().user_transports.size(), 1u);
  const auto udp = std::dynamic_pointer_cast<eprosima::fastdds::rtps::UDPv4TransportDescriptor>(
    qos.transport().user_transports.front());
  ASSERT_NE(udp, nullptr);
  EXPECT_EQ(udp->interfaceWhiteList, std::vector<std::string>{"127.0.0.1"});

  ros2_compat::detail::DdsSettings open;
  open.loopback_only = false;
  EXPECT_TRUE(ros2_compat::detail::dds_participant_qos(open).transport().use_builtin_transports);
}
