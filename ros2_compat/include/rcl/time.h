// rcl clocks: clock types, time points and durations, the ROS-time override that makes a node's
// clock follow "/clock", and time jump callbacks.
#ifndef RCL__TIME_H_
#define RCL__TIME_H_

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "rcutils/macros.h"
#include "rcutils/time.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t rcl_ret_t;
#define RCL_RET_OK 0
#define RCL_RET_ERROR 1
#define RCL_RET_INVALID_ARGUMENT 11

#define RCL_S_TO_NS RCUTILS_S_TO_NS
#define RCL_MS_TO_NS RCUTILS_MS_TO_NS
#define RCL_US_TO_NS RCUTILS_US_TO_NS
#define RCL_NS_TO_S RCUTILS_NS_TO_S
#define RCL_NS_TO_MS RCUTILS_NS_TO_MS
#define RCL_NS_TO_US RCUTILS_NS_TO_US

typedef rcutils_time_point_value_t rcl_time_point_value_t;
typedef rcutils_duration_value_t rcl_duration_value_t;

typedef enum rcl_clock_type_e
{
  RCL_CLOCK_UNINITIALIZED = 0,
  RCL_ROS_TIME,
  RCL_SYSTEM_TIME,
  RCL_STEADY_TIME
} rcl_clock_type_t;

typedef struct rcl_duration_s
{
  rcl_duration_value_t nanoseconds;
} rcl_duration_t;

typedef enum rcl_clock_change_e
{
  RCL_ROS_TIME_NO_CHANGE = 1,
  RCL_ROS_TIME_ACTIVATED = 2,
  RCL_ROS_TIME_DEACTIVATED = 3,
  RCL_SYSTEM_TIME_NO_CHANGE = 4
} rcl_clock_change_t;

typedef struct rcl_time_jump_s
{
  rcl_clock_change_t clock_change;
  rcl_duration_t delta;
} rcl_time_jump_t;

typedef void (*rcl_jump_callback_t)(
  const rcl_time_jump_t * time_jump, bool before_jump, void * user_data);

// A callback fires on activation/deactivation of ROS time if on_clock_change, on a jump of at
// least min_forward (> 0 to enable) or of at most min_backward (< 0 to enable).
typedef struct rcl_jump_threshold_s
{
  bool on_clock_change;
  rcl_duration_t min_forward;
  rcl_duration_t min_backward;
} rcl_jump_threshold_t;

typedef struct rcl_jump_callback_info_s
{
  rcl_jump_callback_t callback;
  rcl_jump_threshold_t threshold;
  void * user_data;
} rcl_jump_callback_info_t;

// Made by rclcpp::Clock; `data` is the clock's state (override and jump callbacks).
typedef struct rcl_clock_s
{
  rcl_clock_type_t type;
  rcl_ret_t (*get_now)(void * data, rcl_time_point_value_t * now);
  void * data;
} rcl_clock_t;

typedef struct rcl_time_point_s
{
  rcl_time_point_value_t nanoseconds;
  rcl_clock_type_t clock_type;
} rcl_time_point_t;

bool rcl_clock_valid(rcl_clock_t * clock);

RCUTILS_WARN_UNUSED
rcl_ret_t rcl_clock_get_now(rcl_clock_t * clock, rcl_time_point_value_t * time_point_value);

// The override functions fail with RCL_RET_ERROR unless the clock is of type RCL_ROS_TIME.
RCUTILS_WARN_UNUSED
rcl_ret_t rcl_enable_ros_time_override(rcl_clock_t * clock);

RCUTILS_WARN_UNUSED
rcl_ret_t rcl_disable_ros_time_override(rcl_clock_t * clock);

RCUTILS_WARN_UNUSED
rcl_ret_t rcl_is_enabled_ros_time_override(rcl_clock_t * clock, bool * is_enabled);

// Stores the time the clock reads while the override is enabled; a change while it is enabled
// is a jump by (new - old) for the jump callbacks.
RCUTILS_WARN_UNUSED
rcl_ret_t rcl_set_ros_time_override(rcl_clock_t * clock, rcl_time_point_value_t time_value);

RCUTILS_WARN_UNUSED
rcl_ret_t rcl_clock_add_jump_callback(
  rcl_clock_t * clock, rcl_jump_threshold_t threshold, rcl_jump_callback_t callback,
  void * user_data);

RCUTILS_WARN_UNUSED
rcl_ret_t rcl_clock_remove_jump_callback(
  rcl_clock_t * clock, rcl_jump_callback_t callback, void * user_data);

#ifdef __cplusplus
}
#endif

#endif  // RCL__TIME_H_
