// tf2 reports its own warnings and errors through console_bridge, whose default handler writes
// "<Level>: <text>" and the source location to stderr; this mirrors that output.
#ifndef TF2__CONSOLE_LOG_HPP_
#define TF2__CONSOLE_LOG_HPP_

#include <string>

namespace tf2
{
namespace console
{

enum class Level
{
  Warn,
  Error
};

void log(Level level, const std::string & text, const char * file, int line);

// printf-style "%f" of a double, as console_bridge formats the numbers in tf2's messages.
std::string fixed(double value);

}  // namespace console
}  // namespace tf2

#define TF2_CONSOLE_WARN(text) \
  ::tf2::console::log(::tf2::console::Level::Warn, text, __FILE__, __LINE__)
#define TF2_CONSOLE_ERROR(text) \
  ::tf2::console::log(::tf2::console::Level::Error, text, __FILE__, __LINE__)

#endif  // TF2__CONSOLE_LOG_HPP_
