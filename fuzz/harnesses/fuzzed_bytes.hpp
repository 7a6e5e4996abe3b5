// Reads a fuzzer's input as a stream of small decisions. Past the end every read yields zero,
// so any input, even an empty one, decodes to some valid structure.
#ifndef QUILLON_FUZZ__FUZZED_BYTES_HPP_
#define QUILLON_FUZZ__FUZZED_BYTES_HPP_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace quillon_fuzz
{

class FuzzedBytes
{
public:
  FuzzedBytes(const uint8_t * data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return offset_ >= size_; }

  size_t remaining() const { return empty() ? 0 : size_ - offset_; }

  uint8_t byte() { return empty() ? 0 : data_[offset_++]; }

  // Little-endian unsigned integer of sizeof(T) bytes (zero-filled past the end).
  template <typename T>
  T integer()
  {
    uint64_t value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
      value |= static_cast<uint64_t>(byte()) << (8 * i);
    }
    T result;
    std::memcpy(&result, &value, sizeof(T));
    return result;
  }

  // An element of a fixed table, chosen by one byte.
  template <typename T, size_t N>
  const T & pick(const T (&table)[N])
  {
    return table[byte() % N];
  }

  bool flag() { return (byte() & 1U) != 0; }

  // A value in [0, bound) from two bytes.
  uint32_t below(uint32_t bound) { return bound == 0 ? 0 : integer<uint16_t>() % bound; }

  // The raw rest of the input as text.
  std::string rest()
  {
    const size_t n = remaining();
    std::string text(reinterpret_cast<const char *>(data_ + offset_), n);
    offset_ = size_;
    return text;
  }

private:
  const uint8_t * data_;
  size_t size_;
  size_t offset_ = 0;
};

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__FUZZED_BYTES_HPP_
