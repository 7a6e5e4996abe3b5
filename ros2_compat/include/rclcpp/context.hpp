// rclcpp::Context: the lifetime between init and shutdown, shared by nodes and executors.
#ifndef RCLCPP__CONTEXT_HPP_
#define RCLCPP__CONTEXT_HPP_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "rclcpp/init_options.hpp"
#include "rclcpp/macros.hpp"

namespace ros2_compat
{
namespace detail
{
struct RosArguments;
}  // namespace detail
}  // namespace ros2_compat

namespace rclcpp
{

class ContextAlreadyInitialized : public std::runtime_error
{
public:
  ContextAlreadyInitialized() : std::runtime_error("context is already initialized") {}
};

class OnShutdownCallbackHandle
{
  friend class Context;

public:
  using OnShutdownCallbackType = std::function<void()>;

private:
  std::weak_ptr<OnShutdownCallbackType> callback;
};

class Context : public std::enable_shared_from_this<Context>
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(Context)

  Context();
  virtual ~Context();

  Context(const Context &) = delete;
  Context & operator=(const Context &) = delete;

  // Parses the ROS arguments of the command line (throws UnknownROSArgsError or
  // RCLInvalidROSArgsError) and applies their log levels.
  virtual void init(
    int argc, char const * const * argv,
    const rclcpp::InitOptions & init_options = rclcpp::InitOptions());

  bool is_valid() const;

  const rclcpp::InitOptions & get_init_options() const;
  rclcpp::InitOptions get_init_options();

  size_t get_domain_id() const;

  // Empty while not shut down.
  std::string shutdown_reason() const;

  // Runs the on-shutdown callbacks in the order they were added, then wakes every sleep_for
  // and every executor of this context. False if the context was not valid.
  virtual bool shutdown(const std::string & reason);

  using OnShutdownCallback = OnShutdownCallbackHandle::OnShutdownCallbackType;

  virtual OnShutdownCallback on_shutdown(OnShutdownCallback callback);
  virtual OnShutdownCallbackHandle add_on_shutdown_callback(OnShutdownCallback callback);
  virtual bool remove_on_shutdown_callback(const OnShutdownCallbackHandle & callback_handle);
  std::vector<OnShutdownCallback> get_on_shutdown_callbacks() const;

  // Sleeps for the duration or until this context is shut down; true if still valid after.
  bool sleep_for(const std::chrono::nanoseconds & nanoseconds);

  virtual void interrupt_all_sleep_for();

  // The ROS arguments given to init (what nodes with use_global_arguments read); null before.
  std::shared_ptr<const ros2_compat::detail::RosArguments> get_global_arguments() const;

private:
  mutable std::recursive_mutex init_mutex_;
  std::atomic_bool valid_{false};
  rclcpp::InitOptions init_options_;
  std::string shutdown_reason_;
  std::shared_ptr<const ros2_compat::detail::RosArguments> global_arguments_;

  std::vector<std::shared_ptr<OnShutdownCallback>> on_shutdown_callbacks_;
  mutable std::mutex on_shutdown_callbacks_mutex_;

  std::mutex interrupt_mutex_;
  std::condition_variable interrupt_condition_variable_;
  uint64_t interrupt_count_ = 0;
};

// Every context that is currently initialised (the signal handler shuts these down).
std::vector<Context::SharedPtr> get_contexts();

}  // namespace rclcpp

#endif  // RCLCPP__CONTEXT_HPP_
