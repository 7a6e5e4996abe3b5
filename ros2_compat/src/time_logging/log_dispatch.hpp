// Internal plumbing between the logging parts of the layer.
#ifndef TIME_LOGGING__LOG_DISPATCH_HPP_
#define TIME_LOGGING__LOG_DISPATCH_HPP_

#include "ros2_compat/testing/log_capture.hpp"

namespace ros2_compat
{
namespace detail
{

// Forgets every logger level and restores the default level.
void reset_logger_levels();

// Captures receive every record emitted while they are registered.
void add_log_capture(testing::LogCapture * capture);
void remove_log_capture(testing::LogCapture * capture);

}  // namespace detail
}  // namespace ros2_compat

#endif  // TIME_LOGGING__LOG_DISPATCH_HPP_
