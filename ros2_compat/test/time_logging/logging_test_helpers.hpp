// Helpers shared by the time and logging tests: golden files, console environment, stamps.
#ifndef TIME_LOGGING__LOGGING_TEST_HELPERS_HPP_
#define TIME_LOGGING__LOGGING_TEST_HELPERS_HPP_

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "rcutils/logging.h"

namespace time_logging_test
{

inline std::string golden_console_file(const std::string & name)
{
  return std::string(QUILLON_GOLDEN_DIR) + "/console/" + name;
}

inline std::string read_file(const std::string & path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> read_lines(const std::string & path)
{
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// "[WARN] [1796641063.528018585] [x]: m" -> 1796641063528018585; -1 if the line has no stamp.
inline int64_t stamp_of(const std::string & line)
{
  static const std::regex stamp(R"(\[(\d{10})\.(\d{9})\])");
  std::smatch match;
  if (!std::regex_search(line, match, stamp)) {
    return -1;
  }
  return std::stoll(match[1]) * 1000000000LL + std::stoll(match[2]);
}

// Replaces the [sec.nsec] stamp with [<stamp>], for comparing lines taken at other times.
inline std::string without_stamp(const std::string & line)
{
  static const std::regex stamp(R"(\[\d{10}\.\d{9}\])");
  return std::regex_replace(line, stamp, "[<stamp>]");
}

// Sets console environment variables and restarts logging so they are read; on destruction the
// previous values come back and logging restarts again (logger levels are reset both times).
class ScopedConsoleEnvironment
{
public:
  explicit ScopedConsoleEnvironment(const std::map<std::string, std::string> & values)
  {
    for (const auto & entry : values) {
      const char * previous = std::getenv(entry.first.c_str());
      previous_[entry.first] = previous == nullptr ? kUnset : std::string(previous);
      setenv(entry.first.c_str(), entry.second.c_str(), 1);
    }
    restart_logging();
  }

  ~ScopedConsoleEnvironment()
  {
    for (const auto & entry : previous_) {
      if (entry.second == kUnset) {
        unsetenv(entry.first.c_str());
      } else {
        setenv(entry.first.c_str(), entry.second.c_str(), 1);
      }
    }
    restart_logging();
  }

  ScopedConsoleEnvironment(const ScopedConsoleEnvironment &) = delete;
  ScopedConsoleEnvironment & operator=(const ScopedConsoleEnvironment &) = delete;

  static void restart_logging()
  {
    if (
      rcutils_logging_shutdown() != RCUTILS_RET_OK ||
      rcutils_logging_initialize() != RCUTILS_RET_OK) {
      std::abort();
    }
  }

private:
  static constexpr const char * kUnset = "\x01unset";
  std::map<std::string, std::string> previous_;
};

}  // namespace time_logging_test

#endif  // TIME_LOGGING__LOGGING_TEST_HELPERS_HPP_
