// rcl clocks: reading them, the ROS-time override and time jump callbacks, with rcl's rules.
#include <chrono>

#include "rcl/time.h"
#include "rcl_clock_state.hpp"
#include "ros2_compat/system_time.hpp"

namespace
{

using ros2_compat::detail::RclClockState;

rcl_ret_t get_system_time(void *, rcl_time_point_value_t * now)
{
  *now = ros2_compat::system_time_now();
  return RCL_RET_OK;
}

rcl_ret_t get_steady_time(void *, rcl_time_point_value_t * now)
{
  *now = std::chrono::duration_cast<std::chrono::nanoseconds>(
           std::chrono::steady_clock::now().time_since_epoch())
           .count();
  return RCL_RET_OK;
}

// A ROS clock reads system time until the override is enabled.
rcl_ret_t get_ros_time(void * data, rcl_time_point_value_t * now)
{
  const auto * state = static_cast<const RclClockState *>(data);
  if (!state->ros_time_override_enabled.load()) {
    return get_system_time(data, now);
  }
  *now = state->ros_time_override.load();
  return RCL_RET_OK;
}

// The state of a ROS clock, or nullptr (with the error code in `ret`) for anything else.
RclClockState * ros_clock_state(rcl_clock_t * clock, rcl_ret_t & ret)
{
  if (clock == nullptr) {
    ret = RCL_RET_INVALID_ARGUMENT;
    return nullptr;
  }
  if (clock->type != RCL_ROS_TIME || clock->data == nullptr) {
    ret = RCL_RET_ERROR;
    return nullptr;
  }
  ret = RCL_RET_OK;
  return static_cast<RclClockState *>(clock->data);
}

bool passes_threshold(const rcl_jump_threshold_t & threshold, const rcl_time_jump_t & jump)
{
  const bool clock_change =
    jump.clock_change == RCL_ROS_TIME_ACTIVATED || jump.clock_change == RCL_ROS_TIME_DEACTIVATED;
  return (clock_change && threshold.on_clock_change) ||
         (threshold.min_forward.nanoseconds > 0 &&
          jump.delta.nanoseconds >= threshold.min_forward.nanoseconds) ||
         (threshold.min_backward.nanoseconds < 0 &&
          jump.delta.nanoseconds <= threshold.min_backward.nanoseconds);
}

void call_jump_callbacks(RclClockState & state, const rcl_time_jump_t & jump, bool before_jump)
{
  std::lock_guard<std::mutex> lock(state.jump_callbacks_mutex);
  for (const rcl_jump_callback_info_t & info : state.jump_callbacks) {
    if (passes_threshold(info.threshold, jump)) {
      info.callback(&jump, before_jump, info.user_data);
    }
  }
}

rcl_ret_t change_override_activation(rcl_clock_t * clock, bool enable)
{
  rcl_ret_t ret;
  RclClockState * state = ros_clock_state(clock, ret);
  if (state == nullptr) {
    return ret;
  }
  if (state->ros_time_override_enabled.load() == enable) {
    return RCL_RET_OK;
  }
  rcl_time_jump_t jump;
  jump.clock_change = enable ? RCL_ROS_TIME_ACTIVATED : RCL_ROS_TIME_DEACTIVATED;
  jump.delta.nanoseconds = 0;
  call_jump_callbacks(*state, jump, true);
  state->ros_time_override_enabled.store(enable);
  call_jump_callbacks(*state, jump, false);
  return RCL_RET_OK;
}

}  // namespace

namespace ros2_compat
{
namespace detail
{

bool init_rcl_clock(rcl_clock_type_t type, RclClockState & state, rcl_clock_t & clock)
{
  clock.type = type;
  clock.data = &state;
  switch (type) {
    case RCL_CLOCK_UNINITIALIZED:
      clock.get_now = nullptr;
      return true;
    case RCL_ROS_TIME:
      clock.get_now = get_ros_time;
      return true;
    case RCL_SYSTEM_TIME:
      clock.get_now = get_system_time;
      return true;
    case RCL_STEADY_TIME:
      clock.get_now = get_steady_time;
      return true;
  }
  return false;
}

}  // namespace detail
}  // namespace ros2_compat

