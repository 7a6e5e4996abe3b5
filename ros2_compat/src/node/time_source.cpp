#include "rclcpp/time_source.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "rclcpp/exceptions.hpp"
#include "rclcpp/executors/single_threaded_executor.hpp"
#include "rclcpp/subscription_options.hpp"
#include "ros2_compat/detail/create_subscription.hpp"

namespace rclcpp
{

namespace
{

void throw_if_failed(rcl_ret_t ret, const char * what)
{
  if (ret != RCL_RET_OK) {
    throw rclcpp::exceptions::RCLError(
      rclcpp::exceptions::RCLErrorBase(ret, "error not set"), std::string(what) + ": ");
  }
}

}  // namespace

TimeSource::TimeSource(const rclcpp::QoS & qos, bool use_clock_thread)
: qos_(qos), use_clock_thread_(use_clock_thread)
{
}

TimeSource::~TimeSource() { detachNode(); }

void TimeSource::attachNode(
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_base, bool use_sim_time)
{
  node_base_ = std::move(node_base);
  if (use_sim_time) {
    enable_ros_time();
    subscribe_to_clock();
  }
}

void TimeSource::detachNode()
{
  if (clock_executor_thread_.joinable()) {
    clock_executor_->cancel();
    clock_executor_thread_.join();
  }
  clock_executor_.reset();
  clock_subscription_.reset();
  clock_callback_group_.reset();
  node_base_.reset();
}

void TimeSource::attachClock(rclcpp::Clock::SharedPtr clock)
{
  if (clock->get_clock_type() != RCL_ROS_TIME) {
    throw std::invalid_argument("Cannot attach clock to a time source that's not a ROS clock");
  }
  std::lock_guard<std::mutex> lock(mutex_);
  clocks_.push_back(clock);
  if (ros_time_active_) {
    follow(clock, last_time_);
  }
}

void TimeSource::detachClock(rclcpp::Clock::SharedPtr clock)
{
  std::lock_guard<std::mutex> lock(mutex_);
  clocks_.erase(std::remove(clocks_.begin(), clocks_.end(), clock), clocks_.end());
}

bool TimeSource::get_use_clock_thread() { return use_clock_thread_; }

bool TimeSource::clock_thread_is_joinable() { return clock_executor_thread_.joinable(); }

void TimeSource::enable_ros_time()
{
  std::lock_guard<std::mutex> lock(mutex_);
  ros_time_active_ = true;
  for (const auto & clock : clocks_) {
    follow(clock, last_time_);
  }
}

void TimeSource::subscribe_to_clock()
{
  rclcpp::SubscriptionOptions options;
  if (use_clock_thread_) {
    clock_callback_group_ =
      node_base_->create_callback_group(rclcpp::CallbackGroupType::MutuallyExclusive, false);
    options.callback_group = clock_callback_group_;
  }
  clock_subscription_ = ros2_compat::detail::create_subscription<
    rosgraph_msgs::msg::Clock,
    std::function<void(std::shared_ptr<const rosgraph_msgs::msg::Clock>)>, std::allocator<void>,
    rclcpp::Subscription<rosgraph_msgs::msg::Clock>>(
    node_base_.get(), "/clock", qos_,
    [this](std::shared_ptr<const rosgraph_msgs::msg::Clock> msg) { on_clock(*msg); }, options);
  if (!use_clock_thread_) {
    return;
  }
  rclcpp::ExecutorOptions executor_options;
  executor_options.context = node_base_->get_context();
  clock_executor_ = std::make_shared<rclcpp::executors::SingleThreadedExecutor>(executor_options);
  clock_executor_->add_callback_group(clock_callback_group_, node_base_);
  clock_executor_thread_ = std::thread([executor = clock_executor_] { executor->spin(); });
}

void TimeSource::on_clock(const rosgraph_msgs::msg::Clock & msg)
{
  const rcl_time_point_value_t time =
    static_cast<rcl_time_point_value_t>(msg.clock.sec) * 1000000000LL + msg.clock.nanosec;
  std::lock_guard<std::mutex> lock(mutex_);
  last_time_ = time;
  if (!ros_time_active_) {
    return;
  }
  for (const auto & clock : clocks_) {
    follow(clock, time);
  }
}

void TimeSource::follow(const rclcpp::Clock::SharedPtr & clock, rcl_time_point_value_t time)
{
  std::lock_guard<std::mutex> lock(clock->get_clock_mutex());
  rcl_clock_t * handle = clock->get_clock_handle();
  if (!clock->ros_time_is_active()) {
    throw_if_failed(
      rcl_enable_ros_time_override(handle), "Failed to enable ros_time_override_status");
  }
  throw_if_failed(
    rcl_set_ros_time_override(handle, time), "Failed to set ros_time_override_status");
}

}  // namespace rclcpp
