#include "quillon_tools/simulation/stamp.hpp"

namespace quillon_tools
{

builtin_interfaces::msg::Time stampFromNanoseconds(int64_t stamp_ns)
{
  constexpr int64_t billion = 1000000000;
  int64_t sec = stamp_ns / billion;
  int64_t nsec = stamp_ns % billion;
  if (nsec < 0) {
    sec -= 1;
    nsec += billion;
  }
  builtin_interfaces::msg::Time stamp;
  stamp.sec = static_cast<int32_t>(sec);
  stamp.nanosec = static_cast<uint32_t>(nsec);
  return stamp;
}

double secondsBetween(int64_t from_ns, int64_t to_ns)
{
  constexpr int64_t billion = 1000000000;
  const int64_t since = to_ns - from_ns;
  // Whole seconds and the rest apart, so that the double keeps every nanosecond.
  return static_cast<double>(since / billion) + static_cast<double>(since % billion) * 1e-9;
}

}  // namespace quillon_tools
