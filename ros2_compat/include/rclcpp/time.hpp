// rclcpp::Time: a time point in nanoseconds with the type of the clock it belongs to. Numeric
// constructors default to RCL_SYSTEM_TIME, the message constructor to RCL_ROS_TIME; comparing or
// subtracting times of different clock types throws std::runtime_error.
#ifndef RCLCPP__TIME_HPP_
#define RCLCPP__TIME_HPP_

#include <cstdint>

#include "builtin_interfaces/msg/time.hpp"
#include "rcl/time.h"
#include "rclcpp/duration.hpp"

namespace rclcpp
{

class Clock;

class Time
{
public:
  // Throws std::runtime_error for negative seconds; nanoseconds beyond 1e9 simply add up.
  Time(int32_t seconds, uint32_t nanoseconds, rcl_clock_type_t clock_type = RCL_SYSTEM_TIME);

  explicit Time(int64_t nanoseconds = 0, rcl_clock_type_t clock = RCL_SYSTEM_TIME);

  Time(const Time & rhs) = default;

  // Throws std::runtime_error for negative seconds.
  Time(  // NOLINT(runtime/explicit)
    const builtin_interfaces::msg::Time & time_msg, rcl_clock_type_t clock_type = RCL_ROS_TIME);

  explicit Time(const rcl_time_point_t & time_point);

  virtual ~Time() = default;

  // Normalised: nanosec in [0, 1e9).
  operator builtin_interfaces::msg::Time() const;

  Time & operator=(const Time & rhs) = default;

  // The result has clock type RCL_ROS_TIME.
  Time & operator=(const builtin_interfaces::msg::Time & time_msg);

  bool operator==(const rclcpp::Time & rhs) const;
  bool operator!=(const rclcpp::Time & rhs) const;
  bool operator<(const rclcpp::Time & rhs) const;
  bool operator<=(const rclcpp::Time & rhs) const;
  bool operator>=(const rclcpp::Time & rhs) const;
  bool operator>(const rclcpp::Time & rhs) const;

  // Keep this time's clock type; throw std::overflow_error / std::underflow_error on int64
  // overflow.
  Time operator+(const rclcpp::Duration & rhs) const;
  Duration operator-(const rclcpp::Time & rhs) const;
  Time operator-(const rclcpp::Duration & rhs) const;
  Time & operator+=(const rclcpp::Duration & rhs);
  Time & operator-=(const rclcpp::Duration & rhs);

  rcl_time_point_value_t nanoseconds() const;

  // The latest time a builtin_interfaces Time can hold (system time).
  static Time max();

  double seconds() const;

  rcl_clock_type_t get_clock_type() const;

private:
  rcl_time_point_t rcl_time_;
  friend Clock;
};

Time operator+(const rclcpp::Duration & lhs, const rclcpp::Time & rhs);

}  // namespace rclcpp

#endif  // RCLCPP__TIME_HPP_
