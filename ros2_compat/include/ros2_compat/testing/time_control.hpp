// Test seam for system time: while a fake time is set, every system clock, every ROS clock
// without override and every log stamp reads it instead of the real time. Thread-safe.
#ifndef ROS2_COMPAT__TESTING__TIME_CONTROL_HPP_
#define ROS2_COMPAT__TESTING__TIME_CONTROL_HPP_

#include <cstdint>

namespace ros2_compat
{
namespace testing
{

// Fakes system time from now on, at `nanoseconds` since the epoch.
void set_system_time(int64_t nanoseconds);

// Moves the fake time by `nanoseconds` (starting from the real time if none is set).
void advance_system_time(int64_t nanoseconds);

// Back to the real system time.
void use_real_system_time();

// Fakes system time for its lifetime and restores the previous state afterwards.
class ScopedFakeSystemTime
{
public:
  explicit ScopedFakeSystemTime(int64_t start_nanoseconds);
  ~ScopedFakeSystemTime();

  ScopedFakeSystemTime(const ScopedFakeSystemTime &) = delete;
  ScopedFakeSystemTime & operator=(const ScopedFakeSystemTime &) = delete;

private:
  bool was_fake_;
  int64_t previous_nanoseconds_;
};

}  // namespace testing
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__TESTING__TIME_CONTROL_HPP_
