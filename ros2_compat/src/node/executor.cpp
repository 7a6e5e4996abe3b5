#include "rclcpp/executor.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace rclcpp
{

namespace
{

// Clears the flags however a spin ends (callbacks may throw); a cancel() meant for this spin
// must not end a later one.
class SpinningScope
{
public:
  SpinningScope(std::atomic_bool & spinning, std::atomic_bool & cancelled, const char * what)
  : spinning_(spinning), cancelled_(cancelled)
  {
    if (spinning_.exchange(true)) {
      throw std::runtime_error(std::string(what) + " called while already spinning");
    }
  }

  ~SpinningScope()
  {
    cancelled_.store(false);
    spinning_.store(false);
  }

  SpinningScope(const SpinningScope &) = delete;
  SpinningScope & operator=(const SpinningScope &) = delete;

private:
  std::atomic_bool & spinning_;
  std::atomic_bool & cancelled_;
};

}  // namespace

Executor::Executor(const rclcpp::ExecutorOptions & options)
: spinning(false),
  context_(options.context),
  wakeup_(std::make_shared<ros2_compat::detail::ExecutorWakeup>())
{
  std::weak_ptr<ros2_compat::detail::ExecutorWakeup> weak_wakeup = wakeup_;
  shutdown_callback_ = context_->add_on_shutdown_callback([weak_wakeup] {
    if (auto wakeup = weak_wakeup.lock()) {
      wakeup->notify();
    }
  });
}

Executor::~Executor()
{
  context_->remove_on_shutdown_callback(shutdown_callback_);
  std::vector<GroupEntry> groups;
  std::vector<rclcpp::node_interfaces::NodeBaseInterface::WeakPtr> nodes;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    groups.swap(groups_);
    nodes.swap(nodes_);
  }
  for (const auto & entry : groups) {
    if (auto group = entry.group.lock()) {
      release_group(group);
    }
  }
  for (const auto & weak : nodes) {
    if (auto node = weak.lock()) {
      node->set_executor_wakeup(nullptr);
      node->get_associated_with_executor_atomic().store(false);
    }
  }
}

void Executor::add_callback_group(
  rclcpp::CallbackGroup::SharedPtr group_ptr,
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify)
{
  if (group_ptr->get_associated_with_executor_atomic().exchange(true)) {
    throw std::runtime_error("Callback group has already been added to an executor.");
  }
  associate_group(group_ptr, node_ptr, false);
  if (notify) {
    wakeup_->notify();
  }
}

void Executor::remove_callback_group(rclcpp::CallbackGroup::SharedPtr group_ptr, bool notify)
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = std::find_if(
      groups_.begin(), groups_.end(),
      [&group_ptr](const GroupEntry & entry) { return entry.group.lock() == group_ptr; });
    if (found == groups_.end()) {
      throw std::runtime_error("Callback group needs to be associated with executor.");
    }
    groups_.erase(found);
  }
  release_group(group_ptr);
  if (notify) {
    wakeup_->notify();
  }
}

void Executor::add_node(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify)
{
  if (node_ptr->get_associated_with_executor_atomic().exchange(true)) {
    throw std::runtime_error(
      std::string("Node '") + node_ptr->get_fully_qualified_name() +
      "' has already been added to an executor.");
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    nodes_.push_back(node_ptr);
  }
  node_ptr->set_executor_wakeup(wakeup_);
  take_new_groups_of_nodes();
  if (notify) {
    wakeup_->notify();
  }
}

void Executor::add_node(std::shared_ptr<rclcpp::Node> node_ptr, bool notify)
{
  add_node(node_ptr->get_node_base_interface(), notify);
}

void Executor::remove_node(
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify)
{
  if (!node_ptr->get_associated_with_executor_atomic().load()) {
    throw std::runtime_error("Node needs to be associated with an executor.");
  }
  std::vector<rclcpp::CallbackGroup::SharedPtr> released;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = std::find_if(nodes_.begin(), nodes_.end(), [&node_ptr](const auto & weak) {
      return weak.lock() == node_ptr;
    });
    if (found == nodes_.end()) {
      throw std::runtime_error("Node needs to be associated with this executor.");
    }
    nodes_.erase(found);
    for (auto entry = groups_.begin(); entry != groups_.end();) {
      if (entry->from_node && entry->node.lock() == node_ptr) {
        if (auto group = entry->group.lock()) {
          released.push_back(group);
        }
        entry = groups_.erase(entry);
      } else {
        ++entry;
      }
    }
  }
  for (const auto & group : released) {
    release_group(group);
  }
  node_ptr->set_executor_wakeup(nullptr);
  node_ptr->get_associated_with_executor_atomic().store(false);
  if (notify) {
    wakeup_->notify();
  }
}

