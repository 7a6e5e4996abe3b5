// Console lines as rcutils prints them: "[{severity}] [{time}] [{name}]: {message}" by default,
// on stderr, coloured per severity on a terminal.
#include "console_output.hpp"

#include <unistd.h>

#include <cinttypes>
#include <cstdlib>
#include <mutex>
#include <string_view>

namespace ros2_compat
{
namespace detail
{
namespace
{

constexpr char kDefaultFormat[] = "[{severity}] [{time}] [{name}]: {message}";
constexpr char kColourReset[] = "\033[0m";

std::string environment_value(const char * name)
{
  const char * value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

ColourMode colour_mode_from_environment()
{
  const std::string value = environment_value("RCUTILS_COLORIZED_OUTPUT");
  if (value == "1") {
    return ColourMode::Always;
  }
  if (value == "0") {
    return ColourMode::Never;
  }
  if (!value.empty()) {
    std::fprintf(
      stderr,
      "Warning: unexpected value [%s] specified for RCUTILS_COLORIZED_OUTPUT. Output will be "
      "colorized if target stream is a terminal. Valid values are 0 and 1.\n",
      value.c_str());
  }
  return ColourMode::Auto;
}

std::FILE * stream_from_environment()
{
  const std::string value = environment_value("RCUTILS_LOGGING_USE_STDOUT");
  if (value == "1") {
    return stdout;
  }
  if (!value.empty() && value != "0") {
    std::fprintf(
      stderr,
      "Warning: unexpected value [%s] specified for RCUTILS_LOGGING_USE_STDOUT. Default value 0 "
      "will be used. Valid values are 1 or 0.\n",
      value.c_str());
  }
  return stderr;
}

// Seconds with at least 10 digits, then 9 digits of nanoseconds.
std::string seconds_text(int64_t stamp)
{
  const uint64_t magnitude =
    stamp < 0 ? uint64_t{0} - static_cast<uint64_t>(stamp) : static_cast<uint64_t>(stamp);
  char text[32];
  std::snprintf(
    text, sizeof(text), "%s%.10" PRIu64 ".%.9" PRIu64, stamp < 0 ? "-" : "",
    magnitude / 1000000000u, magnitude % 1000000000u);
  return text;
}

std::string nanoseconds_text(int64_t stamp)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%.19" PRId64, stamp);
  return text;
}

std::string line_number_text(const rcutils_log_location_t * location)
{
  return location == nullptr ? std::string() : std::to_string(location->line_number);
}

// Appends the expansion of a known token and returns true; false for anything else.
bool expand_token(std::string_view token, const LogLineFields & fields, std::string & out)
{
  const rcutils_log_location_t * location = fields.location;
  if (token == "severity") {
    out += severity_name(fields.severity);
  } else if (token == "name") {
    out += fields.logger_name;
  } else if (token == "message") {
    out += fields.message;
  } else if (token == "function_name") {
    out += location == nullptr ? "" : location->function_name;
  } else if (token == "file_name") {
    out += location == nullptr ? "" : location->file_name;
  } else if (token == "line_number") {
    out += line_number_text(location);
  } else if (token == "time") {
    out += seconds_text(fields.stamp_nanoseconds);
  } else if (token == "time_as_nanoseconds") {
    out += nanoseconds_text(fields.stamp_nanoseconds);
  } else {
    return false;
  }
  return true;
}

const char * colour_of(int severity)
{
  switch (severity) {
    case RCUTILS_LOG_SEVERITY_DEBUG:
      return "\033[32m";
    case RCUTILS_LOG_SEVERITY_WARN:
      return "\033[33m";
    case RCUTILS_LOG_SEVERITY_ERROR:
    case RCUTILS_LOG_SEVERITY_FATAL:
      return "\033[31m";
    default:
      return kColourReset;
  }
}

bool uses_colour(const ConsoleSettings & settings)
{
  switch (settings.colour) {
    case ColourMode::Always:
      return true;
    case ColourMode::Never:
      return false;
    case ColourMode::Auto:
      break;
  }
  return isatty(fileno(settings.stream)) != 0;
}

}  // namespace

ConsoleSettings console_settings_from_environment()
{
  ConsoleSettings settings;
  settings.format = environment_value("RCUTILS_CONSOLE_OUTPUT_FORMAT");
  if (settings.format.empty()) {
    settings.format = kDefaultFormat;
  }
  settings.colour = colour_mode_from_environment();
  settings.stream = stream_from_environment();
  return settings;
}

const char * severity_name(int severity)
{
  switch (severity) {
    case RCUTILS_LOG_SEVERITY_DEBUG:
      return "DEBUG";
    case RCUTILS_LOG_SEVERITY_INFO:
      return "INFO";
    case RCUTILS_LOG_SEVERITY_WARN:
      return "WARN";
    case RCUTILS_LOG_SEVERITY_ERROR:
      return "ERROR";
    case RCUTILS_LOG_SEVERITY_FATAL:
      return "FATAL";
    default:
      return nullptr;
  }
}

std::string format_log_line(const std::string & format, const LogLineFields & fields)
{
  std::string out;
  std::size_t position = 0;
  while (position < format.size()) {
    const std::size_t open = format.find('{', position);
    if (open == std::string::npos) {
      out.append(format, position, std::string::npos);
      break;
    }
    out.append(format, position, open - position);
    const std::size_t close = format.find('}', open);
    if (close == std::string::npos) {
      out.append(format, open, std::string::npos);
      break;
    }
    const std::string_view token = std::string_view(format).substr(open + 1, close - open - 1);
    if (expand_token(token, fields, out)) {
      position = close + 1;
    } else {
      // Not a token: keep the brace and look for tokens again from the next character.
      out += '{';
      position = open + 1;
    }
  }
  return out;
}

void write_console_line(const ConsoleSettings & settings, int severity, const std::string & line)
{
  std::string text;
  if (uses_colour(settings)) {
    text = colour_of(severity) + line + kColourReset + "\n";
  } else {
    text = line + "\n";
  }
  // One write per line, so that lines of different threads never interleave.
  // Never destroyed, so that lines logged from static destructors can still be written.
  static std::mutex & write_mutex = *new std::mutex();
  std::lock_guard<std::mutex> lock(write_mutex);
  std::fwrite(text.data(), 1, text.size(), settings.stream);
  std::fflush(settings.stream);
}

}  // namespace detail
}  // namespace ros2_compat
