// rclcpp::Executor: runs the callbacks of the nodes and callback groups added to it, one at a
// time, until its context shuts down or it is cancelled.
#ifndef RCLCPP__EXECUTOR_HPP_
#define RCLCPP__EXECUTOR_HPP_

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/context.hpp"
#include "rclcpp/executor_options.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/node.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "ros2_compat/detail/executable.hpp"
#include "ros2_compat/detail/executor_wakeup.hpp"

namespace rclcpp
{

class Executor
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS_NOT_COPYABLE(Executor)

  explicit Executor(const rclcpp::ExecutorOptions & options = rclcpp::ExecutorOptions());
  virtual ~Executor();

  Executor(const Executor &) = delete;
  Executor & operator=(const Executor &) = delete;

  virtual void spin() = 0;

  // A group belongs to one executor at most ("Callback group has already been added to an
  // executor."); a group created with automatically_add_to_executor_with_node=false is served
  // only this way.
  virtual void add_callback_group(
    rclcpp::CallbackGroup::SharedPtr group_ptr,
    rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify = true);
  virtual void remove_callback_group(
    rclcpp::CallbackGroup::SharedPtr group_ptr, bool notify = true);

  // Serves the node's groups that are added automatically, also those created later.
  virtual void add_node(
    rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify = true);
  virtual void add_node(std::shared_ptr<rclcpp::Node> node_ptr, bool notify = true);
  virtual void remove_node(
    rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify = true);
  virtual void remove_node(std::shared_ptr<rclcpp::Node> node_ptr, bool notify = true);

  void spin_node_some(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node);
  void spin_node_some(std::shared_ptr<rclcpp::Node> node);

  // Runs each subscription (or service) that has a message (or request) now at most once,
  // without waiting.
  virtual void spin_some(std::chrono::nanoseconds max_duration = std::chrono::nanoseconds(0));

  // Waits up to `timeout` (negative: without limit) for work and runs one callback.
  virtual void spin_once(std::chrono::nanoseconds timeout = std::chrono::nanoseconds(-1));

  // Makes spin() return; safe from any thread and from callbacks.
  void cancel();

protected:
  using ReadyWork = std::vector<std::shared_ptr<ros2_compat::detail::Executable>>;

  // Subscriptions and services with work, after waiting up to `timeout` if there are none yet.
  ReadyWork wait_for_work(std::chrono::nanoseconds timeout);

  // Runs the callbacks of `ready` in order while spinning and the context is valid.
  void execute(const ReadyWork & ready);

  std::atomic_bool spinning;
  std::atomic_bool cancelled_{false};
  rclcpp::Context::SharedPtr context_;

private:
  struct GroupEntry
  {
    rclcpp::CallbackGroup::WeakPtr group;
    rclcpp::node_interfaces::NodeBaseInterface::WeakPtr node;
    bool from_node;  // added with its node rather than on its own
  };

  void associate_group(
    const rclcpp::CallbackGroup::SharedPtr & group,
    const rclcpp::node_interfaces::NodeBaseInterface::SharedPtr & node, bool from_node);
  void release_group(const rclcpp::CallbackGroup::SharedPtr & group);
  void take_new_groups_of_nodes();
  ReadyWork ready_work();

  std::shared_ptr<ros2_compat::detail::ExecutorWakeup> wakeup_;
  rclcpp::OnShutdownCallbackHandle shutdown_callback_;
  std::mutex mutex_;
  std::vector<GroupEntry> groups_;
  std::vector<rclcpp::node_interfaces::NodeBaseInterface::WeakPtr> nodes_;
};

}  // namespace rclcpp

#endif  // RCLCPP__EXECUTOR_HPP_