void Executor::remove_node(std::shared_ptr<rclcpp::Node> node_ptr, bool notify)
{
  remove_node(node_ptr->get_node_base_interface(), notify);
}

void Executor::spin_node_some(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node)
{
  add_node(node, false);
  try {
    spin_some();
  } catch (...) {
    remove_node(node, false);
    throw;
  }
  remove_node(node, false);
}

void Executor::spin_node_some(std::shared_ptr<rclcpp::Node> node)
{
  spin_node_some(node->get_node_base_interface());
}

void Executor::spin_some(std::chrono::nanoseconds max_duration)
{
  SpinningScope scope(spinning, cancelled_, "spin_some()");
  if (!context_->is_valid()) {
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  for (const auto & executable : wait_for_work(std::chrono::nanoseconds::zero())) {
    const bool out_of_time = max_duration > std::chrono::nanoseconds::zero() &&
                             std::chrono::steady_clock::now() - start >= max_duration;
    if (out_of_time || !spinning.load() || !context_->is_valid()) {
      break;
    }
    executable->execute_one();
  }
}

void Executor::spin_once(std::chrono::nanoseconds timeout)
{
  SpinningScope scope(spinning, cancelled_, "spin_once()");
  if (!context_->is_valid()) {
    return;
  }
  const auto ready = wait_for_work(timeout);
  if (!ready.empty() && spinning.load() && context_->is_valid()) {
    ready.front()->execute_one();
  }
}

void Executor::cancel()
{
  cancelled_.store(true);
  spinning.store(false);
  wakeup_->notify();
}

Executor::ReadyWork Executor::wait_for_work(std::chrono::nanoseconds timeout)
{
  auto ready = ready_work();
  if (!ready.empty() || timeout == std::chrono::nanoseconds::zero()) {
    return ready;
  }
  if (!spinning.load() || !context_->is_valid()) {
    return ready;
  }
  wakeup_->wait(timeout);
  return ready_work();
}

void Executor::execute(const ReadyWork & ready)
{
  for (const auto & executable : ready) {
    if (!spinning.load() || !context_->is_valid()) {
      return;
    }
    executable->execute_one();
  }
}

void Executor::associate_group(
  const rclcpp::CallbackGroup::SharedPtr & group,
  const rclcpp::node_interfaces::NodeBaseInterface::SharedPtr & node, bool from_node)
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    groups_.push_back({group, node, from_node});
  }
  group->set_executor_wakeup(wakeup_);
}

void Executor::release_group(const rclcpp::CallbackGroup::SharedPtr & group)
{
  group->set_executor_wakeup(nullptr);
  group->get_associated_with_executor_atomic().store(false);
}

void Executor::take_new_groups_of_nodes()
{
  std::vector<rclcpp::node_interfaces::NodeBaseInterface::SharedPtr> nodes;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto & weak : nodes_) {
      if (auto node = weak.lock()) {
        nodes.push_back(std::move(node));
      }
    }
  }
  for (const auto & node : nodes) {
    node->for_each_callback_group([this, &node](const rclcpp::CallbackGroup::SharedPtr & group) {
      if (
        group->automatically_add_to_executor_with_node() &&
        !group->get_associated_with_executor_atomic().exchange(true)) {
        associate_group(group, node, true);
      }
    });
  }
}

Executor::ReadyWork Executor::ready_work()
{
  take_new_groups_of_nodes();
  std::vector<rclcpp::CallbackGroup::SharedPtr> groups;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    groups_.erase(
      std::remove_if(
        groups_.begin(), groups_.end(),
        [](const GroupEntry & entry) { return entry.group.expired(); }),
      groups_.end());
    for (const auto & entry : groups_) {
      groups.push_back(entry.group.lock());
    }
  }
  ReadyWork ready;
  for (const auto & group : groups) {
    if (!group) {
      continue;
    }
    for (auto & executable : group->executables()) {
      if (executable->has_work()) {
        ready.push_back(std::move(executable));
      }
    }
  }
  return ready;
}

}  // namespace rclcpp
