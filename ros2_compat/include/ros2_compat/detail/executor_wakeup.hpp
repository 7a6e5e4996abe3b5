// Wakes an executor that waits for work: new data, a new callback group, cancel or shutdown.
#ifndef ROS2_COMPAT__DETAIL__EXECUTOR_WAKEUP_HPP_
#define ROS2_COMPAT__DETAIL__EXECUTOR_WAKEUP_HPP_

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ros2_compat
{
namespace detail
{

class ExecutorWakeup
{
public:
  void notify()
  {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_ = true;
    }
    condition_.notify_all();
  }

  // Blocks until notified (returning at once if a notification is still pending), or until
  // the timeout (negative: no timeout); consumes the notification.
  void wait(std::chrono::nanoseconds timeout)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (timeout < std::chrono::nanoseconds::zero()) {
      condition_.wait(lock, [this] { return pending_; });
    } else {
      condition_.wait_for(lock, timeout, [this] { return pending_; });
    }
    pending_ = false;
  }

private:
  std::mutex mutex_;
  std::condition_variable condition_;
  bool pending_ = false;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__EXECUTOR_WAKEUP_HPP_
