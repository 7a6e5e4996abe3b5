#include "tf2_ros/buffer.h"

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

namespace tf2_ros
{

namespace
{

void appendTimeoutInfo(
  std::string * errstr, const rclcpp::Time & start_time, const rclcpp::Time & current_time,
  const rclcpp::Duration & timeout)
{
  if (errstr) {
    std::stringstream ss;
    ss << ". canTransform returned after " << (current_time - start_time).seconds()
       << " timeout was " << timeout.seconds() << ".";
    *errstr += ss.str();
  }
}

}  // namespace

Buffer::Buffer(
  rclcpp::Clock::SharedPtr clock, tf2::Duration cache_time, rclcpp::Node::SharedPtr node)
: tf2::BufferCore(cache_time), clock_(std::move(clock)), node_(std::move(node))
{
  if (nullptr == clock_) {
    throw std::invalid_argument("clock must be a valid instance");
  }
  // Every backward jump and every change of ROS time source clears the buffer; forward jumps
  // are ignored.
  rcl_jump_threshold_t threshold;
  threshold.on_clock_change = true;
  threshold.min_forward.nanoseconds = 0;
  threshold.min_backward.nanoseconds = -1;
  jump_handler_ = clock_->create_jump_callback(
    nullptr, [this](const rcl_time_jump_t & jump) { onTimeJump(jump); }, threshold);
}

geometry_msgs::msg::TransformStamped Buffer::lookupTransform(
  const std::string & target_frame, const std::string & source_frame, const tf2::TimePoint & time,
  const tf2::Duration timeout) const
{
  // The error text is dropped: the lookup below throws with its own.
  std::string ignored;
  canTransform(target_frame, source_frame, time, timeout, &ignored);
  return lookupTransform(target_frame, source_frame, time);
}

bool Buffer::canTransform(
  const std::string & target_frame, const std::string & source_frame, const tf2::TimePoint & time,
  const tf2::Duration timeout, std::string * errstr) const
{
  if (!checkAndErrorDedicatedThreadPresent(errstr)) {
    return false;
  }
  const rclcpp::Duration rclcpp_timeout = toRclcpp(timeout);
  const rclcpp::Time start_time = clock_->now();
  std::string not_yet;
  // Polls on the buffer's clock; a clock that went back more than 3 s (a bag restarting)
  // ends the wait early.
  while (clock_->now() < start_time + rclcpp_timeout &&
         !canTransform(target_frame, source_frame, time, &not_yet) &&
         clock_->now() + rclcpp::Duration(3, 0) >= start_time && rclcpp::ok()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const bool available = canTransform(target_frame, source_frame, time, errstr);
  appendTimeoutInfo(errstr, start_time, clock_->now(), rclcpp_timeout);
  return available;
}

void Buffer::onTimeJump(const rcl_time_jump_t & jump)
{
  if (
    jump.clock_change == RCL_ROS_TIME_ACTIVATED || jump.clock_change == RCL_ROS_TIME_DEACTIVATED) {
    RCLCPP_WARN(getLogger(), "Detected time source change. Clearing TF buffer.");
    clear();
  } else if (jump.delta.nanoseconds < 0) {
    RCLCPP_WARN(getLogger(), "Detected jump back in time. Clearing TF buffer.");
    clear();
  }
}

bool Buffer::checkAndErrorDedicatedThreadPresent(std::string * errstr) const
{
  if (isUsingDedicatedThread()) {
    return true;
  }
  if (errstr) {
    *errstr = threading_error;
  }
  RCLCPP_ERROR(getLogger(), "%s", threading_error);
  return false;
}

rclcpp::Logger Buffer::getLogger() const
{
  return node_ ? node_->get_logger() : rclcpp::get_logger("tf2_buffer");
}

}  // namespace tf2_ros
