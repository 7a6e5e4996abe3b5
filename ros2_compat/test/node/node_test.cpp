// What every node has: its default parameters, clock and callback groups.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "node_test_support.hpp"
#include "rclcpp/rclcpp.hpp"

class NodeTest : public RclcppTest
{
};

TEST_F(NodeTest, FreshNodeHasTheFiveDefaultParameters)
{
  auto node = std::make_shared<rclcpp::Node>("trailscan");
  EXPECT_EQ(
    (std::vector<std::string>{
      "qos_overrides./parameter_events.publisher.depth",
      "qos_overrides./parameter_events.publisher.durability",
      "qos_overrides./parameter_events.publisher.history",
      "qos_overrides./parameter_events.publisher.reliability", "use_sim_time"}),
    node->list_parameters({}, 0).names);
  EXPECT_EQ(1000, node->get_parameter("qos_overrides./parameter_events.publisher.depth").as_int());
  EXPECT_EQ(
    "volatile",
    node->get_parameter("qos_overrides./parameter_events.publisher.durability").as_string());
  EXPECT_EQ(
    "keep_last",
    node->get_parameter("qos_overrides./parameter_events.publisher.history").as_string());
  EXPECT_EQ(
    "reliable",
    node->get_parameter("qos_overrides./parameter_events.publisher.reliability").as_string());
  EXPECT_FALSE(node->get_parameter("use_sim_time").as_bool());

  // A node without parameter event publisher (as the transform listener's) has only one.
  auto quiet = std::make_shared<rclcpp::Node>(
    "quiet", rclcpp::NodeOptions().start_parameter_event_publisher(false));
  EXPECT_EQ((std::vector<std::string>{"use_sim_time"}), quiet->list_parameters({}, 0).names);
}

TEST_F(NodeTest, ParametersForwardToTheNodesParameters)
{
  const char * argv[] = {"prog", "--ros-args", "-p", "range_max:=2.5", "-p", "count:=3"};
  rclcpp::shutdown();
  rclcpp::init(6, argv);
  auto node = rclcpp::Node::make_shared("trailscan");
  EXPECT_DOUBLE_EQ(2.5, node->declare_parameter("range_max", 10.0));
  EXPECT_EQ(3, node->declare_parameter<int>("count", 1));
  EXPECT_TRUE(node->has_parameter("count"));
  int64_t count = 0;
  EXPECT_TRUE(node->get_parameter("count", count));
  EXPECT_EQ(3, count);
  EXPECT_EQ(7, node->get_parameter_or("missing", 7));
  EXPECT_THROW(
    node->declare_parameter("count", rclcpp::ParameterValue(1.0)),
    rclcpp::exceptions::ParameterAlreadyDeclaredException);
}

TEST_F(NodeTest, ClockAndCallbackGroups)
{
  auto node = std::make_shared<rclcpp::Node>("trailscan");
  EXPECT_EQ(RCL_ROS_TIME, node->get_clock()->get_clock_type());
  const rclcpp::Node & const_node = *node;
  EXPECT_EQ(node->get_clock(), const_node.get_clock());
  EXPECT_EQ(RCL_ROS_TIME, const_node.now().get_clock_type());

  auto separate = node->create_callback_group(rclcpp::CallbackGroupType::Reentrant, false);
  EXPECT_EQ(rclcpp::CallbackGroupType::Reentrant, separate->type());
  EXPECT_FALSE(separate->automatically_add_to_executor_with_node());
  EXPECT_TRUE(node->get_node_base_interface()->callback_group_in_node(separate));
  EXPECT_STREQ("/trailscan", node->get_node_base_interface()->get_fully_qualified_name());
}
