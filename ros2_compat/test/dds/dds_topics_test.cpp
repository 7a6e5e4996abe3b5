// Publishers and subscriptions of one process over the DDS transport: each message arrives
// once, keep-last depth and incompatible QoS behave as in Humble, malformed samples are dropped.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "dds_environment.hpp"
#include "geometry_msgs/msg/point_stamped.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros2_compat/detail/transport.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "std_msgs/msg/header.hpp"

namespace
{

using namespace std::chrono_literals;
using std_msgs::msg::Header;

const auto * const environment = ::testing::AddGlobalTestEnvironment(new DdsEnvironment);

bool eventually(const std::function<bool()> & condition)
{
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

class DdsTopicsTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_IN_FRESH_NETWORK_NAMESPACE();
    rclcpp::init(0, nullptr);
    node_ = std::make_shared<rclcpp::Node>("dds_topics");
  }

  void TearDown() override
  {
    node_.reset();
    rclcpp::shutdown();
  }

  // Publishes stamps 1..count once the subscription is matched.
  void publish_stamps(rclcpp::Publisher<Header> & publisher, int count)
  {
    ASSERT_TRUE(eventually([&] { return publisher.get_subscription_count() == 1; }));
    for (int sec = 1; sec <= count; ++sec) {
      Header msg;
      msg.stamp.sec = sec;
      msg.frame_id = "f" + std::to_string(sec);
      publisher.publish(msg);
    }
  }

  rclcpp::Node::SharedPtr node_;
};

}  // namespace

TEST_F(DdsTopicsTest, OwnPublicationsArriveOnceAndIntact)
{
  std::vector<Header> received;
  auto subscription = node_->create_subscription<Header>(
    "/chatter", 10, [&received](const Header & msg) { received.push_back(msg); });
  auto publisher = node_->create_publisher<Header>("/chatter", 10);
  publish_stamps(*publisher, 3);
  ASSERT_TRUE(eventually([&] {
    rclcpp::spin_some(node_);
    return received.size() >= 3;
  }));
  // Anything delivered twice would show up while spinning a little longer.
  for (int i = 0; i < 50; ++i) {
    rclcpp::spin_some(node_);
    std::this_thread::sleep_for(2ms);
  }
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received[0].stamp.sec, 1);
  EXPECT_EQ(received[2].stamp.sec, 3);
  EXPECT_EQ(received[2].frame_id, "f3");
  EXPECT_EQ(subscription->get_publisher_count(), 1u);
}

// Humble's transcript: 8 messages through SensorDataQoS (keep last 5) give 4, 5, 6, 7, 8, one per
// spin_some; with keep last 1 only the newest remains.
TEST_F(DdsTopicsTest, KeepLastDepthAsHumble)
{
  std::vector<int> received;
  auto sensor_data = node_->create_subscription<Header>(
    "/depth5", rclcpp::SensorDataQoS(),
    [&received](const Header & msg) { received.push_back(msg.stamp.sec); });
  auto publisher = node_->create_publisher<Header>("/depth5", rclcpp::SensorDataQoS());
  publish_stamps(*publisher, 8);
  rclcpp::spin_some(node_);
  EXPECT_EQ(received, std::vector<int>{4});
  for (int i = 0; i < 10; ++i) {
    rclcpp::spin_some(node_);
  }
  EXPECT_EQ(received, (std::vector<int>{4, 5, 6, 7, 8}));

  received.clear();
  auto newest = node_->create_subscription<Header>(
    "/depth1", rclcpp::QoS(rclcpp::KeepLast(1)),
    [&received](const Header & msg) { received.push_back(msg.stamp.sec); });
  auto reliable = node_->create_publisher<Header>("/depth1", rclcpp::QoS(rclcpp::KeepLast(1)));
  publish_stamps(*reliable, 2);
  for (int i = 0; i < 10; ++i) {
    rclcpp::spin_some(node_);
  }
  EXPECT_EQ(received, std::vector<int>{2});
}

TEST_F(DdsTopicsTest, IncompatibleQosIsReportedAndNothingIsDelivered)
{
  ros2_compat::testing::LogCapture log;
  int received = 0;
  auto subscription = node_->create_subscription<Header>(
    "/strict", rclcpp::QoS(10), [&received](const Header &) { ++received; });
  auto publisher = node_->create_publisher<Header>("/strict", rclcpp::SensorDataQoS());
  EXPECT_TRUE(log.wait_for(
    "New publisher discovered on topic '/strict', offering incompatible QoS. No messages will be "
    "sent to it. Last incompatible policy: RELIABILITY_QOS_POLICY",
    20s));
  EXPECT_TRUE(log.wait_for(
    "New subscription discovered on topic '/strict', requesting incompatible QoS. No messages "
    "will be sent to it. Last incompatible policy: RELIABILITY_QOS_POLICY",
    20s));
  publisher->publish(Header());
  rclcpp::spin_some(node_);
  EXPECT_EQ(received, 0);
  EXPECT_EQ(publisher->get_subscription_count(), 0u);
}

// A peer's bytes that do not form a Header are dropped with a warning; later messages still
// arrive.
TEST_F(DdsTopicsTest, MalformedSamplesAreDroppedWithAWarning)
{
  ros2_compat::testing::LogCapture log;
  std::vector<int> received;
  auto subscription = node_->create_subscription<Header>(
    "/mixed", 10, [&received](const Header & msg) { received.push_back(msg.stamp.sec); });

  ros2_compat::cdr::MessageTypeSupport truncating =
    ros2_compat::cdr::get_message_type_support<Header>();
  truncating.serialize = [](const void *, std::vector<uint8_t> & payload) {
    payload = {0x00, 0x01, 0x00, 0x00, 0x07};
  };
  ros2_compat::detail::TopicEndpoint endpoint{
    "/mixed", "std_msgs/msg/Header", rclcpp::QoS(10).get_rmw_qos_profile(), &truncating};
  auto raw_writer = ros2_compat::detail::get_transport()->create_writer(endpoint, {});
  auto publisher = node_->create_publisher<Header>("/mixed", 10);
  ASSERT_TRUE(eventually([&] { return raw_writer->matched_reader_count() == 1; }));

  raw_writer->write(std::make_shared<Header>());
  publish_stamps(*publisher, 1);
  ASSERT_TRUE(eventually([&] {
    rclcpp::spin_some(node_);
    return !received.empty();
  }));
  EXPECT_EQ(received, std::vector<int>{1});
  EXPECT_EQ(
    log.count(
      "dropped a malformed message on topic '/mixed' (type std_msgs/msg/Header): CDR payload "
      "truncated: a primitive at body offset 0 needs 4 bytes, 1 left"),
    1u);
}

TEST_F(DdsTopicsTest, OneTopicNameCarriesOneType)
{
  auto publisher = node_->create_publisher<Header>("/typed", 10);
  try {
    node_->create_subscription<geometry_msgs::msg::PointStamped>(
      "/typed", 10, [](const geometry_msgs::msg::PointStamped &) {});
    FAIL() << "a second type on /typed was accepted";
  } catch (const std::runtime_error & e) {
    EXPECT_STREQ(
      e.what(),
      "could not create subscription: create_subscription() called for existing topic name "
      "with incompatible type");
  }
}
