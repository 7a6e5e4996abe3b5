// rclcpp::Duration, with Humble's conversions and exception texts.
#include "rclcpp/duration.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "int64_overflow.hpp"

namespace rclcpp
{
namespace
{

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
    throw std::overflow_error("duration subtraction leads to int64_t overflow");
  }
  if (ros2_compat::detail::sub_will_underflow(lhs, rhs)) {
    throw std::underflow_error("duration subtraction leads to int64_t underflow");
  }
  return lhs - rhs;
}

int64_t checked_scale(int64_t nanoseconds, double scale)
{
  if (!std::isfinite(scale)) {
    throw std::runtime_error("abnormal scale in rclcpp::Duration");
  }
  const long double product = static_cast<long double>(nanoseconds) * scale;
  if (product > static_cast<long double>(std::numeric_limits<int64_t>::max())) {
    throw std::overflow_error("duration scaling leads to int64_t overflow");
  }
  if (product < static_cast<long double>(std::numeric_limits<int64_t>::min())) {
    throw std::underflow_error("duration scaling leads to int64_t underflow");
  }
  return static_cast<int64_t>(product);
}

}  // namespace

Duration::Duration() { rcl_duration_.nanoseconds = 0; }

Duration::Duration(int32_t seconds, uint32_t nanoseconds)
{
  rcl_duration_.nanoseconds = RCL_S_TO_NS(static_cast<int64_t>(seconds)) + nanoseconds;
}

Duration::Duration(std::chrono::nanoseconds nanoseconds)
{
  rcl_duration_.nanoseconds = nanoseconds.count();
}

Duration::Duration(const builtin_interfaces::msg::Duration & duration_msg)
: Duration(duration_msg.sec, duration_msg.nanosec)
{
}

Duration::Duration(const rcl_duration_t & duration) : rcl_duration_(duration) {}

Duration::operator builtin_interfaces::msg::Duration() const
{
  constexpr rcl_duration_value_t one_second = RCL_S_TO_NS(1);
  constexpr int32_t max_seconds = std::numeric_limits<int32_t>::max();
  constexpr int32_t min_seconds = std::numeric_limits<int32_t>::min();
  const auto split = std::lldiv(rcl_duration_.nanoseconds, one_second);
  builtin_interfaces::msg::Duration msg;
  if (split.rem >= 0) {
    if (split.quot > max_seconds) {
      msg.sec = max_seconds;
      msg.nanosec = std::numeric_limits<uint32_t>::max();
    } else {
      msg.sec = static_cast<int32_t>(split.quot);
      msg.nanosec = static_cast<uint32_t>(split.rem);
    }
  } else if (split.quot <= min_seconds) {
    msg.sec = min_seconds;
    msg.nanosec = 0u;
  } else {
    msg.sec = static_cast<int32_t>(split.quot - 1);
    msg.nanosec = static_cast<uint32_t>(one_second + split.rem);
  }
  return msg;
}

Duration & Duration::operator=(const builtin_interfaces::msg::Duration & duration_msg)
{
  *this = Duration(duration_msg);
  return *this;
}

bool Duration::operator==(const rclcpp::Duration & rhs) const
{
  return rcl_duration_.nanoseconds == rhs.rcl_duration_.nanoseconds;
}

bool Duration::operator!=(const rclcpp::Duration & rhs) const
{
  return rcl_duration_.nanoseconds != rhs.rcl_duration_.nanoseconds;
}

bool Duration::operator<(const rclcpp::Duration & rhs) const
{
  return rcl_duration_.nanoseconds < rhs.rcl_duration_.nanoseconds;
}

bool Duration::operator<=(const rclcpp::Duration & rhs) const
{
  return rcl_duration_.nanoseconds <= rhs.rcl_duration_.nanoseconds;
}

bool Duration::operator>=(const rclcpp::Duration & rhs) const
{
  return rcl_duration_.nanoseconds >= rhs.rcl_duration_.nanoseconds;
}

bool Duration::operator>(const rclcpp::Duration & rhs) const
{
  return rcl_duration_.nanoseconds > rhs.rcl_duration_.nanoseconds;
}

Duration Duration::operator+(const rclcpp::Duration & rhs) const
{
  return from_nanoseconds(checked_sum(rcl_duration_.nanoseconds, rhs.rcl_duration_.nanoseconds));
}

Duration & Duration::operator+=(const rclcpp::Duration & rhs)
{
  *this = *this + rhs;
  return *this;
}

Duration Duration::operator-(const rclcpp::Duration & rhs) const
{
  return from_nanoseconds(
    checked_difference(rcl_duration_.nanoseconds, rhs.rcl_duration_.nanoseconds));
}

Duration & Duration::operator-=(const rclcpp::Duration & rhs)
{
  *this = *this - rhs;
  return *this;
}

Duration Duration::operator*(double scale) const
{
  return from_nanoseconds(checked_scale(rcl_duration_.nanoseconds, scale));
}

Duration & Duration::operator*=(double scale)
{
  *this = *this * scale;
  return *this;
}

Duration Duration::max() { return Duration(std::numeric_limits<int32_t>::max(), 999999999); }

rcl_duration_value_t Duration::nanoseconds() const { return rcl_duration_.nanoseconds; }

double Duration::seconds() const
{
  return std::chrono::duration<double>(std::chrono::nanoseconds(rcl_duration_.nanoseconds)).count();
}

Duration Duration::from_seconds(double seconds)
{
  return from_nanoseconds(static_cast<int64_t>(RCL_S_TO_NS(seconds)));
}

Duration Duration::from_nanoseconds(rcl_duration_value_t nanoseconds)
{
  Duration duration;
  duration.rcl_duration_.nanoseconds = nanoseconds;
  return duration;
}

}  // namespace rclcpp
