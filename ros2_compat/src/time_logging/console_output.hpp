// The console side of logging: settings from the environment, the line format and the write.
#ifndef TIME_LOGGING__CONSOLE_OUTPUT_HPP_
#define TIME_LOGGING__CONSOLE_OUTPUT_HPP_

#include <cstdint>
#include <cstdio>
#include <string>

#include "rcutils/logging.h"

namespace ros2_compat
{
namespace detail
{

enum class ColourMode
{
  Auto,
  Always,
  Never
};

struct ConsoleSettings
{
  std::string
    format;  // RCUTILS_CONSOLE_OUTPUT_FORMAT, else "[{severity}] [{time}] [{name}]: {message}"
  ColourMode colour;   // RCUTILS_COLORIZED_OUTPUT: 1 always, 0 never, unset when a terminal
  std::FILE * stream;  // stderr, or stdout with RCUTILS_LOGGING_USE_STDOUT=1
};

// Unexpected values are reported on stderr and the default is used.
ConsoleSettings console_settings_from_environment();

// "DEBUG" ... "FATAL"; nullptr for any other value.
const char * severity_name(int severity);

struct LogLineFields
{
  const rcutils_log_location_t * location;
  int severity;
  const std::string & logger_name;
  int64_t stamp_nanoseconds;
  const std::string & message;
};

// Expands the {tokens} of `format`; anything else, unknown tokens included, is kept as written.
std::string format_log_line(const std::string & format, const LogLineFields & fields);

// Writes the line and a newline in one piece, wrapped in the severity's colour if enabled.
void write_console_line(const ConsoleSettings & settings, int severity, const std::string & line);

}  // namespace detail
}  // namespace ros2_compat

#endif  // TIME_LOGGING__CONSOLE_OUTPUT_HPP_
