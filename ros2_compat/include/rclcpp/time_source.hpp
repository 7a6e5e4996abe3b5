// rclcpp::TimeSource: makes ROS clocks follow /clock while use_sim_time is true.
#ifndef RCLCPP__TIME_SOURCE_HPP_
#define RCLCPP__TIME_SOURCE_HPP_

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rclcpp/qos.hpp"
#include "rclcpp/subscription.hpp"
#include "rosgraph_msgs/msg/clock.hpp"

namespace rclcpp
{

namespace executors
{
class SingleThreadedExecutor;
}  // namespace executors

class TimeSource
{
public:
  // With use_clock_thread, /clock is served by a thread of its own (as Humble's default), so
  // the clocks move even while every executor of the program is busy or idle.
  explicit TimeSource(const rclcpp::QoS & qos = rclcpp::ClockQoS(), bool use_clock_thread = true);
  ~TimeSource();

  TimeSource(const TimeSource &) = delete;
  TimeSource & operator=(const TimeSource &) = delete;

  // With use_sim_time the attached clocks read 0 until the first /clock message arrives.
  void attachNode(
    rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_base, bool use_sim_time);
  void detachNode();

  // Only RCL_ROS_TIME clocks can follow /clock (std::invalid_argument otherwise).
  void attachClock(rclcpp::Clock::SharedPtr clock);
  void detachClock(rclcpp::Clock::SharedPtr clock);

  bool get_use_clock_thread();
  bool clock_thread_is_joinable();

private:
  void enable_ros_time();
  void subscribe_to_clock();
  void on_clock(const rosgraph_msgs::msg::Clock & msg);
  static void follow(const rclcpp::Clock::SharedPtr & clock, rcl_time_point_value_t time);

  const rclcpp::QoS qos_;
  const bool use_clock_thread_;
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_base_;

  std::mutex mutex_;
  std::vector<rclcpp::Clock::SharedPtr> clocks_;
  bool ros_time_active_ = false;
  rcl_time_point_value_t last_time_ = 0;

  rclcpp::CallbackGroup::SharedPtr clock_callback_group_;
  std::shared_ptr<rclcpp::Subscription<rosgraph_msgs::msg::Clock>> clock_subscription_;
  std::shared_ptr<rclcpp::executors::SingleThreadedExecutor> clock_executor_;
  std::thread clock_executor_thread_;
};

}  // namespace rclcpp

#endif  // RCLCPP__TIME_SOURCE_HPP_
