// rclcpp::Clock: system, steady or ROS time. A ROS clock reads system time until its ROS-time
// override is enabled (what a node's time source does with use_sim_time), then the override.
// Copies share the same underlying clock.
#ifndef RCLCPP__CLOCK_HPP_
#define RCLCPP__CLOCK_HPP_

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "rcl/time.h"
#include "rclcpp/time.hpp"

namespace rclcpp
{

// Callbacks around a time jump; kept registered on the clock while the handler is alive.
class JumpHandler
{
public:
  using SharedPtr = std::shared_ptr<JumpHandler>;
  using UniquePtr = std::unique_ptr<JumpHandler>;

  using pre_callback_t = std::function<void()>;
  using post_callback_t = std::function<void(const rcl_time_jump_t &)>;

  JumpHandler(
    pre_callback_t pre_callback, post_callback_t post_callback,
    const rcl_jump_threshold_t & threshold);

  pre_callback_t pre_callback;
  post_callback_t post_callback;
  rcl_jump_threshold_t notice_threshold;
};

class Clock
{
public:
  using SharedPtr = std::shared_ptr<Clock>;
  using ConstSharedPtr = std::shared_ptr<const Clock>;
  using WeakPtr = std::weak_ptr<Clock>;
  using ConstWeakPtr = std::weak_ptr<const Clock>;
  using UniquePtr = std::unique_ptr<Clock>;

  template <typename... Args>
  static SharedPtr make_shared(Args &&... args)
  {
    return std::make_shared<Clock>(std::forward<Args>(args)...);
  }

  // Throws std::invalid_argument for a value outside rcl_clock_type_t.
  explicit Clock(rcl_clock_type_t clock_type = RCL_SYSTEM_TIME);

  ~Clock();

  // Non-const, as in Humble. Throws std::runtime_error for an RCL_CLOCK_UNINITIALIZED clock.
  Time now();

  // Whether the ROS-time override is enabled; throws std::runtime_error unless a ROS clock.
  bool ros_time_is_active();

  rcl_clock_t * get_clock_handle() noexcept;

  rcl_clock_type_t get_clock_type() const noexcept;

  // Held by whoever changes the ROS-time override and while jump callbacks are added/removed.
  std::mutex & get_clock_mutex() noexcept;

  // The callbacks run for jumps that pass `threshold` until the returned handler is released.
  // Throws std::invalid_argument for min_forward < 0 or min_backward > 0.
  JumpHandler::SharedPtr create_jump_callback(
    JumpHandler::pre_callback_t pre_callback, JumpHandler::post_callback_t post_callback,
    const rcl_jump_threshold_t & threshold);

private:
  static void on_time_jump(const rcl_time_jump_t * time_jump, bool before_jump, void * user_data);

  class Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace rclcpp

#endif  // RCLCPP__CLOCK_HPP_
