// The RCLCPP_<SEVERITY>[_<FEATURE>] logging macros and their _STREAM forms, as in Humble:
// - the first argument must be an rclcpp::Logger (static_assert);
// - the format is a C string, printf-checked by rcutils_log() (a std::string does not compile);
// - ONCE, SKIPFIRST and THROTTLE keep their state per call site, shared by every caller of it;
// - THROTTLE takes a non-const clock lvalue (usually *node->get_clock()) and a duration in integer
//   milliseconds; it logs when clock.now() >= last logged + duration, last logged starting at 0;
// - every condition is evaluated only when the logger is enabled for the severity, while the
//   argument of a _STREAM macro is always evaluated (as in Humble).
#ifndef RCLCPP__LOGGING_HPP_
#define RCLCPP__LOGGING_HPP_

#include <sstream>
#include <type_traits>

#include "rclcpp/logger.hpp"
#include "rcutils/error_handling.h"
#include "rcutils/logging_macros.h"

#define ROS2_COMPAT_RCLCPP_CHECK_LOGGER(logger)                                                  \
  static_assert(                                                                                 \
    ::std::is_same<                                                                              \
      ::std::remove_cv_t<::std::remove_reference_t<decltype(logger)>>, ::rclcpp::Logger>::value, \
    "First argument to logging macros must be an rclcpp::Logger")

// Reads the clock for the throttle; a clock that throws is reported on stderr and the message is
// logged anyway.
#define ROS2_COMPAT_RCLCPP_TIME_POINT_FUNC(macro_name, clock)                                   \
  [&ros2_compat_log_clock_ = clock](rcutils_time_point_value_t * time_point) -> rcutils_ret_t { \
    try {                                                                                       \
      *time_point = ros2_compat_log_clock_.now().nanoseconds();                                 \
    } catch (...) {                                                                             \
      RCUTILS_SAFE_FWRITE_TO_STDERR("[rclcpp|logging.hpp] " macro_name                          \
                                    " could not get current time stamp\n");                     \
      return RCUTILS_RET_ERROR;                                                                 \
    }                                                                                           \
    return RCUTILS_RET_OK;                                                                      \
  }

#define ROS2_COMPAT_RCLCPP_LOG_PLAIN(severity, logger, ...)                                    \
  do {                                                                                         \
    ROS2_COMPAT_RCLCPP_CHECK_LOGGER(logger);                                                   \
    RCUTILS_LOG_COND_NAMED(                                                                    \
      severity, RCUTILS_LOG_CONDITION_EMPTY, RCUTILS_LOG_CONDITION_EMPTY, (logger).get_name(), \
      __VA_ARGS__);                                                                            \
  } while (0)

#define ROS2_COMPAT_RCLCPP_LOG_ONCE(severity, logger, ...)                           \
  do {                                                                               \
    ROS2_COMPAT_RCLCPP_CHECK_LOGGER(logger);                                         \
    RCUTILS_LOG_COND_NAMED(                                                          \
      severity, RCUTILS_LOG_CONDITION_ONCE_BEFORE, RCUTILS_LOG_CONDITION_ONCE_AFTER, \
      (logger).get_name(), __VA_ARGS__);                                             \
  } while (0)

#define ROS2_COMPAT_RCLCPP_LOG_EXPRESSION(severity, logger, expression, ...)     \
  do {                                                                           \
    ROS2_COMPAT_RCLCPP_CHECK_LOGGER(logger);                                     \
    RCUTILS_LOG_COND_NAMED(                                                      \
      severity, RCUTILS_LOG_CONDITION_EXPRESSION_BEFORE(expression),             \
      RCUTILS_LOG_CONDITION_EXPRESSION_AFTER, (logger).get_name(), __VA_ARGS__); \
  } while (0)

#define ROS2_COMPAT_RCLCPP_LOG_FUNCTION(severity, logger, function, ...)       \
  do {                                                                         \
    ROS2_COMPAT_RCLCPP_CHECK_LOGGER(logger);                                   \
    RCUTILS_LOG_COND_NAMED(                                                    \
      severity, RCUTILS_LOG_CONDITION_FUNCTION_BEFORE(function),               \
      RCUTILS_LOG_CONDITION_FUNCTION_AFTER, (logger).get_name(), __VA_ARGS__); \
  } while (0)

