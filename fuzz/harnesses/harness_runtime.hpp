// What every harness that runs nodes needs once per process: messages stay in this process and
// the ROS 2 layer is initialised.
#ifndef QUILLON_FUZZ__HARNESS_RUNTIME_HPP_
#define QUILLON_FUZZ__HARNESS_RUNTIME_HPP_

#include <cstdlib>

#include "rclcpp/rclcpp.hpp"
#include "rcutils/logging.h"

namespace quillon_fuzz
{

// Initialises rclcpp with the in-process transport on the first call (no DDS traffic from a
// fuzzing run); later calls do nothing.
inline void initialiseRosOnce()
{
  static const bool initialised = [] {
    setenv("ROS2_COMPAT_TRANSPORT", "in_process", 1);
    rclcpp::init(0, nullptr);
    return true;
  }();
  (void)initialised;
}

// Failed transform lookups are expected in these runs; their lines would drown the output.
inline void silenceTransformLookupErrors()
{
  const rcutils_ret_t ret =
    rcutils_logging_set_logger_level("tf2_buffer", RCUTILS_LOG_SEVERITY_FATAL);
  (void)ret;
}

// Drops every line of the logger `name` below FATAL: for the pipeline's own expected warnings
// (dropped scans, failed lookups, time going back), whose lines would drown the run and cost
// every input a write.
inline void silenceLogger(const char * name)
{
  const rcutils_ret_t ret = rcutils_logging_set_logger_level(name, RCUTILS_LOG_SEVERITY_FATAL);
  (void)ret;
}

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__HARNESS_RUNTIME_HPP_
