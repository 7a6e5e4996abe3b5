#include "rclcpp/executors/single_threaded_executor.hpp"

#include <chrono>
#include <stdexcept>

namespace rclcpp
{
namespace executors
{

SingleThreadedExecutor::SingleThreadedExecutor(const rclcpp::ExecutorOptions & options)
: rclcpp::Executor(options)
{
}

void SingleThreadedExecutor::spin()
{
  if (spinning.exchange(true)) {
    throw std::runtime_error("spin() called while already spinning");
  }
  // Leave the flags clean however the loop ends (callbacks may throw).
  struct Reset
  {
    SingleThreadedExecutor & executor;
    ~Reset()
    {
      executor.cancelled_.store(false);
      executor.spinning.store(false);
    }
  } reset{*this};
  // A cancel() that came before spin() started still ends it (Humble would miss it and block).
  if (cancelled_.load()) {
    return;
  }
  while (context_->is_valid() && spinning.load()) {
    execute(wait_for_work(std::chrono::nanoseconds(-1)));
  }
}

}  // namespace executors
}  // namespace rclcpp
