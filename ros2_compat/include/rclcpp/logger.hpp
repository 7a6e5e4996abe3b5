// rclcpp::Logger: a named handle on the rcutils logger hierarchy. Loggers of the same name share
// their level, and "a.b" inherits the level of "a" unless its own is set.
#ifndef RCLCPP__LOGGER_HPP_
#define RCLCPP__LOGGER_HPP_

#include <memory>
#include <string>

#include "rcutils/logging.h"

namespace rclcpp
{

class Logger;

// The logger of the given name, e.g. get_logger("trailscan") logs exactly like node trailscan.
Logger get_logger(const std::string & name);

class Logger
{
public:
  enum class Level
  {
    Unset = RCUTILS_LOG_SEVERITY_UNSET,
    Debug = RCUTILS_LOG_SEVERITY_DEBUG,
    Info = RCUTILS_LOG_SEVERITY_INFO,
    Warn = RCUTILS_LOG_SEVERITY_WARN,
    Error = RCUTILS_LOG_SEVERITY_ERROR,
    Fatal = RCUTILS_LOG_SEVERITY_FATAL,
  };

private:
  friend Logger rclcpp::get_logger(const std::string & name);

  // A nameless logger; its get_name() is nullptr and it ignores set_level().
  Logger() : name_(nullptr) {}

  explicit Logger(const std::string & name) : name_(std::make_shared<const std::string>(name)) {}

  std::shared_ptr<const std::string> name_;

public:
  Logger(const Logger &) = default;
  Logger & operator=(const Logger &) = default;

  const char * get_name() const
  {
    if (!name_) {
      return nullptr;
    }
    return name_->c_str();
  }

  // A descendant logger named "<name>.<suffix>".
  Logger get_child(const std::string & suffix)
  {
    if (!name_) {
      return Logger();
    }
    return Logger(*name_ + RCUTILS_LOGGING_SEPARATOR_STRING + suffix);
  }

  // Sets the level of every logger of this name (and of descendants that have none of their own).
  void set_level(Level level);
};

}  // namespace rclcpp

#endif  // RCLCPP__LOGGER_HPP_
