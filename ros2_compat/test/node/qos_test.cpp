#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "rclcpp/qos.hpp"

namespace
{

std::string golden_line(size_t index)
{
  std::ifstream file(std::string(QUILLON_GOLDEN_DIR) + "/console/qos_spin_some.txt");
  std::string line;
  for (size_t i = 0; i <= index && std::getline(file, line); ++i) {
  }
  return line;
}

std::string describe(const rmw_qos_profile_t & qos)
{
  std::ostringstream out;
  out << "depth=" << qos.depth << " rel=" << qos.reliability << " dur=" << qos.durability;
  return out.str();
}

void expect_profile(
  const rclcpp::QoS & qos, rmw_qos_history_policy_t history, size_t depth,
  rmw_qos_reliability_policy_t reliability, rmw_qos_durability_policy_t durability)
{
  const rmw_qos_profile_t & profile = qos.get_rmw_qos_profile();
  EXPECT_EQ(history, profile.history);
  EXPECT_EQ(depth, profile.depth);
  EXPECT_EQ(reliability, profile.reliability);
  EXPECT_EQ(durability, profile.durability);
  EXPECT_FALSE(profile.avoid_ros_namespace_conventions);
}

}  // namespace

TEST(QoS, ProfilesPrintAsInHumble)
{
  const rmw_qos_profile_t sensor = rclcpp::SensorDataQoS().get_rmw_qos_profile();
  EXPECT_EQ(
    golden_line(0),
    "SensorDataQoS " + describe(sensor) + " hist=" + std::to_string(sensor.history));
  EXPECT_EQ(golden_line(1), "QoS(1) " + describe(rclcpp::QoS(1).get_rmw_qos_profile()));
}

TEST(QoS, PredefinedProfiles)
{
  expect_profile(
    rclcpp::QoS(7), RMW_QOS_POLICY_HISTORY_KEEP_LAST, 7, RMW_QOS_POLICY_RELIABILITY_RELIABLE,
    RMW_QOS_POLICY_DURABILITY_VOLATILE);
  expect_profile(
    rclcpp::QoS(rclcpp::KeepAll()), RMW_QOS_POLICY_HISTORY_KEEP_ALL, 0,
    RMW_QOS_POLICY_RELIABILITY_RELIABLE, RMW_QOS_POLICY_DURABILITY_VOLATILE);
  expect_profile(
    rclcpp::SensorDataQoS(), RMW_QOS_POLICY_HISTORY_KEEP_LAST, 5,
    RMW_QOS_POLICY_RELIABILITY_BEST_EFFORT, RMW_QOS_POLICY_DURABILITY_VOLATILE);
  expect_profile(
    rclcpp::ClockQoS(), RMW_QOS_POLICY_HISTORY_KEEP_LAST, 1, RMW_QOS_POLICY_RELIABILITY_BEST_EFFORT,
    RMW_QOS_POLICY_DURABILITY_VOLATILE);
  expect_profile(
    rclcpp::ParametersQoS(), RMW_QOS_POLICY_HISTORY_KEEP_LAST, 1000,
    RMW_QOS_POLICY_RELIABILITY_RELIABLE, RMW_QOS_POLICY_DURABILITY_VOLATILE);
  expect_profile(
    rclcpp::ParameterEventsQoS(), RMW_QOS_POLICY_HISTORY_KEEP_LAST, 1000,
    RMW_QOS_POLICY_RELIABILITY_RELIABLE, RMW_QOS_POLICY_DURABILITY_VOLATILE);
  expect_profile(
    rclcpp::ServicesQoS(), RMW_QOS_POLICY_HISTORY_KEEP_LAST, 10,
    RMW_QOS_POLICY_RELIABILITY_RELIABLE, RMW_QOS_POLICY_DURABILITY_VOLATILE);
  expect_profile(
    rclcpp::RosoutQoS(), RMW_QOS_POLICY_HISTORY_KEEP_LAST, 1000,
    RMW_QOS_POLICY_RELIABILITY_RELIABLE, RMW_QOS_POLICY_DURABILITY_TRANSIENT_LOCAL);
  EXPECT_EQ(10u, rclcpp::RosoutQoS().get_rmw_qos_profile().lifespan.sec);
  expect_profile(
    rclcpp::SystemDefaultsQoS(), RMW_QOS_POLICY_HISTORY_SYSTEM_DEFAULT, 0,
    RMW_QOS_POLICY_RELIABILITY_SYSTEM_DEFAULT, RMW_QOS_POLICY_DURABILITY_SYSTEM_DEFAULT);
}

TEST(QoS, ModifiersChainOnTheSameObject)
{
  rclcpp::QoS qos(10);
  EXPECT_EQ(&qos, &qos.best_effort().transient_local().keep_last(3));
  EXPECT_EQ(rclcpp::ReliabilityPolicy::BestEffort, qos.reliability());
  EXPECT_EQ(rclcpp::DurabilityPolicy::TransientLocal, qos.durability());
  EXPECT_EQ(rclcpp::HistoryPolicy::KeepLast, qos.history());
  EXPECT_EQ(3u, qos.depth());

  qos.reliable().durability_volatile().keep_all();
  expect_profile(
    qos, RMW_QOS_POLICY_HISTORY_KEEP_ALL, 0, RMW_QOS_POLICY_RELIABILITY_RELIABLE,
    RMW_QOS_POLICY_DURABILITY_VOLATILE);

  qos.history(rclcpp::HistoryPolicy::KeepLast)
    .reliability(rclcpp::ReliabilityPolicy::BestEffort)
    .durability(rclcpp::DurabilityPolicy::TransientLocal);
  EXPECT_EQ(RMW_QOS_POLICY_HISTORY_KEEP_LAST, qos.get_rmw_qos_profile().history);
  EXPECT_EQ(RMW_QOS_POLICY_RELIABILITY_BEST_EFFORT, qos.get_rmw_qos_profile().reliability);
  EXPECT_EQ(RMW_QOS_POLICY_DURABILITY_TRANSIENT_LOCAL, qos.get_rmw_qos_profile().durability);

  EXPECT_EQ(rclcpp::SensorDataQoS().keep_last(1), rclcpp::ClockQoS());
  EXPECT_NE(rclcpp::QoS(1), rclcpp::ClockQoS());
  EXPECT_EQ(
    rclcpp::QoS(rclcpp::KeepLast(10)),
    rclcpp::QoS(rclcpp::QoSInitialization::from_rmw(rmw_qos_profile_default)));
}