extern "C" {

bool rcl_clock_valid(rcl_clock_t * clock)
{
  return clock != nullptr && clock->type != RCL_CLOCK_UNINITIALIZED && clock->get_now != nullptr;
}

rcl_ret_t rcl_clock_get_now(rcl_clock_t * clock, rcl_time_point_value_t * time_point_value)
{
  if (clock == nullptr || time_point_value == nullptr) {
    return RCL_RET_INVALID_ARGUMENT;
  }
  if (clock->type == RCL_CLOCK_UNINITIALIZED || clock->get_now == nullptr) {
    return RCL_RET_ERROR;
  }
  return clock->get_now(clock->data, time_point_value);
}

rcl_ret_t rcl_enable_ros_time_override(rcl_clock_t * clock)
{
  return change_override_activation(clock, true);
}

rcl_ret_t rcl_disable_ros_time_override(rcl_clock_t * clock)
{
  return change_override_activation(clock, false);
}

rcl_ret_t rcl_is_enabled_ros_time_override(rcl_clock_t * clock, bool * is_enabled)
{
  if (is_enabled == nullptr) {
    return RCL_RET_INVALID_ARGUMENT;
  }
  rcl_ret_t ret;
  RclClockState * state = ros_clock_state(clock, ret);
  if (state != nullptr) {
    *is_enabled = state->ros_time_override_enabled.load();
  }
  return ret;
}

rcl_ret_t rcl_set_ros_time_override(rcl_clock_t * clock, rcl_time_point_value_t time_value)
{
  rcl_ret_t ret;
  RclClockState * state = ros_clock_state(clock, ret);
  if (state == nullptr) {
    return ret;
  }
  const bool enabled = state->ros_time_override_enabled.load();
  rcl_time_jump_t jump;
  jump.clock_change = RCL_ROS_TIME_NO_CHANGE;
  jump.delta.nanoseconds = time_value - state->ros_time_override.load();
  if (enabled) {
    call_jump_callbacks(*state, jump, true);
  }
  state->ros_time_override.store(time_value);
  if (enabled) {
    call_jump_callbacks(*state, jump, false);
  }
  return RCL_RET_OK;
}

rcl_ret_t rcl_clock_add_jump_callback(
  rcl_clock_t * clock, rcl_jump_threshold_t threshold, rcl_jump_callback_t callback,
  void * user_data)
{
  if (
    clock == nullptr || clock->data == nullptr || callback == nullptr ||
    threshold.min_forward.nanoseconds < 0 || threshold.min_backward.nanoseconds > 0) {
    return RCL_RET_INVALID_ARGUMENT;
  }
  auto * state = static_cast<RclClockState *>(clock->data);
  std::lock_guard<std::mutex> lock(state->jump_callbacks_mutex);
  for (const rcl_jump_callback_info_t & info : state->jump_callbacks) {
    if (info.callback == callback && info.user_data == user_data) {
      return RCL_RET_ERROR;
    }
  }
  state->jump_callbacks.push_back(rcl_jump_callback_info_t{callback, threshold, user_data});
  return RCL_RET_OK;
}

rcl_ret_t rcl_clock_remove_jump_callback(
  rcl_clock_t * clock, rcl_jump_callback_t callback, void * user_data)
{
  if (clock == nullptr || clock->data == nullptr || callback == nullptr) {
    return RCL_RET_INVALID_ARGUMENT;
  }
  auto * state = static_cast<RclClockState *>(clock->data);
  std::lock_guard<std::mutex> lock(state->jump_callbacks_mutex);
  auto & callbacks = state->jump_callbacks;
  for (auto it = callbacks.begin(); it != callbacks.end(); ++it) {
    if (it->callback == callback && it->user_data == user_data) {
      callbacks.erase(it);
      return RCL_RET_OK;
    }
  }
  return RCL_RET_ERROR;
}

}  // extern "C"
