#ifndef QUILLON_TOOLS__SIMULATION__STAMP_HPP_
#define QUILLON_TOOLS__SIMULATION__STAMP_HPP_

#include <cstdint>

#include "builtin_interfaces/msg/time.hpp"

namespace quillon_tools
{

// A message stamp from nanoseconds since the epoch (nanosec always in [0, 1e9)).
builtin_interfaces::msg::Time stampFromNanoseconds(int64_t stamp_ns);

// Seconds from one stamp to a later one, keeping nanosecond resolution over long runs.
double secondsBetween(int64_t from_ns, int64_t to_ns);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__STAMP_HPP_
