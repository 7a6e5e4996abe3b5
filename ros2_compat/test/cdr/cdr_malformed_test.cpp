// Payloads that are not a valid message of the type are rejected with MalformedMessage and
// are never read past their end; what DDS peers legitimately vary (padding content, trailing
// bytes) is accepted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "golden_payload.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "std_msgs/msg/header.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

// The largest single allocation of this process since the last reset, so that a test can bound
// what a payload makes the reader allocate.
static std::atomic<size_t> largest_allocation{0};

void * operator new(size_t size)
{
  size_t seen = largest_allocation.load();
  while (size > seen && !largest_allocation.compare_exchange_weak(seen, size)) {
  }
  if (void * memory = std::malloc(size == 0 ? 1 : size)) {
    return memory;
  }
  throw std::bad_alloc();
}

// GCC cannot see that the replaced operator new above allocates with malloc.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void * memory) noexcept { std::free(memory); }
void operator delete(void * memory, size_t) noexcept { std::free(memory); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace
{

using ros2_compat::cdr::MalformedMessage;

template <typename MessageT>
MessageT read_back(const std::vector<uint8_t> & bytes)
{
  MessageT message;
  ros2_compat::cdr::deserialize(bytes.data(), bytes.size(), message);
  return message;
}

template <typename MessageT>
std::string rejection(const std::vector<uint8_t> & bytes)
{
  try {
    read_back<MessageT>(bytes);
  } catch (const MalformedMessage & e) {
    return e.what();
  }
  return "accepted";
}

// Every proper prefix lacks at least part of a field.
template <typename MessageT>
void expect_every_truncation_rejected(const std::string & name)
{
  const auto full = golden_payload(name);
  for (size_t size = 0; size < full.size(); ++size) {
    const std::vector<uint8_t> prefix(full.begin(), full.begin() + size);
    EXPECT_NE(rejection<MessageT>(prefix), "accepted") << name << " cut to " << size;
  }
}

}  // namespace

TEST(CdrMalformed, TruncatedPayloadsAreRejected)
{
  expect_every_truncation_rejected<std_msgs::msg::Header>("std_msgs__Header");
  expect_every_truncation_rejected<sensor_msgs::msg::LaserScan>("sensor_msgs__LaserScan");
  expect_every_truncation_rejected<sensor_msgs::msg::PointCloud2>("sensor_msgs__PointCloud2");
  expect_every_truncation_rejected<tf2_msgs::msg::TFMessage>("tf2_msgs__TFMessage");
  expect_every_truncation_rejected<visualization_msgs::msg::MarkerArray>(
    "visualization_msgs__MarkerArray");

  EXPECT_EQ(
    rejection<std_msgs::msg::Header>({0x00, 0x01}),
    "CDR payload of 2 bytes is shorter than its 4-byte header");
  EXPECT_EQ(
    rejection<std_msgs::msg::Header>({0x00, 0x01, 0x00, 0x00, 0x01}),
    "CDR payload truncated: a primitive at body offset 0 needs 4 bytes, 1 left");
}

TEST(CdrMalformed, LengthsBeyondThePayloadAndStringsWithoutNul)
{
  auto header = golden_payload("std_msgs__Header");  // frame_id length at body offset 8
  header[12] = 0xff;
  EXPECT_EQ(
    rejection<std_msgs::msg::Header>(header),
    "CDR payload truncated: a string at body offset 12 needs 255 bytes, 12 left");

  header = golden_payload("std_msgs__Header");
  header.back() = 'x';
  EXPECT_EQ(
    rejection<std_msgs::msg::Header>(header), "CDR string at body offset 8 is not NUL-terminated");

  header = golden_payload("std_msgs__Header_empty");
  header[12] = 0;  // length 0: not even the NUL
  EXPECT_EQ(
    rejection<std_msgs::msg::Header>(header), "CDR string at body offset 8 is not NUL-terminated");

  // A huge count is refused before anything is allocated for it.
  auto scan = golden_payload("sensor_msgs__LaserScan");  // ranges count at body offset 52
  scan[4 + 55] = 0x40;
  EXPECT_EQ(
    rejection<sensor_msgs::msg::LaserScan>(scan),
    "CDR sequence at body offset 52 announces 1073741829 elements, more than the 44 bytes left");

  auto markers = golden_payload("visualization_msgs__MarkerArray");
  markers[4 + 3] = 0x7f;
  EXPECT_NE(rejection<visualization_msgs::msg::MarkerArray>(markers), "accepted");
}

// A count of messages is only bounded by the bytes left, one byte each; a message takes
// hundreds of bytes in memory, so room for all of them must not be taken before they are read.
TEST(CdrMalformed, ACountOfMessagesAllocatesNothingAheadOfThePayload)
{
  std::vector<uint8_t> payload{0x00, 0x01, 0x00, 0x00, 0xa0, 0x0f, 0x00, 0x00};  // 4000 markers
  payload.resize(payload.size() + 4000, 0);
  largest_allocation = 0;
  EXPECT_NE(rejection<visualization_msgs::msg::MarkerArray>(payload), "accepted");
  EXPECT_LT(largest_allocation.load(), 64u * 1024u);
}

TEST(CdrMalformed, BadBoolsAndEncapsulationsAreRejected)
{
  auto cloud = golden_payload("sensor_msgs__PointCloud2");
  cloud.back() = 2;  // is_dense
  EXPECT_EQ(
    rejection<sensor_msgs::msg::PointCloud2>(cloud),
    "CDR bool at body offset 228 holds 2, not 0 or 1");

  auto header = golden_payload("std_msgs__Header");
  header[1] = 0x03;  // parameter-list CDR
  EXPECT_EQ(
    rejection<std_msgs::msg::Header>(header),
    "unsupported CDR encapsulation 00 03 (expected 00 00 or 00 01, plain CDR)");
  header[0] = 0x01;
  header[1] = 0x01;
  EXPECT_NE(rejection<std_msgs::msg::Header>(header), "accepted");
}

// Fast DDS leaves padding uninitialised and Cyclone pads the end to 4 bytes.
TEST(CdrMalformed, PaddingContentAndTrailingBytesAreIgnored)
{
  const auto golden = golden_payload("tf2_msgs__TFMessage");
  auto noisy = golden;
  noisy[33] = noisy[34] = noisy[35] = 0xab;  // before the first translation
  noisy.insert(noisy.end(), {0xcd, 0xcd, 0xcd});
  EXPECT_EQ(
    read_back<tf2_msgs::msg::TFMessage>(noisy), read_back<tf2_msgs::msg::TFMessage>(golden));
}

// Corrupted payloads either read as some message or are rejected; nothing else may happen.
TEST(CdrMalformed, CorruptedBytesNeverEscapeAsOtherErrors)
{
  const auto golden = golden_payload("visualization_msgs__MarkerArray");
  std::mt19937 random(42);
  std::uniform_int_distribution<size_t> position(0, golden.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  int rejected = 0;
  for (int round = 0; round < 3000; ++round) {
    auto corrupted = golden;
    for (int flips = 0; flips < 3; ++flips) {
      corrupted[position(random)] = static_cast<uint8_t>(byte(random));
    }
    try {
      read_back<visualization_msgs::msg::MarkerArray>(corrupted);
    } catch (const MalformedMessage &) {
      ++rejected;
    }
  }
  EXPECT_GT(rejected, 0);
}