#define ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST(severity, logger, ...)                                \
  do {                                                                                         \
    ROS2_COMPAT_RCLCPP_CHECK_LOGGER(logger);                                                   \
    RCUTILS_LOG_COND_NAMED(                                                                    \
      severity, RCUTILS_LOG_CONDITION_SKIPFIRST_BEFORE, RCUTILS_LOG_CONDITION_SKIPFIRST_AFTER, \
      (logger).get_name(), __VA_ARGS__);                                                       \
  } while (0)

#define ROS2_COMPAT_RCLCPP_LOG_THROTTLE(severity, macro_name, logger, clock, duration, ...)       \
  do {                                                                                            \
    ROS2_COMPAT_RCLCPP_CHECK_LOGGER(logger);                                                      \
    auto ros2_compat_log_get_time_point_ = ROS2_COMPAT_RCLCPP_TIME_POINT_FUNC(macro_name, clock); \
    RCUTILS_LOG_COND_NAMED(                                                                       \
      severity, RCUTILS_LOG_CONDITION_THROTTLE_BEFORE(ros2_compat_log_get_time_point_, duration), \
      RCUTILS_LOG_CONDITION_THROTTLE_AFTER, (logger).get_name(), __VA_ARGS__);                    \
  } while (0)

// The throttle is checked first, so a call it lets through counts as logged even when it is the
// skipped first one.
#define ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE(                                                \
  severity, macro_name, logger, clock, duration, ...)                                             \
  do {                                                                                            \
    ROS2_COMPAT_RCLCPP_CHECK_LOGGER(logger);                                                      \
    auto ros2_compat_log_get_time_point_ = ROS2_COMPAT_RCLCPP_TIME_POINT_FUNC(macro_name, clock); \
    RCUTILS_LOG_COND_NAMED(                                                                       \
      severity,                                                                                   \
      RCUTILS_LOG_CONDITION_THROTTLE_BEFORE(ros2_compat_log_get_time_point_, duration)            \
        RCUTILS_LOG_CONDITION_SKIPFIRST_BEFORE,                                                   \
      RCUTILS_LOG_CONDITION_SKIPFIRST_AFTER RCUTILS_LOG_CONDITION_THROTTLE_AFTER,                 \
      (logger).get_name(), __VA_ARGS__);                                                          \
  } while (0)

// Streams stream_arg into a string, then logs it with "%s" through log_macro(__VA_ARGS__, ...).
#define ROS2_COMPAT_RCLCPP_STREAM(stream_arg, log_macro, ...)            \
  do {                                                                   \
    ::std::stringstream ros2_compat_log_stream_;                         \
    ros2_compat_log_stream_ << stream_arg;                               \
    log_macro(__VA_ARGS__, "%s", ros2_compat_log_stream_.str().c_str()); \
  } while (0)

// Severity DEBUG.
#define RCLCPP_DEBUG(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_PLAIN(RCUTILS_LOG_SEVERITY_DEBUG, logger, __VA_ARGS__)
#define RCLCPP_DEBUG_ONCE(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_ONCE(RCUTILS_LOG_SEVERITY_DEBUG, logger, __VA_ARGS__)
#define RCLCPP_DEBUG_EXPRESSION(logger, expression, ...) \
  ROS2_COMPAT_RCLCPP_LOG_EXPRESSION(RCUTILS_LOG_SEVERITY_DEBUG, logger, expression, __VA_ARGS__)
#define RCLCPP_DEBUG_FUNCTION(logger, function, ...) \
  ROS2_COMPAT_RCLCPP_LOG_FUNCTION(RCUTILS_LOG_SEVERITY_DEBUG, logger, function, __VA_ARGS__)
#define RCLCPP_DEBUG_SKIPFIRST(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST(RCUTILS_LOG_SEVERITY_DEBUG, logger, __VA_ARGS__)
#define RCLCPP_DEBUG_THROTTLE(logger, clock, duration, ...) \
  ROS2_COMPAT_RCLCPP_LOG_THROTTLE(                          \
    RCUTILS_LOG_SEVERITY_DEBUG, "RCLCPP_DEBUG_THROTTLE", logger, clock, duration, __VA_ARGS__)
#define RCLCPP_DEBUG_SKIPFIRST_THROTTLE(logger, clock, duration, ...)                       \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE(                                                \
    RCUTILS_LOG_SEVERITY_DEBUG, "RCLCPP_DEBUG_SKIPFIRST_THROTTLE", logger, clock, duration, \
    __VA_ARGS__)
