// Stamps that harnesses build from nanosecond counts, which may be negative or beyond int32
// seconds on purpose: the cast keeps whatever bits fit, as a malformed message would carry.
#ifndef QUILLON_FUZZ__FUZZED_STAMPS_HPP_
#define QUILLON_FUZZ__FUZZED_STAMPS_HPP_

#include <cstdint>

#include "builtin_interfaces/msg/time.hpp"

namespace quillon_fuzz
{

inline builtin_interfaces::msg::Time stampAt(int64_t ns)
{
  constexpr int64_t second_ns = 1000000000LL;
  builtin_interfaces::msg::Time t;
  t.sec = static_cast<int32_t>(ns / second_ns);
  t.nanosec = static_cast<uint32_t>(ns % second_ns);
  return t;
}

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__FUZZED_STAMPS_HPP_
