#include "rclcpp/context.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/contexts/default_context.hpp"
#include "ros2_compat/detail/ros_arguments.hpp"

namespace rclcpp
{

namespace
{

// Contexts between init and shutdown, for the signal handler.
class ContextRegistry
{
public:
  void add(const Context::SharedPtr & context)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    contexts_.push_back(context);
  }

  void remove(const Context * context)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    contexts_.erase(
      std::remove_if(
        contexts_.begin(), contexts_.end(),
        [context](const Context::WeakPtr & weak) {
          auto locked = weak.lock();
          return !locked || locked.get() == context;
        }),
      contexts_.end());
  }

  std::vector<Context::SharedPtr> alive() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Context::SharedPtr> result;
    for (const auto & weak : contexts_) {
      if (auto context = weak.lock()) {
        result.push_back(context);
      }
    }
    return result;
  }

private:
  mutable std::mutex mutex_;
  std::vector<Context::WeakPtr> contexts_;
};

// Never destroyed: contexts that live in statics unregister during exit.
ContextRegistry & registry()
{
  static auto * instance = new ContextRegistry();
  return *instance;
}

}  // namespace

Context::Context() = default;

Context::~Context()
{
  if (is_valid()) {
    shutdown("context destructor was called while still not shutdown");
  }
  registry().remove(this);
}

void Context::init(int argc, char const * const * argv, const rclcpp::InitOptions & init_options)
{
  std::lock_guard<std::recursive_mutex> lock(init_mutex_);
  if (is_valid()) {
    throw ContextAlreadyInitialized();
  }
  auto arguments = std::make_shared<ros2_compat::detail::RosArguments>(
    ros2_compat::detail::parse_ros_arguments(argc, argv));
  if (init_options.auto_initialize_logging()) {
    ros2_compat::detail::apply_log_levels(*arguments);
  }
  global_arguments_ = std::move(arguments);
  init_options_ = init_options;
  shutdown_reason_.clear();
  valid_ = true;
  registry().add(shared_from_this());
}

bool Context::is_valid() const { return valid_.load(); }

const rclcpp::InitOptions & Context::get_init_options() const { return init_options_; }

rclcpp::InitOptions Context::get_init_options() { return init_options_; }

size_t Context::get_domain_id() const
{
  // Without ROS_DOMAIN_ID both Humble RMWs use domain 0.
  const size_t requested = init_options_.get_domain_id();
  return requested == SIZE_MAX ? 0 : requested;
}

std::string Context::shutdown_reason() const
{
  std::lock_guard<std::recursive_mutex> lock(init_mutex_);
  return shutdown_reason_;
}

bool Context::shutdown(const std::string & reason)
{
  std::lock_guard<std::recursive_mutex> lock(init_mutex_);
  if (!valid_.exchange(false)) {
    return false;
  }
  shutdown_reason_ = reason;
  for (const auto & callback : get_on_shutdown_callbacks()) {
    callback();
  }
  interrupt_all_sleep_for();
  registry().remove(this);
  return true;
}

Context::OnShutdownCallback Context::on_shutdown(OnShutdownCallback callback)
{
  add_on_shutdown_callback(callback);
  return callback;
}

OnShutdownCallbackHandle Context::add_on_shutdown_callback(OnShutdownCallback callback)
{
  auto stored = std::make_shared<OnShutdownCallback>(std::move(callback));
  std::lock_guard<std::mutex> lock(on_shutdown_callbacks_mutex_);
  on_shutdown_callbacks_.push_back(stored);
  OnShutdownCallbackHandle handle;
  handle.callback = stored;
  return handle;
}

bool Context::remove_on_shutdown_callback(const OnShutdownCallbackHandle & callback_handle)
{
  auto stored = callback_handle.callback.lock();
  std::lock_guard<std::mutex> lock(on_shutdown_callbacks_mutex_);
  auto found = std::find(on_shutdown_callbacks_.begin(), on_shutdown_callbacks_.end(), stored);
  if (!stored || found == on_shutdown_callbacks_.end()) {
    return false;
  }
  on_shutdown_callbacks_.erase(found);
  return true;
}

std::vector<Context::OnShutdownCallback> Context::get_on_shutdown_callbacks() const
{
  std::lock_guard<std::mutex> lock(on_shutdown_callbacks_mutex_);
  std::vector<OnShutdownCallback> callbacks;
  for (const auto & stored : on_shutdown_callbacks_) {
    callbacks.push_back(*stored);
  }
  return callbacks;
}

bool Context::sleep_for(const std::chrono::nanoseconds & nanoseconds)
{
  const auto deadline = std::chrono::steady_clock::now() + nanoseconds;
  std::unique_lock<std::mutex> lock(interrupt_mutex_);
  uint64_t seen = interrupt_count_;
  // An interruption ends the sleep only when it came from shutdown.
  while (interrupt_condition_variable_.wait_until(
    lock, deadline, [this, seen] { return interrupt_count_ != seen; })) {
    seen = interrupt_count_;
    if (!is_valid()) {
      break;
    }
  }
  return is_valid();
}

void Context::interrupt_all_sleep_for()
{
  {
    std::lock_guard<std::mutex> lock(interrupt_mutex_);
    ++interrupt_count_;
  }
  interrupt_condition_variable_.notify_all();
}

std::shared_ptr<const ros2_compat::detail::RosArguments> Context::get_global_arguments() const
{
  std::lock_guard<std::recursive_mutex> lock(init_mutex_);
  return global_arguments_;
}

std::vector<Context::SharedPtr> get_contexts() { return registry().alive(); }

namespace contexts
{

DefaultContext::SharedPtr get_global_default_context()
{
  static DefaultContext::SharedPtr default_context = DefaultContext::make_shared();
  return default_context;
}

}  // namespace contexts

}  // namespace rclcpp