#define RCLCPP_DEBUG_STREAM(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                    \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_PLAIN, RCUTILS_LOG_SEVERITY_DEBUG, logger)
#define RCLCPP_DEBUG_STREAM_ONCE(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                         \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_ONCE, RCUTILS_LOG_SEVERITY_DEBUG, logger)
#define RCLCPP_DEBUG_STREAM_EXPRESSION(logger, expression, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                           \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_EXPRESSION, RCUTILS_LOG_SEVERITY_DEBUG, logger, expression)
#define RCLCPP_DEBUG_STREAM_FUNCTION(logger, function, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                       \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_FUNCTION, RCUTILS_LOG_SEVERITY_DEBUG, logger, function)
#define RCLCPP_DEBUG_STREAM_SKIPFIRST(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                              \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST, RCUTILS_LOG_SEVERITY_DEBUG, logger)
#define RCLCPP_DEBUG_STREAM_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                 \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_THROTTLE, RCUTILS_LOG_SEVERITY_DEBUG, \
    "RCLCPP_DEBUG_STREAM_THROTTLE", logger, clock, duration)
#define RCLCPP_DEBUG_STREAM_SKIPFIRST_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                           \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE, RCUTILS_LOG_SEVERITY_DEBUG, \
    "RCLCPP_DEBUG_STREAM_SKIPFIRST_THROTTLE", logger, clock, duration)

// Severity INFO.
#define RCLCPP_INFO(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_PLAIN(RCUTILS_LOG_SEVERITY_INFO, logger, __VA_ARGS__)
#define RCLCPP_INFO_ONCE(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_ONCE(RCUTILS_LOG_SEVERITY_INFO, logger, __VA_ARGS__)
#define RCLCPP_INFO_EXPRESSION(logger, expression, ...) \
  ROS2_COMPAT_RCLCPP_LOG_EXPRESSION(RCUTILS_LOG_SEVERITY_INFO, logger, expression, __VA_ARGS__)
#define RCLCPP_INFO_FUNCTION(logger, function, ...) \
  ROS2_COMPAT_RCLCPP_LOG_FUNCTION(RCUTILS_LOG_SEVERITY_INFO, logger, function, __VA_ARGS__)
#define RCLCPP_INFO_SKIPFIRST(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST(RCUTILS_LOG_SEVERITY_INFO, logger, __VA_ARGS__)
#define RCLCPP_INFO_THROTTLE(logger, clock, duration, ...) \
  ROS2_COMPAT_RCLCPP_LOG_THROTTLE(                         \
    RCUTILS_LOG_SEVERITY_INFO, "RCLCPP_INFO_THROTTLE", logger, clock, duration, __VA_ARGS__)
#define RCLCPP_INFO_SKIPFIRST_THROTTLE(logger, clock, duration, ...)                      \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE(                                              \
    RCUTILS_LOG_SEVERITY_INFO, "RCLCPP_INFO_SKIPFIRST_THROTTLE", logger, clock, duration, \
    __VA_ARGS__)
#define RCLCPP_INFO_STREAM(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                   \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_PLAIN, RCUTILS_LOG_SEVERITY_INFO, logger)
#define RCLCPP_INFO_STREAM_ONCE(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                        \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_ONCE, RCUTILS_LOG_SEVERITY_INFO, logger)
#define RCLCPP_INFO_STREAM_EXPRESSION(logger, expression, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                          \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_EXPRESSION, RCUTILS_LOG_SEVERITY_INFO, logger, expression)
#define RCLCPP_INFO_STREAM_FUNCTION(logger, function, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                      \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_FUNCTION, RCUTILS_LOG_SEVERITY_INFO, logger, function)
#define RCLCPP_INFO_STREAM_SKIPFIRST(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                             \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST, RCUTILS_LOG_SEVERITY_INFO, logger)
#define RCLCPP_INFO_STREAM_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_THROTTLE, RCUTILS_LOG_SEVERITY_INFO, \
    "RCLCPP_INFO_STREAM_THROTTLE", logger, clock, duration)
#define RCLCPP_INFO_STREAM_SKIPFIRST_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                          \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE, RCUTILS_LOG_SEVERITY_INFO, \
    "RCLCPP_INFO_STREAM_SKIPFIRST_THROTTLE", logger, clock, duration)

// Severity WARN.
#define RCLCPP_WARN(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_PLAIN(RCUTILS_LOG_SEVERITY_WARN, logger, __VA_ARGS__)
#define RCLCPP_WARN_ONCE(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_ONCE(RCUTILS_LOG_SEVERITY_WARN, logger, __VA_ARGS__)
#define RCLCPP_WARN_EXPRESSION(logger, expression, ...) \
  ROS2_COMPAT_RCLCPP_LOG_EXPRESSION(RCUTILS_LOG_SEVERITY_WARN, logger, expression, __VA_ARGS__)
