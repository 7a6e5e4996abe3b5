// Executors: blocking spin woken by data, cancel, one executor per node and per callback group,
// groups kept apart from the node's executor.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "node_test_support.hpp"
#include "rclcpp/rclcpp.hpp"
#include "std_msgs/msg/header.hpp"

using namespace std::chrono_literals;
using std_msgs::msg::Header;

class Executors : public RclcppTest
{
protected:
  rclcpp::Node::SharedPtr node = std::make_shared<rclcpp::Node>("det", "/robot");
  rclcpp::Publisher<Header>::SharedPtr publisher = node->create_publisher<Header>("/t", 10);
};

TEST_F(Executors, SpinRunsCallbacksOnItsThreadUntilCancelled)
{
  std::atomic<int> calls{0};
  std::thread::id callback_thread;
  auto sub = node->create_subscription<Header>("/t", 10, [&](const Header &) {
    callback_thread = std::this_thread::get_id();
    ++calls;
  });
  rclcpp::executors::SingleThreadedExecutor executor;
  executor.add_node(node);
  std::thread::id spin_thread;
  auto spinner = std::async(std::launch::async, [&] {
    spin_thread = std::this_thread::get_id();
    executor.spin();
  });
  publisher->publish(Header());
  ASSERT_TRUE(eventually([&] { return calls == 1; }));
  publisher->publish(Header());
  ASSERT_TRUE(eventually([&] { return calls == 2; }));
  EXPECT_EQ(spin_thread, callback_thread);
  EXPECT_THROW(executor.spin_some(), std::runtime_error);

  executor.cancel();
  ASSERT_EQ(std::future_status::ready, spinner.wait_for(30s));
  executor.remove_node(node);
}

TEST_F(Executors, CancelBeforeSpinStartsStillEndsIt)
{
  rclcpp::executors::SingleThreadedExecutor executor;
  executor.add_node(node);
  executor.cancel();
  auto spinner = std::async(std::launch::async, [&] { executor.spin(); });
  EXPECT_EQ(std::future_status::ready, spinner.wait_for(30s));
}

TEST_F(Executors, SpinOnceWaitsForOneCallback)
{
  int calls = 0;
  auto sub = node->create_subscription<Header>("/t", 10, [&](const Header &) { ++calls; });
  rclcpp::executors::SingleThreadedExecutor executor;
  executor.add_node(node);
  executor.spin_once(1ms);
  EXPECT_EQ(0, calls);
  publisher->publish(Header());
  publisher->publish(Header());
  executor.spin_once(30s);
  EXPECT_EQ(1, calls);
  executor.spin_some();
  EXPECT_EQ(2, calls);
}

TEST_F(Executors, NodesAndGroupsBelongToOneExecutor)
{
  rclcpp::executors::SingleThreadedExecutor first;
  rclcpp::executors::SingleThreadedExecutor second;
  first.add_node(node);
  try {
    second.add_node(node);
    ADD_FAILURE() << "second executor accepted the node";
  } catch (const std::runtime_error & e) {
    EXPECT_STREQ("Node '/robot/det' has already been added to an executor.", e.what());
  }
  EXPECT_THROW(rclcpp::spin_some(node), std::runtime_error);

  auto group = node->create_callback_group(rclcpp::CallbackGroupType::MutuallyExclusive, false);
  second.add_callback_group(group, node->get_node_base_interface());
  try {
    first.add_callback_group(group, node->get_node_base_interface());
    ADD_FAILURE() << "group added twice";
  } catch (const std::runtime_error & e) {
    EXPECT_STREQ("Callback group has already been added to an executor.", e.what());
  }
  first.remove_node(node);
  EXPECT_NO_THROW(rclcpp::spin_some(node));
}

TEST_F(Executors, SeparateGroupIsServedOnlyByItsOwnExecutor)
{
  auto group = node->create_callback_group(rclcpp::CallbackGroupType::MutuallyExclusive, false);
  rclcpp::SubscriptionOptions options;
  options.callback_group = group;
  std::atomic<int> in_group{0};
  std::atomic<int> in_default{0};
  std::thread::id group_thread;
  auto grouped = node->create_subscription<Header>(
    "/t", 10,
    [&](const Header &) {
      group_thread = std::this_thread::get_id();
      ++in_group;
    },
    options);
  auto plain = node->create_subscription<Header>("/t", 10, [&](const Header &) { ++in_default; });

  rclcpp::executors::SingleThreadedExecutor dedicated;
  dedicated.add_callback_group(group, node->get_node_base_interface());
  std::thread::id dedicated_thread;
  auto spinner = std::async(std::launch::async, [&] {
    dedicated_thread = std::this_thread::get_id();
    dedicated.spin();
  });

  // The main side does not spin at all, yet the group's callback runs.
  publisher->publish(Header());
  ASSERT_TRUE(eventually([&] { return in_group == 1; }));
  EXPECT_EQ(dedicated_thread, group_thread);
  EXPECT_EQ(0, in_default);

  // The node's own executor serves the default group only.
  publisher->publish(Header());
  ASSERT_TRUE(eventually([&] { return in_group == 2; }));
  rclcpp::spin_some(node);
  EXPECT_EQ(1, in_default);
  rclcpp::spin_some(node);
  EXPECT_EQ(2, in_default);
  EXPECT_EQ(2, in_group);

  dedicated.cancel();
  EXPECT_EQ(std::future_status::ready, spinner.wait_for(30s));
}

TEST_F(Executors, ShutdownEndsSpinAndLaterSpinsReturn)
{
  auto spinner = std::async(std::launch::async, [this] { rclcpp::spin(node); });
  EXPECT_EQ(std::future_status::timeout, spinner.wait_for(50ms));
  rclcpp::shutdown();
  ASSERT_EQ(std::future_status::ready, spinner.wait_for(30s));
  int calls = 0;
  auto sub = node->create_subscription<Header>("/t", 10, [&](const Header &) { ++calls; });
  publisher->publish(Header());
  rclcpp::spin(node);
  rclcpp::spin_some(node);
  EXPECT_EQ(0, calls);
}

TEST_F(Executors, CallbackGroupOfAnotherNodeIsRefused)
{
  auto other = std::make_shared<rclcpp::Node>("other");
  rclcpp::SubscriptionOptions options;
  options.callback_group = other->create_callback_group(rclcpp::CallbackGroupType::Reentrant);
  EXPECT_THROW(
    node->create_subscription<Header>(
      "/t", 1, [](const Header &) {}, options),
    std::runtime_error);
}
