// Writes a message as ROS 2 puts it on DDS: the encapsulation header for little-endian plain
// CDR, then the fields in .msg order with XCDR1 alignment counted from after that header.
// Padding bytes are zero, so equal messages give equal bytes.
#ifndef ROS2_COMPAT__CDR__WRITER_HPP_
#define ROS2_COMPAT__CDR__WRITER_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "ros2_compat/cdr/encapsulation.hpp"

namespace ros2_compat
{
namespace cdr
{

class Writer
{
public:
  // Replaces the content of `payload` with the encapsulation header; fields follow.
  explicit Writer(std::vector<uint8_t> & payload) : payload_(payload)
  {
    payload_.assign({0x00, encapsulation_cdr_le, 0x00, 0x00});
  }

  // Primitives (bool as one byte 0/1) and generated messages, whose cdr_serialize() is found
  // by argument-dependent lookup.
  template <typename T>
  void write(const T & value)
  {
    if constexpr (std::is_same<T, bool>::value) {
      write_primitive<uint8_t>(value ? 1 : 0);
    } else if constexpr (std::is_arithmetic<T>::value) {
      write_primitive(value);
    } else {
      cdr_serialize(*this, value);
    }
  }

  // u32 length counting the terminating NUL, the characters, the NUL; no padding after.
  template <typename CharTraits, typename Allocator>
  void write(const std::basic_string<char, CharTraits, Allocator> & value)
  {
    write_count(value.size() + 1);
    const size_t start = payload_.size();
    payload_.resize(start + value.size() + 1);
    std::memcpy(payload_.data() + start, value.data(), value.size());
    payload_.back() = 0;
  }

  // u32 element count, then the elements; the first element's alignment is padded only when
  // there is one.
  template <typename T, typename Allocator>
  void write(const std::vector<T, Allocator> & values)
  {
    write_count(values.size());
    write_elements(values.data(), values.size());
  }

  void write(const std::vector<bool> & values)
  {
    write_count(values.size());
    for (const bool value : values) {
      write(value);
    }
  }

  // Fixed-size arrays carry no count.
  template <typename T, size_t N>
  void write(const std::array<T, N> & values)
  {
    write_elements(values.data(), N);
  }

private:
  template <typename T>
  void write_elements(const T * values, size_t count)
  {
    if constexpr (std::is_arithmetic<T>::value && !std::is_same<T, bool>::value) {
      if (count == 0) {
        return;
      }
      align(sizeof(T));
      const size_t start = payload_.size();
      payload_.resize(start + count * sizeof(T));
      if (host_is_little_endian) {
        std::memcpy(payload_.data() + start, values, count * sizeof(T));
      } else {
        for (size_t i = 0; i < count; ++i) {
          store_bytes(payload_.data() + start + i * sizeof(T), values[i], true);
        }
      }
    } else {
      for (size_t i = 0; i < count; ++i) {
        write(values[i]);
      }
    }
  }

  void write_count(size_t count)
  {
    if (count > std::numeric_limits<uint32_t>::max()) {
      throw std::length_error("CDR sequences and strings hold at most 2^32-1 elements");
    }
    write_primitive(static_cast<uint32_t>(count));
  }

  template <typename T>
  void write_primitive(T value)
  {
    align(sizeof(T));
    const size_t start = payload_.size();
    payload_.resize(start + sizeof(T));
    store_bytes(payload_.data() + start, value, true);
  }

  // Alignment is counted from the first byte after the encapsulation header.
  void align(size_t alignment)
  {
    const size_t body_size = payload_.size() - encapsulation_size;
    const size_t padding = (alignment - body_size % alignment) % alignment;
    payload_.resize(payload_.size() + padding, 0);
  }

  std::vector<uint8_t> & payload_;
};

}  // namespace cdr
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__CDR__WRITER_HPP_
