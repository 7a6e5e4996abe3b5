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

}  // namespace quillon_tools
