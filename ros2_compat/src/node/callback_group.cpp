#include "rclcpp/callback_group.hpp"

#include <algorithm>
#include <utility>

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
  {
    std::lock_guard<std::mutex> lock(mutex_);
    subscriptions_.erase(
      std::remove_if(
        subscriptions_.begin(), subscriptions_.end(),
        [](const std::weak_ptr<SubscriptionBase> & weak) { return weak.expired(); }),
      subscriptions_.end());
    subscriptions_.push_back(subscription);
  }
  // Messages may already wait for it (transient local), so the executor must look again.
  wake_executor();
}

std::vector<std::shared_ptr<SubscriptionBase>> CallbackGroup::subscriptions() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::shared_ptr<SubscriptionBase>> alive;
  for (const auto & weak : subscriptions_) {
    if (auto subscription = weak.lock()) {
      alive.push_back(std::move(subscription));
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
