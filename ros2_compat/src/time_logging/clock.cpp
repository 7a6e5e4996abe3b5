// rclcpp::Clock over an rcl clock; jump handlers stay registered while their owners hold them.
#include "rclcpp/clock.hpp"

#include <stdexcept>
#include <string>

#include "rcl_clock_state.hpp"
#include "rcutils/logging.h"

namespace rclcpp
{

class Clock::Impl
{
public:
  explicit Impl(rcl_clock_type_t clock_type)
  {
    if (!ros2_compat::detail::init_rcl_clock(clock_type, state_, rcl_clock_)) {
      throw std::invalid_argument(
        "failed to initialize rcl clock: invalid clock type " + std::to_string(clock_type));
    }
  }

  Impl(const Impl &) = delete;
  Impl & operator=(const Impl &) = delete;

  ros2_compat::detail::RclClockState state_;
  rcl_clock_t rcl_clock_;
  std::mutex clock_mutex_;
};

JumpHandler::JumpHandler(
  pre_callback_t pre, post_callback_t post, const rcl_jump_threshold_t & threshold)
: pre_callback(std::move(pre)), post_callback(std::move(post)), notice_threshold(threshold)
{
}

Clock::Clock(rcl_clock_type_t clock_type) : impl_(std::make_shared<Impl>(clock_type)) {}

Clock::~Clock() = default;

Time Clock::now()
{
  Time now(0, 0, impl_->rcl_clock_.type);
  if (rcl_clock_get_now(&impl_->rcl_clock_, &now.rcl_time_.nanoseconds) != RCL_RET_OK) {
    throw std::runtime_error(
      "could not get current time stamp: "
      "Clock is not initialized or does not have get_now registered.");
  }
  return now;
}

bool Clock::ros_time_is_active()
{
  if (!rcl_clock_valid(&impl_->rcl_clock_)) {
    static const rcutils_log_location_t location = {__func__, __FILE__, __LINE__};
    rcutils_log(&location, RCUTILS_LOG_SEVERITY_ERROR, nullptr, "ROS time not valid!");
    return false;
  }
  bool is_enabled = false;
  if (rcl_is_enabled_ros_time_override(&impl_->rcl_clock_, &is_enabled) != RCL_RET_OK) {
    throw std::runtime_error(
      "Failed to check ros_time_override_status: "
      "Clock is not of type RCL_ROS_TIME, cannot query override state.");
  }
  return is_enabled;
}

rcl_clock_t * Clock::get_clock_handle() noexcept { return &impl_->rcl_clock_; }

rcl_clock_type_t Clock::get_clock_type() const noexcept { return impl_->rcl_clock_.type; }

std::mutex & Clock::get_clock_mutex() noexcept { return impl_->clock_mutex_; }

void Clock::on_time_jump(const rcl_time_jump_t * time_jump, bool before_jump, void * user_data)
{
  const auto * handler = static_cast<const JumpHandler *>(user_data);
  if (handler == nullptr) {
    return;
  }
  if (before_jump && handler->pre_callback) {
    handler->pre_callback();
  } else if (!before_jump && handler->post_callback) {
    handler->post_callback(*time_jump);
  }
}

JumpHandler::SharedPtr Clock::create_jump_callback(
  JumpHandler::pre_callback_t pre_callback, JumpHandler::post_callback_t post_callback,
  const rcl_jump_threshold_t & threshold)
{
  if (threshold.min_forward.nanoseconds < 0) {
    throw std::invalid_argument(
      "Failed to add time jump callback: forward jump threshold must be positive or zero");
  }
  if (threshold.min_backward.nanoseconds > 0) {
    throw std::invalid_argument(
      "Failed to add time jump callback: backward jump threshold must be negative or zero");
  }
  JumpHandler::UniquePtr handler(
    new JumpHandler(std::move(pre_callback), std::move(post_callback), threshold));
  {
    std::lock_guard<std::mutex> lock(impl_->clock_mutex_);
    if (
      rcl_clock_add_jump_callback(
        &impl_->rcl_clock_, threshold, Clock::on_time_jump, handler.get()) != RCL_RET_OK) {
      throw std::runtime_error("Failed to add time jump callback");
    }
  }
  // Releasing the last copy of the handler unregisters it, if the clock still exists.
  std::weak_ptr<Impl> weak_impl = impl_;
  return JumpHandler::SharedPtr(handler.release(), [weak_impl](JumpHandler * released) noexcept {
    if (auto impl = weak_impl.lock()) {
      std::lock_guard<std::mutex> lock(impl->clock_mutex_);
      if (
        rcl_clock_remove_jump_callback(&impl->rcl_clock_, Clock::on_time_jump, released) !=
        RCL_RET_OK) {
        static const rcutils_log_location_t location = {__func__, __FILE__, __LINE__};
        rcutils_log(
          &location, RCUTILS_LOG_SEVERITY_ERROR, nullptr, "Failed to remove time jump callback");
      }
    }
    delete released;
  });
}

}  // namespace rclcpp
