// rclcpp::Time, with Humble's clock-type rules and exception texts.
#include "rclcpp/time.hpp"

#include <chrono>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>

#include "int64_overflow.hpp"

namespace rclcpp
{
namespace
{

rcl_time_point_t make_time_point(rcl_time_point_value_t nanoseconds, rcl_clock_type_t clock_type)
{
  rcl_time_point_t time_point;
  time_point.nanoseconds = nanoseconds;
  time_point.clock_type = clock_type;
  return time_point;
}

rcl_time_point_value_t nanoseconds_of_non_negative(int32_t seconds, uint32_t nanoseconds)
{
  if (seconds < 0) {
    throw std::runtime_error("cannot store a negative time point in rclcpp::Time");
  }
  return RCL_S_TO_NS(static_cast<int64_t>(seconds)) + nanoseconds;
}

void check_same_clock_type_to_compare(const Time & lhs, const Time & rhs)
{
  if (lhs.get_clock_type() != rhs.get_clock_type()) {
    throw std::runtime_error("can't compare times with different time sources");
  }
}

int64_t checked_sum(int64_t lhs, int64_t rhs)
{
  if (ros2_compat::detail::add_will_overflow(lhs, rhs)) {
    throw std::overflow_error("addition leads to int64_t overflow");
  }
  if (ros2_compat::detail::add_will_underflow(lhs, rhs)) {
    throw std::underflow_error("addition leads to int64_t underflow");
  }
  return lhs + rhs;
}

int64_t checked_difference(int64_t lhs, int64_t rhs)
{
  if (ros2_compat::detail::sub_will_overflow(lhs, rhs)) {
    throw std::overflow_error("time subtraction leads to int64_t overflow");
  }
  if (ros2_compat::detail::sub_will_underflow(lhs, rhs)) {
    throw std::underflow_error("time subtraction leads to int64_t underflow");
  }
  return lhs - rhs;
}

}  // namespace

Time::Time(int32_t seconds, uint32_t nanoseconds, rcl_clock_type_t clock_type)
: rcl_time_(make_time_point(nanoseconds_of_non_negative(seconds, nanoseconds), clock_type))
{
}

Time::Time(int64_t nanoseconds, rcl_clock_type_t clock)
: rcl_time_(make_time_point(nanoseconds, clock))
{
}

Time::Time(const builtin_interfaces::msg::Time & time_msg, rcl_clock_type_t clock_type)
: rcl_time_(
    make_time_point(nanoseconds_of_non_negative(time_msg.sec, time_msg.nanosec), clock_type))
{
}

Time::Time(const rcl_time_point_t & time_point) : rcl_time_(time_point) {}

Time::operator builtin_interfaces::msg::Time() const
{
  constexpr rcl_time_point_value_t one_second = RCL_S_TO_NS(1);
  const auto split = std::lldiv(rcl_time_.nanoseconds, one_second);
  builtin_interfaces::msg::Time msg;
  if (split.rem >= 0) {
    msg.sec = static_cast<int32_t>(split.quot);
    msg.nanosec = static_cast<uint32_t>(split.rem);
  } else {
    msg.sec = static_cast<int32_t>(split.quot - 1);
    msg.nanosec = static_cast<uint32_t>(one_second + split.rem);
  }
  return msg;
}

Time & Time::operator=(const builtin_interfaces::msg::Time & time_msg)
{
  *this = Time(time_msg);
  return *this;
}

bool Time::operator==(const rclcpp::Time & rhs) const
{
  check_same_clock_type_to_compare(*this, rhs);
  return rcl_time_.nanoseconds == rhs.rcl_time_.nanoseconds;
}

bool Time::operator!=(const rclcpp::Time & rhs) const { return !(*this == rhs); }

bool Time::operator<(const rclcpp::Time & rhs) const
{
  check_same_clock_type_to_compare(*this, rhs);
  return rcl_time_.nanoseconds < rhs.rcl_time_.nanoseconds;
}

bool Time::operator<=(const rclcpp::Time & rhs) const
{
  check_same_clock_type_to_compare(*this, rhs);
  return rcl_time_.nanoseconds <= rhs.rcl_time_.nanoseconds;
}

bool Time::operator>=(const rclcpp::Time & rhs) const
{
  check_same_clock_type_to_compare(*this, rhs);
  return rcl_time_.nanoseconds >= rhs.rcl_time_.nanoseconds;
}

bool Time::operator>(const rclcpp::Time & rhs) const
{
  check_same_clock_type_to_compare(*this, rhs);
  return rcl_time_.nanoseconds > rhs.rcl_time_.nanoseconds;
}

Time Time::operator+(const rclcpp::Duration & rhs) const
{
  return Time(checked_sum(rhs.nanoseconds(), rcl_time_.nanoseconds), rcl_time_.clock_type);
}

Duration Time::operator-(const rclcpp::Time & rhs) const
{
  if (rcl_time_.clock_type != rhs.rcl_time_.clock_type) {
    throw std::runtime_error(
      "can't subtract times with different time sources [" + std::to_string(rcl_time_.clock_type) +
      " != " + std::to_string(rhs.rcl_time_.clock_type) + "]");
  }
  return Duration::from_nanoseconds(
    checked_difference(rcl_time_.nanoseconds, rhs.rcl_time_.nanoseconds));
}

Time Time::operator-(const rclcpp::Duration & rhs) const
{
  return Time(checked_difference(rcl_time_.nanoseconds, rhs.nanoseconds()), rcl_time_.clock_type);
}

Time & Time::operator+=(const rclcpp::Duration & rhs)
{
  rcl_time_.nanoseconds = checked_sum(rhs.nanoseconds(), rcl_time_.nanoseconds);
  return *this;
}

Time & Time::operator-=(const rclcpp::Duration & rhs)
{
  rcl_time_.nanoseconds = checked_difference(rcl_time_.nanoseconds, rhs.nanoseconds());
  return *this;
}

rcl_time_point_value_t Time::nanoseconds() const { return rcl_time_.nanoseconds; }

Time Time::max() { return Time(std::numeric_limits<int32_t>::max(), 999999999); }

double Time::seconds() const
{
  return std::chrono::duration<double>(std::chrono::nanoseconds(rcl_time_.nanoseconds)).count();
}

rcl_clock_type_t Time::get_clock_type() const { return rcl_time_.clock_type; }

Time operator+(const rclcpp::Duration & lhs, const rclcpp::Time & rhs)
{
  return Time(checked_sum(rhs.nanoseconds(), lhs.nanoseconds()), rhs.get_clock_type());
}

}  // namespace rclcpp
