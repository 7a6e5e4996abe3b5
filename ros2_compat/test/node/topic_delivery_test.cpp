// Delivery within the process: QoS compatibility, depth, transient local, counts and the
// incompatible-QoS warnings.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "node_test_support.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "std_msgs/msg/color_rgba.hpp"
#include "std_msgs/msg/header.hpp"

namespace
{

using std_msgs::msg::Header;

Header numbered(int id)
{
  Header msg;
  msg.stamp.sec = id;
  return msg;
}

class Received
{
public:
  void operator()(Header::ConstSharedPtr msg) { ids.push_back(msg->stamp.sec); }
  std::vector<int> ids;
};

}  // namespace

class TopicDelivery : public RclcppTest
{
protected:
  std::vector<int> deliver(
    const std::string & topic, const rclcpp::QoS & publisher_qos,
    const rclcpp::QoS & subscription_qos, int count)
  {
    std::vector<int> ids;
    auto subscription = node->create_subscription<Header>(
      topic, subscription_qos,
      [&ids](Header::ConstSharedPtr msg) { ids.push_back(msg->stamp.sec); });
    auto publisher = node->create_publisher<Header>(topic, publisher_qos);
    for (int id = 1; id <= count; ++id) {
      publisher->publish(numbered(id));
    }
    for (int i = 0; i < count + 2; ++i) {
      rclcpp::spin_some(node);
    }
    return ids;
  }

  rclcpp::Node::SharedPtr node = std::make_shared<rclcpp::Node>("det", "/robot");
};

TEST_F(TopicDelivery, IncompatibleQosDoesNotCommunicateAndWarns)
{
  ros2_compat::testing::LogCapture log(ros2_compat::testing::ConsoleOutput::Suppress);
  const auto best_effort = rclcpp::QoS(10).best_effort();
  const auto transient_local = rclcpp::QoS(10).transient_local();

  EXPECT_TRUE(deliver("a", best_effort, rclcpp::QoS(10), 2).empty());
  EXPECT_EQ(
    1u, log.count(
          "[robot.det]: New publisher discovered on topic '/robot/a', offering incompatible QoS. "
          "No messages will be sent to it. Last incompatible policy: RELIABILITY_QOS_POLICY"));
  EXPECT_EQ(
    1u, log.count(
          "[robot.det]: New subscription discovered on topic '/robot/a', requesting incompatible "
          "QoS. No messages will be sent to it. Last incompatible policy: RELIABILITY_QOS_POLICY"));

  EXPECT_TRUE(deliver("b", rclcpp::QoS(10), transient_local, 2).empty());
  EXPECT_EQ(
    1u, log.count("topic '/robot/b', offering incompatible QoS. No messages will be "
                  "sent to it. Last incompatible policy: DURABILITY_QOS_POLICY"));

  // Offering more than requested is fine.
  EXPECT_EQ((std::vector<int>{1, 2}), deliver("c", rclcpp::QoS(10), best_effort, 2));
  EXPECT_EQ((std::vector<int>{1, 2}), deliver("d", transient_local, rclcpp::QoS(10), 2));
  EXPECT_EQ(0u, log.count("'/robot/c'") + log.count("'/robot/d'"));
}

