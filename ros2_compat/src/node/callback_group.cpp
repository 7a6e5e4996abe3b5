#include "rclcpp/callback_group.hpp"

#include <algorithm>
#include <utility>

#include "rclcpp/subscription_base.hpp"

namespace rclcpp
{

CallbackGroup::CallbackGroup(
  CallbackGroupType group_type, bool automatically_add_to_executor_with_node)
: type_(group_type),
  automatically_add_to_executor_with_node_(automatically_add_to_executor_with_node)
{
}

CallbackGroupType CallbackGroup::type() const { return type_; }

bool CallbackGroup::automatically_add_to_executor_with_node() const
{
  return automatically_add_to_executor_with_node_;
}

std::atomic_bool & CallbackGroup::get_associated_with_executor_atomic()
{
  return associated_with_executor_;
}

void CallbackGroup::add_subscription(const std::shared_ptr<SubscriptionBase> & subscription)
{
  add_executable(subscription);
}

void CallbackGroup::add_service(const std::shared_ptr<ros2_compat::detail::Executable> & service)
{
  add_executable(service);
}

void CallbackGroup::add_executable(
  const std::shared_ptr<ros2_compat::detail::Executable> & executable)
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    executables_.erase(
      std::remove_if(
        executables_.begin(), executables_.end(),
        [](const std::weak_ptr<ros2_compat::detail::Executable> & weak) { return weak.expired(); }),
      executables_.end());
    executables_.push_back(executable);
  }
  // Work may already wait for it (transient local), so the executor must look again.
  wake_executor();
}

std::vector<std::shared_ptr<ros2_compat::detail::Executable>> CallbackGroup::executables() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::shared_ptr<ros2_compat::detail::Executable>> alive;
  for (const auto & weak : executables_) {
    if (auto executable = weak.lock()) {
      alive.push_back(std::move(executable));
    }
  }
  return alive;
}

void CallbackGroup::set_executor_wakeup(std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup)
{
  std::lock_guard<std::mutex> lock(mutex_);
  wakeup_ = std::move(wakeup);
}

void CallbackGroup::wake_executor() const
{
  std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeup = wakeup_;
  }
  if (wakeup) {
    wakeup->notify();
  }
}

}  // namespace rclcpp