#define RCLCPP_WARN_FUNCTION(logger, function, ...) \
  ROS2_COMPAT_RCLCPP_LOG_FUNCTION(RCUTILS_LOG_SEVERITY_WARN, logger, function, __VA_ARGS__)
#define RCLCPP_WARN_SKIPFIRST(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST(RCUTILS_LOG_SEVERITY_WARN, logger, __VA_ARGS__)
#define RCLCPP_WARN_THROTTLE(logger, clock, duration, ...) \
  ROS2_COMPAT_RCLCPP_LOG_THROTTLE(                         \
    RCUTILS_LOG_SEVERITY_WARN, "RCLCPP_WARN_THROTTLE", logger, clock, duration, __VA_ARGS__)
#define RCLCPP_WARN_SKIPFIRST_THROTTLE(logger, clock, duration, ...)                      \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE(                                              \
    RCUTILS_LOG_SEVERITY_WARN, "RCLCPP_WARN_SKIPFIRST_THROTTLE", logger, clock, duration, \
    __VA_ARGS__)
#define RCLCPP_WARN_STREAM(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                   \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_PLAIN, RCUTILS_LOG_SEVERITY_WARN, logger)
#define RCLCPP_WARN_STREAM_ONCE(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                        \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_ONCE, RCUTILS_LOG_SEVERITY_WARN, logger)
#define RCLCPP_WARN_STREAM_EXPRESSION(logger, expression, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                          \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_EXPRESSION, RCUTILS_LOG_SEVERITY_WARN, logger, expression)
#define RCLCPP_WARN_STREAM_FUNCTION(logger, function, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                      \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_FUNCTION, RCUTILS_LOG_SEVERITY_WARN, logger, function)
#define RCLCPP_WARN_STREAM_SKIPFIRST(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                             \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST, RCUTILS_LOG_SEVERITY_WARN, logger)
#define RCLCPP_WARN_STREAM_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_THROTTLE, RCUTILS_LOG_SEVERITY_WARN, \
    "RCLCPP_WARN_STREAM_THROTTLE", logger, clock, duration)
#define RCLCPP_WARN_STREAM_SKIPFIRST_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                          \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE, RCUTILS_LOG_SEVERITY_WARN, \
    "RCLCPP_WARN_STREAM_SKIPFIRST_THROTTLE", logger, clock, duration)

// Severity ERROR.
#define RCLCPP_ERROR(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_PLAIN(RCUTILS_LOG_SEVERITY_ERROR, logger, __VA_ARGS__)
#define RCLCPP_ERROR_ONCE(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_ONCE(RCUTILS_LOG_SEVERITY_ERROR, logger, __VA_ARGS__)
#define RCLCPP_ERROR_EXPRESSION(logger, expression, ...) \
  ROS2_COMPAT_RCLCPP_LOG_EXPRESSION(RCUTILS_LOG_SEVERITY_ERROR, logger, expression, __VA_ARGS__)
#define RCLCPP_ERROR_FUNCTION(logger, function, ...) \
  ROS2_COMPAT_RCLCPP_LOG_FUNCTION(RCUTILS_LOG_SEVERITY_ERROR, logger, function, __VA_ARGS__)
#define RCLCPP_ERROR_SKIPFIRST(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST(RCUTILS_LOG_SEVERITY_ERROR, logger, __VA_ARGS__)
#define RCLCPP_ERROR_THROTTLE(logger, clock, duration, ...) \
  ROS2_COMPAT_RCLCPP_LOG_THROTTLE(                          \
    RCUTILS_LOG_SEVERITY_ERROR, "RCLCPP_ERROR_THROTTLE", logger, clock, duration, __VA_ARGS__)
#define RCLCPP_ERROR_SKIPFIRST_THROTTLE(logger, clock, duration, ...)                       \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE(                                                \
    RCUTILS_LOG_SEVERITY_ERROR, "RCLCPP_ERROR_SKIPFIRST_THROTTLE", logger, clock, duration, \
    __VA_ARGS__)
