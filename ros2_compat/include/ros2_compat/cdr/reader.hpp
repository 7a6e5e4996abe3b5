// Reads a message from a ROS 2 DDS payload: plain CDR (XCDR1) in either byte order, as the
// encapsulation header says. Padding content and bytes after the last field are ignored;
// anything that would read past the end throws MalformedMessage.
#ifndef ROS2_COMPAT__CDR__READER_HPP_
#define ROS2_COMPAT__CDR__READER_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "ros2_compat/cdr/encapsulation.hpp"

namespace ros2_compat
{
namespace cdr
{

class MalformedMessage : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

class Reader
{
public:
  // Checks the encapsulation header; throws MalformedMessage for anything but plain CDR.
  Reader(const uint8_t * payload, size_t size)
  {
    if (size < encapsulation_size) {
      throw MalformedMessage(
        "CDR payload of " + std::to_string(size) + " bytes is shorter than its 4-byte header");
    }
    if (
      payload[0] != 0x00 ||
      (payload[1] != encapsulation_cdr_le && payload[1] != encapsulation_cdr_be)) {
      char kind[8];
      std::snprintf(kind, sizeof(kind), "%02x %02x", payload[0], payload[1]);
      throw MalformedMessage(
        std::string("unsupported CDR encapsulation ") + kind +
        " (expected 00 00 or 00 01, plain CDR)");
    }
    little_endian_ = payload[1] == encapsulation_cdr_le;
    body_ = payload + encapsulation_size;
    size_ = size - encapsulation_size;
  }

  // Primitives (bool must be 0 or 1) and generated messages, whose cdr_deserialize() is found
  // by argument-dependent lookup.
  template <typename T>
  void read(T & value)
  {
    if constexpr (std::is_same<T, bool>::value) {
      const size_t at = offset_;
      const uint8_t byte = read_primitive<uint8_t>();
      if (byte > 1) {
        throw MalformedMessage(
          "CDR bool at body offset " + std::to_string(at) + " holds " + std::to_string(byte) +
          ", not 0 or 1");
      }
      value = byte == 1;
    } else if constexpr (std::is_arithmetic<T>::value) {
      value = read_primitive<T>();
    } else {
      cdr_deserialize(*this, value);
    }
  }

  template <typename CharTraits, typename Allocator>
  void read(std::basic_string<char, CharTraits, Allocator> & value)
  {
    const size_t at = offset_;
    const uint32_t length = read_primitive<uint32_t>();
    require(length, "a string");
    if (length == 0 || body_[offset_ + length - 1] != 0) {
      throw MalformedMessage(
        "CDR string at body offset " + std::to_string(at) + " is not NUL-terminated");
    }
    value.assign(reinterpret_cast<const char *>(body_ + offset_), length - 1);
    offset_ += length;
  }

  // A bounded string (string<=N) has the layout of an unbounded one; more than N characters is
  // malformed.
  template <typename CharTraits, typename Allocator>
  void read(std::basic_string<char, CharTraits, Allocator> & value, size_t bound)
  {
    read(value);
    if (value.size() > bound) {
      throw MalformedMessage(
        "CDR string of " + std::to_string(value.size()) + " characters exceeds its bound " +
        std::to_string(bound));
    }
  }

  template <typename T, typename Allocator>
  void read(std::vector<T, Allocator> & values)
  {
    const uint32_t count = read_count(min_element_size<T>());
    if constexpr (std::is_arithmetic<T>::value) {
      values.resize(count);
      read_elements(values.data(), count);
    } else {
      // A string or message takes far more memory than its smallest encoding: grow with what
      // was read, so that a false count cannot make the reader allocate ahead of the payload.
      values.clear();
      for (uint32_t i = 0; i < count; ++i) {
        values.emplace_back();
        read(values.back());
      }
    }
  }

  void read(std::vector<bool> & values)
  {
    const uint32_t count = read_count(1);
    values.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
      bool value = false;
      read(value);
      values[i] = value;
    }
  }

  // A bounded sequence (T[<=N]) has the layout of an unbounded one; more than N elements is
  // malformed.
  template <typename T, typename Allocator>
  void read(std::vector<T, Allocator> & values, size_t bound)
  {
    read(values);
    if (values.size() > bound) {
      throw MalformedMessage(
        "CDR sequence of " + std::to_string(values.size()) + " elements exceeds its bound " +
        std::to_string(bound));
    }
  }

  template <typename T, size_t N>
  void read(std::array<T, N> & values)
  {
    read_elements(values.data(), N);
  }

private:
  template <typename T>
  static constexpr size_t min_element_size()
  {
    if constexpr (std::is_arithmetic<T>::value) {
      return sizeof(T);
    } else {
      return 1;  // strings and messages take at least one byte each
    }
  }

  template <typename T>
  void read_elements(T * values, size_t count)
  {
    if constexpr (std::is_arithmetic<T>::value && !std::is_same<T, bool>::value) {
      if (count == 0) {
        return;
      }
      align(sizeof(T));
      require(count * sizeof(T), "an array");
      if (little_endian_ == host_is_little_endian) {
        std::memcpy(values, body_ + offset_, count * sizeof(T));
      } else {
        for (size_t i = 0; i < count; ++i) {
          values[i] = load_bytes<T>(body_ + offset_ + i * sizeof(T), little_endian_);
        }
      }
      offset_ += count * sizeof(T);
    } else {
      for (size_t i = 0; i < count; ++i) {
        read(values[i]);
      }
    }
  }

  // A count larger than the bytes left is rejected before anything is allocated for it.
  uint32_t read_count(size_t min_element_bytes)
  {
    const size_t at = offset_;
    const uint32_t count = read_primitive<uint32_t>();
    if (count > (size_ - offset_) / min_element_bytes) {
      throw MalformedMessage(
        "CDR sequence at body offset " + std::to_string(at) + " announces " +
        std::to_string(count) + " elements, more than the " + std::to_string(size_ - offset_) +
        " bytes left");
    }
    return count;
  }

  template <typename T>
  T read_primitive()
  {
    align(sizeof(T));
    require(sizeof(T), "a primitive");
    const T value = load_bytes<T>(body_ + offset_, little_endian_);
    offset_ += sizeof(T);
    return value;
  }

  void align(size_t alignment)
  {
    const size_t padding = (alignment - offset_ % alignment) % alignment;
    offset_ = offset_ + padding <= size_ ? offset_ + padding : size_;
  }

  void require(size_t bytes, const char * what) const
  {
    if (bytes > size_ - offset_) {
      throw MalformedMessage(
        std::string("CDR payload truncated: ") + what + " at body offset " +
        std::to_string(offset_) + " needs " + std::to_string(bytes) + " bytes, " +
        std::to_string(size_ - offset_) + " left");
    }
  }

  const uint8_t * body_ = nullptr;
  size_t size_ = 0;
  size_t offset_ = 0;
  bool little_endian_ = true;
};

}  // namespace cdr
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__CDR__READER_HPP_
