// rclcpp::Duration: a signed span in nanoseconds. There is no default constructor and no
// constructor from a bare integer; build it from (sec, nsec), std::chrono, a message,
// from_seconds() or from_nanoseconds().
#ifndef RCLCPP__DURATION_HPP_
#define RCLCPP__DURATION_HPP_

#include <chrono>
#include <cstdint>

#include "builtin_interfaces/msg/duration.hpp"
#include "rcl/time.h"

namespace rclcpp
{

class Duration
{
public:
  Duration(int32_t seconds, uint32_t nanoseconds);

  explicit Duration(std::chrono::nanoseconds nanoseconds);

  // Implicit from any std::chrono duration (truncated to nanoseconds).
  template <class Rep, class Period>
  Duration(const std::chrono::duration<Rep, Period> & duration)  // NOLINT(runtime/explicit)
  : Duration(std::chrono::duration_cast<std::chrono::nanoseconds>(duration))
  {
  }

  Duration(const builtin_interfaces::msg::Duration & duration_msg);  // NOLINT(runtime/explicit)

  explicit Duration(const rcl_duration_t & duration);

  Duration(const Duration & rhs) = default;

  virtual ~Duration() = default;

  // Normalised: nanosec in [0, 1e9); saturates at the int32 range of sec.
  operator builtin_interfaces::msg::Duration() const;

  Duration & operator=(const Duration & rhs) = default;
  Duration & operator=(const builtin_interfaces::msg::Duration & duration_msg);

  bool operator==(const rclcpp::Duration & rhs) const;
  bool operator!=(const rclcpp::Duration & rhs) const;
  bool operator<(const rclcpp::Duration & rhs) const;
  bool operator<=(const rclcpp::Duration & rhs) const;
  bool operator>=(const rclcpp::Duration & rhs) const;
  bool operator>(const rclcpp::Duration & rhs) const;

  // Throw std::overflow_error / std::underflow_error when the result leaves int64.
  Duration operator+(const rclcpp::Duration & rhs) const;
  Duration & operator+=(const rclcpp::Duration & rhs);
  Duration operator-(const rclcpp::Duration & rhs) const;
  Duration & operator-=(const rclcpp::Duration & rhs);
  Duration operator*(double scale) const;
  Duration & operator*=(double scale);

  static Duration max();

  rcl_duration_value_t nanoseconds() const;

  double seconds() const;

  // Truncates toward zero: from_seconds(0.1234567899) is 123456789 ns.
  static Duration from_seconds(double seconds);

  static Duration from_nanoseconds(rcl_duration_value_t nanoseconds);

  template <class DurationT>
  DurationT to_chrono() const
  {
    return std::chrono::duration_cast<DurationT>(std::chrono::nanoseconds(this->nanoseconds()));
  }

private:
  rcl_duration_t rcl_duration_;

  Duration();
};

}  // namespace rclcpp

#endif  // RCLCPP__DURATION_HPP_