TEST_F(TopicDelivery, DepthKeepsTheNewestAndKeepAllKeepsEverything)
{
  EXPECT_EQ((std::vector<int>{8, 9, 10}), deliver("depth", rclcpp::QoS(10), rclcpp::QoS(3), 10));
  EXPECT_EQ(
    (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
    deliver("all", rclcpp::QoS(1), rclcpp::QoS(rclcpp::KeepAll()), 12));
}

TEST_F(TopicDelivery, TransientLocalPublisherServesLateSubscriptions)
{
  auto latched = node->create_publisher<Header>("/latched", rclcpp::QoS(2).transient_local());
  for (int id = 1; id <= 3; ++id) {
    latched->publish(numbered(id));
  }
  std::vector<int> late_transient;
  std::vector<int> late_volatile;
  auto transient_sub = node->create_subscription<Header>(
    "/latched", rclcpp::QoS(10).transient_local(),
    [&late_transient](const Header & msg) { late_transient.push_back(msg.stamp.sec); });
  auto volatile_sub = node->create_subscription<Header>(
    "/latched", rclcpp::QoS(10),
    [&late_volatile](const Header & msg) { late_volatile.push_back(msg.stamp.sec); });
  latched->publish(numbered(4));
  for (int i = 0; i < 5; ++i) {
    rclcpp::spin_some(node);
  }
  EXPECT_EQ((std::vector<int>{2, 3, 4}), late_transient);
  EXPECT_EQ((std::vector<int>{4}), late_volatile);
}

TEST_F(TopicDelivery, CountsOnlyMatchingEndpointsOfTheSameType)
{
  auto publisher = node->create_publisher<Header>("/counted", rclcpp::QoS(1));
  EXPECT_EQ(0u, publisher->get_subscription_count());
  auto reliable = node->create_subscription<Header>("/counted", 1, [](const Header &) {});
  auto other_type = node->create_subscription<std_msgs::msg::ColorRGBA>(
    "/counted", 1, [](const std_msgs::msg::ColorRGBA &) {});
  ros2_compat::testing::LogCapture log(ros2_compat::testing::ConsoleOutput::Suppress);
  auto transient = node->create_subscription<Header>(
    "/counted", rclcpp::QoS(1).transient_local(), [](const Header &) {});
  EXPECT_EQ(1u, publisher->get_subscription_count());
  EXPECT_EQ(1u, reliable->get_publisher_count());
  EXPECT_EQ(0u, other_type->get_publisher_count());
  EXPECT_EQ(0u, transient->get_publisher_count());
  reliable.reset();
  EXPECT_EQ(0u, publisher->get_subscription_count());
}

TEST_F(TopicDelivery, EveryCallbackFormGetsTheMessage)
{
  auto publisher = node->create_publisher<Header>("/forms", 10);
  std::vector<std::string> calls;
  std::vector<std::shared_ptr<rclcpp::SubscriptionBase>> subs;
  auto add = [&](auto callback) {
    subs.push_back(node->create_subscription<Header>("/forms", 10, callback));
  };
  add([&](const Header & m) { calls.push_back("ref " + m.frame_id); });
  add([&](std::unique_ptr<Header> m) { calls.push_back("unique " + m->frame_id); });
  add([&](Header::ConstSharedPtr m) { calls.push_back("shared " + m->frame_id); });
  add([&](const Header::ConstSharedPtr & m) { calls.push_back("shared& " + m->frame_id); });
  add([&](const Header & m, const rclcpp::MessageInfo & info) {
    calls.push_back(
      "ref+info " + m.frame_id + " " +
      std::to_string(info.get_rmw_message_info().publication_sequence_number));
  });
  add([&](std::unique_ptr<Header> m, const rclcpp::MessageInfo &) {
    calls.push_back("unique+info " + m->frame_id);
  });
  add([&](Header::ConstSharedPtr m, const rclcpp::MessageInfo &) {
    calls.push_back("shared+info " + m->frame_id);
  });
  Received functor;
  subs.push_back(node->create_subscription<Header>("/forms", 10, std::ref(functor)));

  Header msg;
  msg.frame_id = "x";
  msg.stamp.sec = 5;
  publisher->publish(msg);
  publisher->publish(std::make_unique<Header>(msg));
  rclcpp::spin_some(node);
  EXPECT_EQ(
    (std::vector<std::string>{
      "ref x", "unique x", "shared x", "shared& x", "ref+info x 1", "unique+info x",
      "shared+info x"}),
    calls);
  EXPECT_EQ((std::vector<int>{5}), functor.ids);
}
