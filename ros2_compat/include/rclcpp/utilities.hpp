// rclcpp::init, shutdown, ok, on_shutdown, sleep_for and the signal handlers.
#ifndef RCLCPP__UTILITIES_HPP_
#define RCLCPP__UTILITIES_HPP_

#include <chrono>
#include <functional>
#include <string>

#include "rclcpp/context.hpp"
#include "rclcpp/init_options.hpp"

namespace rclcpp
{

// Which signals rclcpp::init takes over (SIGINT and SIGTERM shut the contexts down).
enum class SignalHandlerOptions
{
  All,
  SigInt,
  SigTerm,
  None,
};

// Initialises the global default context; throws ContextAlreadyInitialized if it is valid.
void init(
  int argc, char const * const * argv, const InitOptions & init_options = InitOptions(),
  SignalHandlerOptions signal_handler_options = SignalHandlerOptions::All);

bool install_signal_handlers(
  SignalHandlerOptions signal_handler_options = SignalHandlerOptions::All);

bool signal_handlers_installed();

SignalHandlerOptions get_current_signal_handler_options();

bool uninstall_signal_handlers();

bool ok(rclcpp::Context::SharedPtr context = nullptr);

// Shuts the context down (the global one by default, which also uninstalls the signal
// handlers); false if it was already shut down.
bool shutdown(
  rclcpp::Context::SharedPtr context = nullptr,
  const std::string & reason = "user called rclcpp::shutdown()");

void on_shutdown(std::function<void()> callback, rclcpp::Context::SharedPtr context = nullptr);

// Returns early (false) when the context is shut down during the sleep.
bool sleep_for(
  const std::chrono::nanoseconds & nanoseconds, rclcpp::Context::SharedPtr context = nullptr);

}  // namespace rclcpp

#endif  // RCLCPP__UTILITIES_HPP_
