// tf2_ros::TransformListener: fills a buffer from /tf and /tf_static. By default it serves its
// subscriptions on its own executor thread, so transforms arrive without the user spinning and
// the buffer may wait for transforms (setUsingDedicatedThread(true)).
#ifndef TF2_ROS__TRANSFORM_LISTENER_H_
#define TF2_ROS__TRANSFORM_LISTENER_H_

#include <memory>
#include <thread>

#include "rclcpp/rclcpp.hpp"
#include "tf2/buffer_core.h"
#include "tf2_msgs/msg/tf_message.hpp"
#include "tf2_ros/qos.hpp"

namespace tf2_ros
{

class TransformListener
{
public:
  // Listens through a node of its own, "transform_listener_impl_<address>"; needs rclcpp::init.
  explicit TransformListener(tf2::BufferCore & buffer, bool spin_thread = true);

  // node: a raw or shared pointer to a node. With spin_thread false the subscriptions are in
  // the node's default callback group and the node's executor must be spun.
  template <class NodeT, class AllocatorT = std::allocator<void>>
  TransformListener(
    tf2::BufferCore & buffer, NodeT && node, bool spin_thread = true,
    const rclcpp::QoS & qos = DynamicListenerQoS(),
    const rclcpp::QoS & static_qos = StaticListenerQoS(),
    const rclcpp::SubscriptionOptionsWithAllocator<AllocatorT> & options =
      rclcpp::SubscriptionOptionsWithAllocator<AllocatorT>(),
    const rclcpp::SubscriptionOptionsWithAllocator<AllocatorT> & static_options =
      rclcpp::SubscriptionOptionsWithAllocator<AllocatorT>())
  : buffer_(buffer), logger_(node->get_logger())
  {
    init(node, spin_thread, qos, static_qos, options, static_options);
  }

  // Stops and joins the listener thread.
  virtual ~TransformListener();

  TransformListener(const TransformListener &) = delete;
  TransformListener & operator=(const TransformListener &) = delete;

private:
  template <class NodeT, class AllocatorT>
  void init(
    NodeT & node, bool spin_thread, const rclcpp::QoS & qos, const rclcpp::QoS & static_qos,
    rclcpp::SubscriptionOptionsWithAllocator<AllocatorT> options,
    rclcpp::SubscriptionOptionsWithAllocator<AllocatorT> static_options)
  {
    spin_thread_ = spin_thread;
    if (spin_thread_) {
      // A group no executor picks up with the node: only the listener's own executor serves it.
      callback_group_ =
        node->create_callback_group(rclcpp::CallbackGroupType::MutuallyExclusive, false);
      options.callback_group = callback_group_;
      static_options.callback_group = callback_group_;
    }
    message_subscription_tf_ = node->template create_subscription<tf2_msgs::msg::TFMessage>(
      "/tf", qos,
      [this](tf2_msgs::msg::TFMessage::ConstSharedPtr msg) { subscription_callback(msg, false); },
      options);
    message_subscription_tf_static_ = node->template create_subscription<tf2_msgs::msg::TFMessage>(
      "/tf_static", static_qos,
      [this](tf2_msgs::msg::TFMessage::ConstSharedPtr msg) { subscription_callback(msg, true); },
      static_options);
    if (spin_thread_) {
      startListenerThread(node->get_node_base_interface());
    }
  }

  void startListenerThread(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_base);
  void subscription_callback(tf2_msgs::msg::TFMessage::ConstSharedPtr msg, bool is_static);

  tf2::BufferCore & buffer_;
  rclcpp::Node::SharedPtr optional_default_node_;
  rclcpp::Logger logger_;
  bool spin_thread_ = false;
  rclcpp::CallbackGroup::SharedPtr callback_group_;
  rclcpp::Subscription<tf2_msgs::msg::TFMessage>::SharedPtr message_subscription_tf_;
  rclcpp::Subscription<tf2_msgs::msg::TFMessage>::SharedPtr message_subscription_tf_static_;
  rclcpp::Executor::SharedPtr executor_;
  std::unique_ptr<std::thread> dedicated_listener_thread_;
};

}  // namespace tf2_ros

#endif  // TF2_ROS__TRANSFORM_LISTENER_H_
