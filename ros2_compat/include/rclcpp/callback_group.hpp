// rclcpp::CallbackGroup: the unit an executor serves (its subscriptions and services); a group
// belongs to one executor at most.
#ifndef RCLCPP__CALLBACK_GROUP_HPP_
#define RCLCPP__CALLBACK_GROUP_HPP_

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "rclcpp/macros.hpp"
#include "ros2_compat/detail/executable.hpp"
#include "ros2_compat/detail/executor_wakeup.hpp"

namespace rclcpp
{

class SubscriptionBase;

enum class CallbackGroupType
{
  MutuallyExclusive,
  Reentrant
};

class CallbackGroup
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(CallbackGroup)

  explicit CallbackGroup(
    CallbackGroupType group_type, bool automatically_add_to_executor_with_node = true);

  CallbackGroupType type() const;

  // False for groups that only an executor they are explicitly added to may serve.
  bool automatically_add_to_executor_with_node() const;

  std::atomic_bool & get_associated_with_executor_atomic();

  // What executors and nodes of this layer use; not part of rclcpp's API. The group keeps
  // weak references: what its owner drops leaves the group.
  void add_subscription(const std::shared_ptr<SubscriptionBase> & subscription);
  void add_service(const std::shared_ptr<ros2_compat::detail::Executable> & service);
  std::vector<std::shared_ptr<ros2_compat::detail::Executable>> executables() const;
  void set_executor_wakeup(std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup);
  void wake_executor() const;

private:
  void add_executable(const std::shared_ptr<ros2_compat::detail::Executable> & executable);

  CallbackGroupType type_;
  bool automatically_add_to_executor_with_node_;
  std::atomic_bool associated_with_executor_{false};
  mutable std::mutex mutex_;
  std::vector<std::weak_ptr<ros2_compat::detail::Executable>> executables_;
  std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup_;
};

}  // namespace rclcpp

#endif  // RCLCPP__CALLBACK_GROUP_HPP_
