// Whether a sum or difference of two int64 values leaves the int64 range.
#ifndef TIME_LOGGING__INT64_OVERFLOW_HPP_
#define TIME_LOGGING__INT64_OVERFLOW_HPP_

#include <cstdint>
#include <limits>

namespace ros2_compat
{
namespace detail
{

inline bool add_will_overflow(int64_t x, int64_t y)
{
  return y > 0 && x > std::numeric_limits<int64_t>::max() - y;
}

inline bool add_will_underflow(int64_t x, int64_t y)
{
  return y < 0 && x < std::numeric_limits<int64_t>::min() - y;
}

inline bool sub_will_overflow(int64_t x, int64_t y)
{
  return y < 0 && x > std::numeric_limits<int64_t>::max() + y;
}

inline bool sub_will_underflow(int64_t x, int64_t y)
{
  return y > 0 && x < std::numeric_limits<int64_t>::min() + y;
}

}  // namespace detail
}  // namespace ros2_compat

#endif  // TIME_LOGGING__INT64_OVERFLOW_HPP_
