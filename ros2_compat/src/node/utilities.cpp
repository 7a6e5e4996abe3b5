#include "rclcpp/utilities.hpp"

#include <utility>

#include "rclcpp/contexts/default_context.hpp"

namespace rclcpp
{

namespace
{

Context::SharedPtr or_global(Context::SharedPtr context)
{
  if (context) {
    return context;
  }
  return contexts::get_global_default_context();
}

}  // namespace

void init(
  int argc, char const * const * argv, const InitOptions & init_options,
  SignalHandlerOptions signal_handler_options)
{
  contexts::get_global_default_context()->init(argc, argv, init_options);
  install_signal_handlers(signal_handler_options);
}

bool ok(Context::SharedPtr context) { return or_global(std::move(context))->is_valid(); }

bool shutdown(Context::SharedPtr context, const std::string & reason)
{
  auto global = contexts::get_global_default_context();
  context = or_global(std::move(context));
  const bool was_valid = context->shutdown(reason);
  if (context == global) {
    uninstall_signal_handlers();
  }
  return was_valid;
}

void on_shutdown(std::function<void()> callback, Context::SharedPtr context)
{
  or_global(std::move(context))->on_shutdown(std::move(callback));
}

bool sleep_for(const std::chrono::nanoseconds & nanoseconds, Context::SharedPtr context)
{
  return or_global(std::move(context))->sleep_for(nanoseconds);
}

}  // namespace rclcpp
