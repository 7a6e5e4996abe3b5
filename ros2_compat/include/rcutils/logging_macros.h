// The condition building blocks of the logging macros, with rcutils' semantics: every condition
// is evaluated only when the logger is enabled for the severity, and its state is static per call
// site. The layer is C++ only, so the per-site state uses atomics instead of rcutils' plain
// variables (same behaviour, no data race when several threads run the same line).
//
// Note: the expansions must not contain commas outside parentheses, because rclcpp/logging.hpp
// passes them on as macro arguments.
#ifndef RCUTILS__LOGGING_MACROS_H_
#define RCUTILS__LOGGING_MACROS_H_

#include <atomic>

#include "rcutils/logging.h"
#include "rcutils/macros.h"
#include "rcutils/time.h"

// Logs through rcutils_log() when the logger is enabled and the conditions hold.
#define RCUTILS_LOG_COND_NAMED(severity, condition_before, condition_after, name, ...)       \
  do {                                                                                       \
    static const rcutils_log_location_t ros2_compat_log_location_ = {                        \
      __func__, __FILE__, __LINE__};                                                         \
    if (rcutils_logging_logger_is_enabled_for(name, severity)) {                             \
      condition_before rcutils_log(&ros2_compat_log_location_, severity, name, __VA_ARGS__); \
      condition_after                                                                        \
    }                                                                                        \
  } while (0)

#define RCUTILS_LOG_CONDITION_EMPTY

// Only the first call logs.
#define RCUTILS_LOG_CONDITION_ONCE_BEFORE                       \
  {                                                             \
    static std::atomic<bool> ros2_compat_log_once_done_{false}; \
    if (RCUTILS_UNLIKELY(!ros2_compat_log_once_done_.exchange(true))) {
#define RCUTILS_LOG_CONDITION_ONCE_AFTER \
  }                                      \
  }

#define RCUTILS_LOG_CONDITION_EXPRESSION_BEFORE(expression) if (expression) {
#define RCUTILS_LOG_CONDITION_EXPRESSION_AFTER }

// The filter function of the _FUNCTION macros: true logs the message.
typedef bool (*RclLogFilter)();
#define RCUTILS_LOG_CONDITION_FUNCTION_BEFORE(function) if ((*function)()) {
#define RCUTILS_LOG_CONDITION_FUNCTION_AFTER }

// Every call but the first logs.
#define RCUTILS_LOG_CONDITION_SKIPFIRST_BEFORE                           \
  {                                                                      \
    static std::atomic<bool> ros2_compat_log_first_call_{true};          \
    if (RCUTILS_UNLIKELY(ros2_compat_log_first_call_.exchange(false))) { \
    } else {
#define RCUTILS_LOG_CONDITION_SKIPFIRST_AFTER \
  }                                           \
  }

// Logs when now >= last logged + duration (ms, captured on the first call); the last logged
// time starts at 0. When the time cannot be read, an error is logged and the message too.
#define RCUTILS_LOG_CONDITION_THROTTLE_BEFORE(get_time_point_value, duration)                  \
  {                                                                                            \
    static const rcutils_duration_value_t ros2_compat_log_throttle_ns_ =                       \
      RCUTILS_MS_TO_NS(static_cast<rcutils_duration_value_t>(duration));                       \
    static std::atomic<rcutils_time_point_value_t> ros2_compat_log_last_logged_{0};            \
    rcutils_time_point_value_t ros2_compat_log_now_ = 0;                                       \
    bool ros2_compat_log_throttle_open_ = true;                                                \
    if (get_time_point_value(&ros2_compat_log_now_) != RCUTILS_RET_OK) {                       \
      rcutils_log(                                                                             \
        &ros2_compat_log_location_, RCUTILS_LOG_SEVERITY_ERROR, "",                            \
        "%s() at %s:%d getting current steady time failed\n", __func__, __FILE__, __LINE__);   \
    } else {                                                                                   \
      ros2_compat_log_throttle_open_ =                                                         \
        ros2_compat_log_now_ >= ros2_compat_log_last_logged_.load(std::memory_order_relaxed) + \
                                  ros2_compat_log_throttle_ns_;                                \
    }                                                                                          \
    if (RCUTILS_LIKELY(ros2_compat_log_throttle_open_)) {                                      \
      ros2_compat_log_last_logged_.store(ros2_compat_log_now_, std::memory_order_relaxed);
#define RCUTILS_LOG_CONDITION_THROTTLE_AFTER \
  }                                          \
  }

#endif  // RCUTILS__LOGGING_MACROS_H_
