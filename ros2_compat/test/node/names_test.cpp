// Node names, namespaces, logger names and topic names: expansion, remapping and the
// validation errors with Humble's texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "node_test_support.hpp"
#include "rclcpp/rclcpp.hpp"
#include "std_msgs/msg/header.hpp"

namespace
{

template <typename Exception, typename Action>
std::string what_of(Action action)
{
  try {
    action();
  } catch (const Exception & e) {
    return e.what();
  }
  return "nothing thrown";
}

}  // namespace

class Names : public RclcppTest
{
protected:
  std::string resolved(const rclcpp::Node::SharedPtr & node, const std::string & topic)
  {
    return node->create_publisher<std_msgs::msg::Header>(topic, 1)->get_topic_name();
  }

  std::string topic_error(const std::string & topic)
  {
    auto node = std::make_shared<rclcpp::Node>("det", "/robot");
    return what_of<rclcpp::exceptions::InvalidTopicNameError>([&] { resolved(node, topic); });
  }
};

TEST_F(Names, NodeNamesAndNamespaces)
{
  auto root = std::make_shared<rclcpp::Node>("trailscan");
  EXPECT_STREQ("trailscan", root->get_name());
  EXPECT_STREQ("/", root->get_namespace());
  EXPECT_STREQ("/trailscan", root->get_fully_qualified_name());
  EXPECT_STREQ("trailscan", root->get_logger().get_name());

  auto nested = std::make_shared<rclcpp::Node>("det", "robot/a");
  EXPECT_STREQ("/robot/a", nested->get_namespace());
  EXPECT_STREQ("/robot/a/det", nested->get_fully_qualified_name());
  EXPECT_STREQ("robot.a.det", nested->get_logger().get_name());
}

TEST_F(Names, InvalidNodeNamesAndNamespacesThrow)
{
  EXPECT_EQ(
    "Invalid node name: node name must not contain characters other than alphanumerics or "
    "'_':\n  'laser-front'\n        ^\n",
    what_of<rclcpp::exceptions::InvalidNodeNameError>([] { rclcpp::Node("laser-front"); }));
  EXPECT_EQ(
    "Invalid node name: node name must not start with a number:\n  '2d'\n   ^\n",
    what_of<rclcpp::exceptions::InvalidNodeNameError>([] { rclcpp::Node("2d"); }));
  EXPECT_EQ(
    "Invalid node name: node name must not be empty:\n  ''\n   ^\n",
    what_of<std::invalid_argument>([] { rclcpp::Node(""); }));
  EXPECT_EQ(
    "Invalid namespace: namespace must not end with a '/', unless only a '/':\n"
    "  '/robot/'\n         ^\n",
    what_of<rclcpp::exceptions::InvalidNamespaceError>([] { rclcpp::Node("n", "/robot/"); }));
  EXPECT_EQ(
    "Invalid namespace: namespace must not contain repeated '/':\n  '/a//b'\n      ^\n",
    what_of<rclcpp::exceptions::NameValidationError>([] { rclcpp::Node("n", "/a//b"); }));
  // Humble explains a bad relative namespace with the namespace as given, hence "absolute".
  EXPECT_EQ(
    "Invalid namespace: namespace must be absolute, it must lead with a '/':\n"
    "  'robot/'\n   ^\n",
    what_of<rclcpp::exceptions::InvalidNamespaceError>([] { rclcpp::Node("n", "robot/"); }));
}

TEST_F(Names, TopicNamesExpandAgainstTheNode)
{
  auto root = std::make_shared<rclcpp::Node>("trailscan");
  auto nested = std::make_shared<rclcpp::Node>("det", "/robot");
  EXPECT_EQ("/scan", resolved(root, "scan"));
  EXPECT_EQ("/robot/scan_01", resolved(nested, "scan_01"));
  EXPECT_EQ("/scan_01", resolved(nested, "/scan_01"));
  EXPECT_EQ("/robot/det/markers", resolved(nested, "~/markers"));
  EXPECT_EQ("/trailscan/markers", resolved(root, "~/markers"));
  EXPECT_EQ("/robot/det/x", resolved(nested, "{node}/x"));
  EXPECT_EQ("/robot/x", resolved(nested, "{ns}/x"));
  // rcl lets a two-character "~x" through and glues it to the node name.
  EXPECT_EQ("/robot/detx", resolved(nested, "~x"));
}

TEST_F(Names, InvalidTopicNamesThrow)
{
  EXPECT_EQ(
    "Invalid topic name: topic name must not be empty string:\n  ''\n   ^\n", topic_error(""));
  EXPECT_EQ(
    "Invalid topic name: topic name must not end with a forward slash:\n  'scan/'\n       ^\n",
    topic_error("scan/"));
  EXPECT_EQ(
    "Invalid topic name: topic name must not contain characters other than alphanumerics, "
    "'_', '~', '{', or '}':\n  'scan 1'\n       ^\n",
    topic_error("scan 1"));
  EXPECT_EQ(
    "Invalid topic name: topic name token must not start with a number:\n  '/a/1b'\n      ^\n",
    topic_error("/a/1b"));
  EXPECT_EQ(
    "Invalid topic name: topic name must not have a tilde '~' that is not followed by a "
    "forward slash '/':\n  '~ab'\n    ^\n",
    topic_error("~ab"));
  EXPECT_EQ(
    "Invalid topic name: topic name must not contain repeated '/':\n  '/a//b'\n      ^\n",
    topic_error("/a//b"));
  EXPECT_EQ(
    "Invalid topic name: topic name must not have unmatched (unbalanced) curly braces "
    "'{}':\n  'a{node'\n    ^\n",
    topic_error("a{node"));
}

TEST_F(Names, NodeArgumentsRemapNameAndNamespace)
{
  auto node = std::make_shared<rclcpp::Node>(
    "original", rclcpp::NodeOptions().arguments(
                  {"--ros-args", "-r", "__node:=renamed", "-r", "__ns:=/remapped"}));
  EXPECT_STREQ("renamed", node->get_name());
  EXPECT_STREQ("/remapped", node->get_namespace());
  EXPECT_STREQ("remapped.renamed", node->get_logger().get_name());
  EXPECT_EQ("/remapped/renamed/t", resolved(node, "~/t"));

  rclcpp::shutdown();
  const char * argv[] = {"prog", "--ros-args", "-r", "__node:=global_name"};
  rclcpp::init(4, argv);
  EXPECT_STREQ("global_name", rclcpp::Node("original").get_name());
  EXPECT_STREQ(
    "original",
    rclcpp::Node("original", rclcpp::NodeOptions().use_global_arguments(false)).get_name());
}
