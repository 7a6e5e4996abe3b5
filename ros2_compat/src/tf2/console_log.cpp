#include "console_log.hpp"

#include <cstdio>
#include <string>

namespace tf2
{
namespace console
{

void log(Level level, const std::string & text, const char * file, int line)
{
  const char * prefix = level == Level::Error ? "Error:   " : "Warning: ";
  // One write per message, so that lines from different threads do not interleave.
  const std::string message =
    prefix + text + "\n         at line " + std::to_string(line) + " in " + file + "\n";
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fflush(stderr);
}

std::string fixed(double value)
{
  std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, "%f", value)), '\0');
  std::snprintf(&text[0], text.size() + 1, "%f", value);
  return text;
}

}  // namespace console
}  // namespace tf2
