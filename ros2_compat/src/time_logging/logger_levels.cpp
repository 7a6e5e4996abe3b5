// Logger levels: one per name, inherited along the '.' hierarchy, with a default for the rest.
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "log_dispatch.hpp"
#include "rcutils/logging.h"

namespace
{

struct LoggerLevels
{
  std::mutex mutex;
  int default_level = RCUTILS_DEFAULT_LOGGER_DEFAULT_LEVEL;
  std::map<std::string, int, std::less<>> levels;  // only loggers whose level was set
};

LoggerLevels & logger_levels()
{
  // Never destroyed, so that code logging from static destructors finds it intact.
  static LoggerLevels & instance = *new LoggerLevels();
  return instance;
}

bool is_valid_level(int level)
{
  return level == RCUTILS_LOG_SEVERITY_UNSET || level == RCUTILS_LOG_SEVERITY_DEBUG ||
         level == RCUTILS_LOG_SEVERITY_INFO || level == RCUTILS_LOG_SEVERITY_WARN ||
         level == RCUTILS_LOG_SEVERITY_ERROR || level == RCUTILS_LOG_SEVERITY_FATAL;
}

// The level of `name` or its nearest ancestor that has one; the default otherwise.
int effective_level_locked(const LoggerLevels & state, std::string_view name)
{
  while (!name.empty()) {
    const auto found = state.levels.find(name);
    if (found != state.levels.end()) {
      return found->second;
    }
    const auto separator = name.rfind(RCUTILS_LOGGING_SEPARATOR_CHAR);
    if (separator == std::string_view::npos) {
      break;
    }
    name = name.substr(0, separator);
  }
  return state.default_level;
}

}  // namespace

namespace ros2_compat
{
namespace detail
{

void reset_logger_levels()
{
  LoggerLevels & state = logger_levels();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.default_level = RCUTILS_DEFAULT_LOGGER_DEFAULT_LEVEL;
  state.levels.clear();
}

}  // namespace detail
}  // namespace ros2_compat

extern "C" {

int rcutils_logging_get_default_logger_level(void)
{
  LoggerLevels & state = logger_levels();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.default_level;
}

void rcutils_logging_set_default_logger_level(int level)
{
  LoggerLevels & state = logger_levels();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.default_level =
    level == RCUTILS_LOG_SEVERITY_UNSET ? RCUTILS_DEFAULT_LOGGER_DEFAULT_LEVEL : level;
}

int rcutils_logging_get_logger_level(const char * name)
{
  if (name == nullptr) {
    return -1;
  }
  LoggerLevels & state = logger_levels();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (name[0] == '\0') {
    return state.default_level;
  }
  const auto found = state.levels.find(std::string_view(name));
  return found == state.levels.end() ? RCUTILS_LOG_SEVERITY_UNSET : found->second;
}

rcutils_ret_t rcutils_logging_set_logger_level(const char * name, int level)
{
  if (name == nullptr || !is_valid_level(level)) {
    return RCUTILS_RET_INVALID_ARGUMENT;
  }
  LoggerLevels & state = logger_levels();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (name[0] == '\0') {
    state.default_level = level;
  } else if (level == RCUTILS_LOG_SEVERITY_UNSET) {
    state.levels.erase(std::string(name));
  } else {
    state.levels[name] = level;
  }
  return RCUTILS_RET_OK;
}

int rcutils_logging_get_logger_effective_level(const char * name)
{
  if (name == nullptr) {
    return -1;
  }
  LoggerLevels & state = logger_levels();
  std::lock_guard<std::mutex> lock(state.mutex);
  return effective_level_locked(state, name);
}

bool rcutils_logging_logger_is_enabled_for(const char * name, int severity)
{
  LoggerLevels & state = logger_levels();
  std::lock_guard<std::mutex> lock(state.mutex);
  const int level = name == nullptr ? state.default_level : effective_level_locked(state, name);
  return severity >= level;
}

}  // extern "C"
