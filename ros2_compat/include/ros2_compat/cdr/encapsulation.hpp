// The 4-byte header in front of every ROS 2 payload on DDS, {0x00, kind, options (2 bytes)},
// and the byte order of plain CDR (XCDR1) bodies.
#ifndef ROS2_COMPAT__CDR__ENCAPSULATION_HPP_
#define ROS2_COMPAT__CDR__ENCAPSULATION_HPP_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace ros2_compat
{
namespace cdr
{

constexpr size_t encapsulation_size = 4;
constexpr uint8_t encapsulation_cdr_be = 0x00;
constexpr uint8_t encapsulation_cdr_le = 0x01;

constexpr bool host_is_little_endian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// Copies the bytes of a primitive in the given byte order (CDR primitives are 1, 2, 4 or 8
// bytes wide).
template <typename T>
void store_bytes(uint8_t * out, T value, bool little_endian)
{
  static_assert(std::is_arithmetic<T>::value, "CDR primitives are arithmetic types");
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if (little_endian == host_is_little_endian) {
    std::memcpy(out, bytes, sizeof(T));
  } else {
    for (size_t i = 0; i < sizeof(T); ++i) {
      out[i] = bytes[sizeof(T) - 1 - i];
    }
  }
}

template <typename T>
T load_bytes(const uint8_t * in, bool little_endian)
{
  static_assert(std::is_arithmetic<T>::value, "CDR primitives are arithmetic types");
  uint8_t bytes[sizeof(T)];
  if (little_endian == host_is_little_endian) {
    std::memcpy(bytes, in, sizeof(T));
  } else {
    for (size_t i = 0; i < sizeof(T); ++i) {
      bytes[i] = in[sizeof(T) - 1 - i];
    }
  }
  T value;
  std::memcpy(&value, bytes, sizeof(T));
  return value;
}

}  // namespace cdr
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__CDR__ENCAPSULATION_HPP_