#define RCLCPP_ERROR_STREAM(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                    \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_PLAIN, RCUTILS_LOG_SEVERITY_ERROR, logger)
#define RCLCPP_ERROR_STREAM_ONCE(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                         \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_ONCE, RCUTILS_LOG_SEVERITY_ERROR, logger)
#define RCLCPP_ERROR_STREAM_EXPRESSION(logger, expression, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                           \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_EXPRESSION, RCUTILS_LOG_SEVERITY_ERROR, logger, expression)
#define RCLCPP_ERROR_STREAM_FUNCTION(logger, function, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                       \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_FUNCTION, RCUTILS_LOG_SEVERITY_ERROR, logger, function)
#define RCLCPP_ERROR_STREAM_SKIPFIRST(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                              \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST, RCUTILS_LOG_SEVERITY_ERROR, logger)
#define RCLCPP_ERROR_STREAM_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                 \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_THROTTLE, RCUTILS_LOG_SEVERITY_ERROR, \
    "RCLCPP_ERROR_STREAM_THROTTLE", logger, clock, duration)
#define RCLCPP_ERROR_STREAM_SKIPFIRST_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                           \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE, RCUTILS_LOG_SEVERITY_ERROR, \
    "RCLCPP_ERROR_STREAM_SKIPFIRST_THROTTLE", logger, clock, duration)

// Severity FATAL.
#define RCLCPP_FATAL(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_PLAIN(RCUTILS_LOG_SEVERITY_FATAL, logger, __VA_ARGS__)
#define RCLCPP_FATAL_ONCE(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_ONCE(RCUTILS_LOG_SEVERITY_FATAL, logger, __VA_ARGS__)
#define RCLCPP_FATAL_EXPRESSION(logger, expression, ...) \
  ROS2_COMPAT_RCLCPP_LOG_EXPRESSION(RCUTILS_LOG_SEVERITY_FATAL, logger, expression, __VA_ARGS__)
#define RCLCPP_FATAL_FUNCTION(logger, function, ...) \
  ROS2_COMPAT_RCLCPP_LOG_FUNCTION(RCUTILS_LOG_SEVERITY_FATAL, logger, function, __VA_ARGS__)
#define RCLCPP_FATAL_SKIPFIRST(logger, ...) \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST(RCUTILS_LOG_SEVERITY_FATAL, logger, __VA_ARGS__)
#define RCLCPP_FATAL_THROTTLE(logger, clock, duration, ...) \
  ROS2_COMPAT_RCLCPP_LOG_THROTTLE(                          \
    RCUTILS_LOG_SEVERITY_FATAL, "RCLCPP_FATAL_THROTTLE", logger, clock, duration, __VA_ARGS__)
#define RCLCPP_FATAL_SKIPFIRST_THROTTLE(logger, clock, duration, ...)                       \
  ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE(                                                \
    RCUTILS_LOG_SEVERITY_FATAL, "RCLCPP_FATAL_SKIPFIRST_THROTTLE", logger, clock, duration, \
    __VA_ARGS__)
#define RCLCPP_FATAL_STREAM(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                    \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_PLAIN, RCUTILS_LOG_SEVERITY_FATAL, logger)
#define RCLCPP_FATAL_STREAM_ONCE(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                         \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_ONCE, RCUTILS_LOG_SEVERITY_FATAL, logger)
#define RCLCPP_FATAL_STREAM_EXPRESSION(logger, expression, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                           \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_EXPRESSION, RCUTILS_LOG_SEVERITY_FATAL, logger, expression)
#define RCLCPP_FATAL_STREAM_FUNCTION(logger, function, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                                       \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_FUNCTION, RCUTILS_LOG_SEVERITY_FATAL, logger, function)
#define RCLCPP_FATAL_STREAM_SKIPFIRST(logger, stream_arg) \
  ROS2_COMPAT_RCLCPP_STREAM(                              \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST, RCUTILS_LOG_SEVERITY_FATAL, logger)
#define RCLCPP_FATAL_STREAM_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                 \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_THROTTLE, RCUTILS_LOG_SEVERITY_FATAL, \
    "RCLCPP_FATAL_STREAM_THROTTLE", logger, clock, duration)
#define RCLCPP_FATAL_STREAM_SKIPFIRST_THROTTLE(logger, clock, duration, stream_arg)    \
  ROS2_COMPAT_RCLCPP_STREAM(                                                           \
    stream_arg, ROS2_COMPAT_RCLCPP_LOG_SKIPFIRST_THROTTLE, RCUTILS_LOG_SEVERITY_FATAL, \
    "RCLCPP_FATAL_STREAM_SKIPFIRST_THROTTLE", logger, clock, duration)

#endif  // RCLCPP__LOGGING_HPP_
