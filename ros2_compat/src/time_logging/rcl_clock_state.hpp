// What an rcl_clock_t's data points to: the ROS-time override and the jump callbacks.
#ifndef TIME_LOGGING__RCL_CLOCK_STATE_HPP_
#define TIME_LOGGING__RCL_CLOCK_STATE_HPP_

#include <atomic>
#include <mutex>
#include <vector>

#include "rcl/time.h"

namespace ros2_compat
{
namespace detail
{

struct RclClockState
{
  // Read by now() from any thread while the time source changes them.
  std::atomic<bool> ros_time_override_enabled{false};
  std::atomic<rcl_time_point_value_t> ros_time_override{0};

  // Held while the list is changed and while callbacks run, so that a removed callback is
  // never called afterwards.
  std::mutex jump_callbacks_mutex;
  std::vector<rcl_jump_callback_info_t> jump_callbacks;
};

// Makes `clock` a clock of `type` backed by `state`; false for a value outside rcl_clock_type_t.
bool init_rcl_clock(rcl_clock_type_t type, RclClockState & state, rcl_clock_t & clock);

}  // namespace detail
}  // namespace ros2_compat

#endif  // TIME_LOGGING__RCL_CLOCK_STATE_HPP_
