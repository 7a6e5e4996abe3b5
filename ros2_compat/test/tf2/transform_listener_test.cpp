#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "rclcpp/rclcpp.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "tf2_ros/buffer.h"
#include "tf2_ros/qos.hpp"
#include "tf2_ros/transform_listener.h"
#include "tf2_scene.hpp"

using tf2_scene::transform;

namespace
{

class TransformListenerTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    rclcpp::init(0, nullptr);
    talker_ = std::make_shared<rclcpp::Node>("tf_talker");
    tf_pub_ =
      talker_->create_publisher<tf2_msgs::msg::TFMessage>("/tf", tf2_ros::DynamicBroadcasterQoS());
    static_pub_ = talker_->create_publisher<tf2_msgs::msg::TFMessage>(
      "/tf_static", tf2_ros::StaticBroadcasterQoS());
  }

  void TearDown() override
  {
    tf_pub_.reset();
    static_pub_.reset();
    talker_.reset();
    rclcpp::shutdown();
  }

  static tf2_msgs::msg::TFMessage message(const geometry_msgs::msg::TransformStamped & t)
  {
    tf2_msgs::msg::TFMessage msg;
    msg.transforms.push_back(t);
    return msg;
  }

  // Generous: the listener thread only has to pass one message on.
  static constexpr double kWait = 30.0;

  rclcpp::Node::SharedPtr talker_;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr tf_pub_;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr static_pub_;
  tf2_ros::Buffer buffer_{std::make_shared<rclcpp::Clock>(RCL_ROS_TIME)};
};

}  // namespace

TEST(Tf2RosQoS, MatchesHumblesProfiles)
{
  const tf2_ros::DynamicListenerQoS dynamic_listener;
  EXPECT_EQ(100u, dynamic_listener.depth());
  EXPECT_EQ(rclcpp::HistoryPolicy::KeepLast, dynamic_listener.history());
  EXPECT_EQ(rclcpp::ReliabilityPolicy::Reliable, dynamic_listener.reliability());
  EXPECT_EQ(rclcpp::DurabilityPolicy::Volatile, dynamic_listener.durability());
  const tf2_ros::StaticListenerQoS static_listener;
  EXPECT_EQ(100u, static_listener.depth());
  EXPECT_EQ(rclcpp::ReliabilityPolicy::Reliable, static_listener.reliability());
  EXPECT_EQ(rclcpp::DurabilityPolicy::TransientLocal, static_listener.durability());
  EXPECT_EQ(100u, tf2_ros::DynamicBroadcasterQoS().depth());
  EXPECT_EQ(1u, tf2_ros::StaticBroadcasterQoS().depth());
  EXPECT_EQ(rclcpp::DurabilityPolicy::TransientLocal, tf2_ros::StaticBroadcasterQoS().durability());
}

TEST_F(TransformListenerTest, FillsTheBufferFromItsOwnThreadAndNode)
{
  tf2_ros::TransformListener listener(buffer_);
  EXPECT_TRUE(buffer_.isUsingDedicatedThread());
  EXPECT_EQ(1u, tf_pub_->get_subscription_count());
  EXPECT_EQ(1u, static_pub_->get_subscription_count());

  tf_pub_->publish(message(transform("odom", "base_link", 10.0, 1.0, 0.0)));
  // Nobody spins: the listener's thread delivers while the buffer waits.
  std::string err;
  EXPECT_TRUE(buffer_.canTransform(
    "odom", "base_link", tf2::timeFromSec(10.0), tf2::durationFromSec(kWait), &err))
    << err;
  const auto t = buffer_.lookupTransform("odom", "base_link", tf2::TimePointZero);
  EXPECT_DOUBLE_EQ(1.0, t.transform.translation.x);
  EXPECT_EQ(10, t.header.stamp.sec);
}

TEST_F(TransformListenerTest, ReceivesStaticTransformsPublishedBeforeItExisted)
{
  static_pub_->publish(message(transform("base_link", "laser_front", 0.0, 0.2, 0.1)));
  // A raw node pointer, as `this` inside a node's constructor; the topics are absolute.
  auto node = std::make_shared<rclcpp::Node>("detector", "/robot");
  tf2_ros::TransformListener listener(buffer_, node.get());
  EXPECT_EQ(1u, static_pub_->get_subscription_count());
  EXPECT_TRUE(buffer_.canTransform(
    "base_link", "laser_front", tf2::TimePointZero, tf2::durationFromSec(kWait)));
  // Static: valid at any time.
  EXPECT_DOUBLE_EQ(
    0.1, buffer_.lookupTransform("base_link", "laser_front", tf2::timeFromSec(99.0))
           .transform.translation.y);
}

TEST_F(TransformListenerTest, WithoutItsThreadTheNodeMustBeSpun)
{
  auto node = std::make_shared<rclcpp::Node>("spun_by_user");
  {
    tf2_ros::TransformListener listener(buffer_, node, false);
    EXPECT_FALSE(buffer_.isUsingDedicatedThread());
    tf_pub_->publish(message(transform("odom", "base_link", 10.0, 1.0, 0.0)));
    std::string err;
    EXPECT_FALSE(buffer_.canTransform("odom", "base_link", tf2::TimePointZero, &err));
    rclcpp::spin_some(node);
    EXPECT_TRUE(buffer_.canTransform("odom", "base_link", tf2::TimePointZero, &err)) << err;
  }
  // Listeners come and go without hanging (the thread is stopped and joined).
  for (int i = 0; i < 5; ++i) {
    tf2_ros::TransformListener short_lived(buffer_);
  }
}
