// CDR layout rules on small hand-computed examples: alignment counted after the header,
// 8-byte alignment of 64-bit values, strings with their NUL, sequences padded only when not
// empty, nested messages inline, and big-endian payloads.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "quillon_protocol/msg/object_list.hpp"
#include "rcl_interfaces/msg/parameter_value.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "sensor_msgs/msg/point_field.hpp"
#include "std_msgs/msg/header.hpp"

namespace
{

using ros2_compat::cdr::deserialize;
using ros2_compat::cdr::serialize;

const std::vector<uint8_t> le_header{0x00, 0x01, 0x00, 0x00};
const std::vector<uint8_t> be_header{0x00, 0x00, 0x00, 0x00};

std::vector<uint8_t> payload(const std::vector<uint8_t> & header, std::vector<uint8_t> body)
{
  body.insert(body.begin(), header.begin(), header.end());
  return body;
}

template <typename MessageT>
MessageT read_back(const std::vector<uint8_t> & bytes)
{
  MessageT message;
  deserialize(bytes.data(), bytes.size(), message);
  return message;
}

rcl_interfaces::msg::ParameterValue every_kind_of_field()
{
  rcl_interfaces::msg::ParameterValue value;
  value.type = 3;
  value.bool_value = true;
  value.integer_value = -2;
  value.double_value = 0.5;
  value.string_value = "ab";
  value.byte_array_value = {0xaa};
  value.bool_array_value = {true, false};
  value.double_array_value = {1.0};
  value.string_array_value = {"", "c"};
  return value;
}

}  // namespace

TEST(CdrLayout, PrimitivesStringsAndSequencesAlignAfterTheHeader)
{
  // clang-format off
  const auto expected = payload(le_header, {
    0x03, 0x01, 0, 0, 0, 0, 0, 0,                    // type, bool, pad to 8
    0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,  // int64 -2 @8
    0, 0, 0, 0, 0, 0, 0xe0, 0x3f,                    // double 0.5 @16
    3, 0, 0, 0, 'a', 'b', 0, 0,                      // "ab" @24, pad
    1, 0, 0, 0, 0xaa, 0, 0, 0,                       // byte[1] @32, pad
    2, 0, 0, 0, 1, 0, 0, 0,                          // bool[2] @40, pad
    0, 0, 0, 0,                                      // int64[0] @48: no padding
    1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xf0, 0x3f,        // double[1] @52, 1.0 @56
    2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,              // string[2] @64: "", pad
    2, 0, 0, 0, 'c', 0});                            // "c" @76
  // clang-format on
  EXPECT_EQ(serialize(every_kind_of_field()), expected);
  EXPECT_EQ(read_back<rcl_interfaces::msg::ParameterValue>(expected), every_kind_of_field());

  // Padding before each u32 that follows the string and the u8.
  sensor_msgs::msg::PointField field;
  field.name = "x";
  field.offset = 4;
  field.datatype = 7;
  field.count = 1;
  // clang-format off
  EXPECT_EQ(serialize(field), payload(le_header, {
    2, 0, 0, 0, 'x', 0, 0, 0,  // name, pad
    4, 0, 0, 0,                // offset
    7, 0, 0, 0,                // datatype, pad
    1, 0, 0, 0}));             // count
  // clang-format on
}

TEST(CdrLayout, NestedMessagesAreInlineWithTheirOwnAlignment)
{
  quillon_protocol::msg::ObjectList list;
  list.header.stamp.sec = 1;
  list.header.stamp.nanosec = 2;
  list.header.frame_id = "f";
  list.sensor_name = "s";
  list.sensor_type = 3;
  // clang-format off
  const auto empty = payload(le_header, {
    1, 0, 0, 0, 2, 0, 0, 0,    // stamp
    2, 0, 0, 0, 'f', 0, 0, 0,  // frame_id, pad
    2, 0, 0, 0, 's', 0,        // sensor_name
    3, 0,                      // sensor_type, pad
    0, 0, 0, 0});              // no objects
  // clang-format on
  EXPECT_EQ(serialize(list), empty);

  // One object: its pose starts 8-aligned at body offset 32, its last double ends at 240.
  quillon_protocol::msg::Object object;
  object.pose.position.x = 1.5;
  object.classification = 1;
  object.point_count = 9;
  object.bearing = -0.25;
  list.objects.push_back(object);
  const auto bytes = serialize(list);
  ASSERT_EQ(bytes.size(), 4u + 240u);
  EXPECT_EQ(bytes[4 + 24], 1u);  // count
  EXPECT_EQ(
    std::vector<uint8_t>(bytes.begin() + 4 + 28, bytes.begin() + 4 + 32),
    std::vector<uint8_t>(4, 0));       // padding
  EXPECT_EQ(bytes[4 + 32 + 6], 0xf8);  // 1.5 = 3ff8...
  EXPECT_EQ(bytes[4 + 88], 0u);        // empty polygon
  EXPECT_EQ(bytes[4 + 128], 1u);       // classification
  EXPECT_EQ(bytes[4 + 184], 9u);       // point_count
  EXPECT_EQ(bytes[4 + 239], 0xbf);     // -0.25 = bfd0...
  EXPECT_EQ(read_back<quillon_protocol::msg::ObjectList>(bytes), list);
}

TEST(CdrLayout, ReadsBigEndianPayloads)
{
  std_msgs::msg::Header header;
  header.stamp.sec = 1700000000;
  header.stamp.nanosec = 123456789;
  header.frame_id = "laser_front";
  // clang-format off
  const auto be = payload(be_header, {
    0x65, 0x53, 0xf1, 0x00, 0x07, 0x5b, 0xcd, 0x15,  // stamp
    0, 0, 0, 12, 'l', 'a', 's', 'e', 'r', '_', 'f', 'r', 'o', 'n', 't', 0});
  // clang-format on
  EXPECT_EQ(read_back<std_msgs::msg::Header>(be), header);

  rcl_interfaces::msg::ParameterValue value;
  value.integer_value = 258;
  value.double_array_value = {1.0, -2.0};
  // clang-format off
  const auto be_value = payload(be_header, {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2,  // type, bool, pad, int64 258
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,  // double 0, "", pad
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2,  // three empty sequences, double[2]
    0x3f, 0xf0, 0, 0, 0, 0, 0, 0,                    // 1.0
    0xc0, 0, 0, 0, 0, 0, 0, 0,                       // -2.0
    0, 0, 0, 0});                                    // string[0]
  // clang-format on
  EXPECT_EQ(read_back<rcl_interfaces::msg::ParameterValue>(be_value), value);
}

TEST(CdrLayout, FixedArraysCarryNoCount)
{
  std::vector<uint8_t> bytes;
  ros2_compat::cdr::Writer writer(bytes);
  writer.write(uint8_t{7});
  writer.write(std::array<uint16_t, 3>{1, 2, 0x0304});
  writer.write(std::array<bool, 2>{true, false});
  EXPECT_EQ(bytes, payload(le_header, {7, 0, 1, 0, 2, 0, 4, 3, 1, 0}));

  ros2_compat::cdr::Reader reader(bytes.data(), bytes.size());
  uint8_t first = 0;
  std::array<uint16_t, 3> shorts{};
  std::array<bool, 2> flags{};
  reader.read(first);
  reader.read(shorts);
  reader.read(flags);
  EXPECT_EQ(shorts, (std::array<uint16_t, 3>{1, 2, 0x0304}));
  EXPECT_EQ(flags, (std::array<bool, 2>{true, false}));
}
