// rcutils_log(): level check, system-time stamp, then the record goes to the active log captures
// and, unless one of them suppresses it, to the console.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "console_output.hpp"
#include "log_dispatch.hpp"
#include "rcutils/logging.h"
#include "ros2_compat/system_time.hpp"

namespace ros2_compat
{
namespace detail
{
namespace
{

// Console settings are read from the environment on first use and again after a shutdown.
struct ConsoleState
{
  std::mutex mutex;
  std::unique_ptr<ConsoleSettings> settings;
};

ConsoleState & console_state()
{
  // Never destroyed, so that code logging from static destructors finds it intact.
  static ConsoleState & instance = *new ConsoleState();
  return instance;
}

ConsoleSettings current_console_settings()
{
  ConsoleState & state = console_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.settings) {
    state.settings = std::make_unique<ConsoleSettings>(console_settings_from_environment());
  }
  return *state.settings;
}

struct CaptureRegistry
{
  std::mutex mutex;
  std::vector<testing::LogCapture *> captures;
};

CaptureRegistry & capture_registry()
{
  // Never destroyed, so that code logging from static destructors finds it intact.
  static CaptureRegistry & instance = *new CaptureRegistry();
  return instance;
}

// Returns true if a capture keeps the record off the console.
bool deliver_to_captures(const testing::LogRecord & record)
{
  CaptureRegistry & registry = capture_registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  bool suppress_console = false;
  for (testing::LogCapture * capture : registry.captures) {
    capture->record(record);
    suppress_console = suppress_console || capture->suppresses_console();
  }
  return suppress_console;
}

std::string format_message(const char * format, va_list args)
{
  va_list measuring_args;
  va_copy(measuring_args, args);
  const int length = std::vsnprintf(nullptr, 0, format, measuring_args);
  va_end(measuring_args);
  if (length <= 0) {
    return std::string();
  }
  std::string message(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(&message[0], message.size(), format, args);
  message.resize(static_cast<std::size_t>(length));
  return message;
}

void emit(
  const rcutils_log_location_t * location, int severity, const std::string & name, int64_t stamp,
  const std::string & message)
{
  if (severity_name(severity) == nullptr) {
    std::fprintf(stderr, "unknown severity level: %d\n", severity);
    return;
  }
  const ConsoleSettings settings = current_console_settings();
  const std::string line =
    format_log_line(settings.format, LogLineFields{location, severity, name, stamp, message});
  if (!deliver_to_captures(testing::LogRecord{severity, name, message, line, stamp})) {
    write_console_line(settings, severity, line);
  }
}

}  // namespace

void add_log_capture(testing::LogCapture * capture)
{
  CaptureRegistry & registry = capture_registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.captures.push_back(capture);
}

void remove_log_capture(testing::LogCapture * capture)
{
  CaptureRegistry & registry = capture_registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto & captures = registry.captures;
  captures.erase(std::remove(captures.begin(), captures.end(), capture), captures.end());
}

}  // namespace detail
}  // namespace ros2_compat

extern "C" {

rcutils_ret_t rcutils_logging_initialize(void)
{
  static_cast<void>(ros2_compat::detail::current_console_settings());
  return RCUTILS_RET_OK;
}

rcutils_ret_t rcutils_logging_shutdown(void)
{
  ros2_compat::detail::ConsoleState & state = ros2_compat::detail::console_state();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.settings.reset();
  }
  ros2_compat::detail::reset_logger_levels();
  return RCUTILS_RET_OK;
}

void rcutils_log(
  const rcutils_log_location_t * location, int severity, const char * name, const char * format,
  ...)
{
  if (!rcutils_logging_logger_is_enabled_for(name, severity)) {
    return;
  }
  const int64_t stamp = ros2_compat::system_time_now();
  va_list args;
  va_start(args, format);
  const std::string message = ros2_compat::detail::format_message(format, args);
  va_end(args);
  ros2_compat::detail::emit(location, severity, name == nullptr ? "" : name, stamp, message);
}

}  // extern "C"
