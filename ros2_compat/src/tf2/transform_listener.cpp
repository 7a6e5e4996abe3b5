#include "tf2_ros/transform_listener.h"

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

namespace tf2_ros
{

namespace
{

// Named after the listener's address (hex, no 0x) through a remap rule, so that a __node:=
// rule on the command line does not rename it.
rclcpp::Node::SharedPtr createListenerNode(const void * listener)
{
  std::stringstream name;
  name << "transform_listener_impl_" << std::hex << reinterpret_cast<uintptr_t>(listener);
  rclcpp::NodeOptions options;
  options.arguments({"--ros-args", "-r", "__node:=" + name.str()});
  options.start_parameter_event_publisher(false);
  options.start_parameter_services(false);
  return rclcpp::Node::make_shared("_", options);
}

}  // namespace

TransformListener::TransformListener(tf2::BufferCore & buffer, bool spin_thread)
: buffer_(buffer),
  optional_default_node_(createListenerNode(this)),
  logger_(optional_default_node_->get_logger())
{
  init(
    optional_default_node_, spin_thread, DynamicListenerQoS(), StaticListenerQoS(),
    rclcpp::SubscriptionOptions(), rclcpp::SubscriptionOptions());
}

TransformListener::~TransformListener()
{
  if (spin_thread_) {
    executor_->cancel();
    dedicated_listener_thread_->join();
  }
}

void TransformListener::startListenerThread(
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_base)
{
  executor_ = std::make_shared<rclcpp::executors::SingleThreadedExecutor>();
  executor_->add_callback_group(callback_group_, node_base);
  dedicated_listener_thread_ = std::make_unique<std::thread>([this] { executor_->spin(); });
  buffer_.setUsingDedicatedThread(true);
}

void TransformListener::subscription_callback(
  tf2_msgs::msg::TFMessage::ConstSharedPtr msg, bool is_static)
{
  const std::string authority = "Authority undetectable";
  for (const auto & transform : msg->transforms) {
    try {
      buffer_.setTransform(transform, authority, is_static);
    } catch (const tf2::TransformException & ex) {
      RCLCPP_ERROR(
        logger_, "Failure to set received transform from %s to %s with error: %s\n",
        transform.child_frame_id.c_str(), transform.header.frame_id.c_str(), ex.what());
    }
  }
}

}  // namespace tf2_ros
