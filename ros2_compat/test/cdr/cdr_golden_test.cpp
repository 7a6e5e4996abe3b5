// Serialized bytes against what a running Humble put on the wire for the same messages
// (golden/cdr/*.hex, fields as in the .json beside each file).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "builtin_interfaces/msg/time.hpp"
#include "geometry_msgs/msg/pose_stamped.hpp"
#include "golden_payload.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "std_msgs/msg/header.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace
{

using ros2_compat::cdr::deserialize;
using ros2_compat::cdr::serialize;

std_msgs::msg::Header header(int32_t sec, uint32_t nanosec, const std::string & frame)
{
  std_msgs::msg::Header h;
  h.stamp.sec = sec;
  h.stamp.nanosec = nanosec;
  h.frame_id = frame;
  return h;
}

template <typename MessageT>
MessageT read_back(const std::vector<uint8_t> & payload)
{
  MessageT message;
  deserialize(payload.data(), payload.size(), message);
  return message;
}

// Writes the same bytes as Humble and reads them back to an equal message.
template <typename MessageT>
void expect_golden(const MessageT & message, const std::string & name)
{
  const auto golden = golden_payload(name);
  EXPECT_EQ(serialize(message), golden) << name;
  EXPECT_EQ(read_back<MessageT>(golden), message) << name;
}

std::vector<uint8_t> from_hex(const std::string & hex)
{
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

geometry_msgs::msg::TransformStamped transform(
  const std::string & parent, const std::string & child, double x, double y, double z, double qz,
  double qw)
{
  geometry_msgs::msg::TransformStamped t;
  t.header = header(1700000000, 0, parent);
  t.child_frame_id = child;
  t.transform.translation.x = x;
  t.transform.translation.y = y;
  t.transform.translation.z = z;
  t.transform.rotation.z = qz;
  t.transform.rotation.w = qw;
  return t;
}

std_msgs::msg::ColorRGBA color(float r, float g, float b, float a)
{
  std_msgs::msg::ColorRGBA c;
  c.r = r;
  c.g = g;
  c.b = b;
  c.a = a;
  return c;
}

geometry_msgs::msg::Point point(double x, double y, double z)
{
  geometry_msgs::msg::Point p;
  p.x = x;
  p.y = y;
  p.z = z;
  return p;
}

}  // namespace

TEST(CdrGolden, TimeAndHeaders)
{
  builtin_interfaces::msg::Time time;
  time.sec = 1700000000;
  time.nanosec = 500000000;
  expect_golden(time, "builtin_interfaces__Time");
  expect_golden(header(1700000000, 123456789, "laser_front"), "std_msgs__Header");
  expect_golden(std_msgs::msg::Header(), "std_msgs__Header_empty");
}

TEST(CdrGolden, LaserScanWithNonFiniteRanges)
{
  sensor_msgs::msg::LaserScan scan;
  scan.header = header(1700000000, 250000000, "laser_front");
  scan.angle_min = -1.0f;
  scan.angle_max = 1.0f;
  scan.angle_increment = 0.5f;
  scan.time_increment = std::ldexp(1.0f, -13);
  scan.scan_time = 0.0625f;
  scan.range_min = 0.125f;
  scan.range_max = 30.0f;
  const float inf = std::numeric_limits<float>::infinity();
  scan.ranges = {1.5f, std::numeric_limits<float>::quiet_NaN(), inf, 2.25f, -inf};
  scan.intensities = {100.0f, 0.0f, 0.0f, 50.5f, 7.0f};

  const auto golden = golden_payload("sensor_msgs__LaserScan");
  EXPECT_EQ(serialize(scan), golden);
  // NaN != NaN, so the read-back is compared field by field.
  const auto back = read_back<sensor_msgs::msg::LaserScan>(golden);
  EXPECT_EQ(back.header, scan.header);
  EXPECT_EQ(back.time_increment, scan.time_increment);
  EXPECT_EQ(back.range_max, 30.0f);
  ASSERT_EQ(back.ranges.size(), 5u);
  EXPECT_TRUE(std::isnan(back.ranges[1]));
  EXPECT_EQ(back.ranges[2], inf);
  EXPECT_EQ(back.ranges[4], -inf);
  EXPECT_EQ(back.intensities, scan.intensities);
}

TEST(CdrGolden, PointCloud2FromPcl)
{
  sensor_msgs::msg::PointCloud2 cloud;
  cloud.header = header(1700000000, 0, "base_link");
  cloud.height = 1;
  cloud.width = 3;
  const char * names[] = {"x", "y", "z", "rgb"};
  const uint32_t offsets[] = {0, 4, 8, 16};
  for (int i = 0; i < 4; ++i) {
    sensor_msgs::msg::PointField field;
    field.name = names[i];
    field.offset = offsets[i];
    field.datatype = sensor_msgs::msg::PointField::FLOAT32;
    field.count = 1;
    cloud.fields.push_back(field);
  }
  cloud.is_bigendian = false;
  cloud.point_step = 32;
  cloud.row_step = 96;
  cloud.data = from_hex(
    "0000803f000000400000003f0000803f0000ffff0000000000000000000000000000c0bf0000803e0000000000"
    "00803f00ff00ff00000000000000000000000000004040000080c00000a03f0000803f302010ff00000000000000"
    "0000000000");
  cloud.is_dense = true;
  ASSERT_EQ(cloud.data.size(), 96u);
  expect_golden(cloud, "sensor_msgs__PointCloud2");
}

TEST(CdrGolden, TFMessageAlignsTranslationsTo8)
{
  tf2_msgs::msg::TFMessage tf;
  tf.transforms.push_back(transform("map", "odom", 1.0, 2.0, 0.0, 0.0, 1.0));
  tf.transforms.push_back(transform(
    "base_link", "laser_front", 0.25, 0.0, 0.10000000000000001, 0.70710678118654746,
    0.70710678118654757));
  expect_golden(tf, "tf2_msgs__TFMessage");
}

TEST(CdrGolden, PoseStamped)
{
  geometry_msgs::msg::PoseStamped pose;
  pose.header = header(1700000000, 750000000, "map");
  pose.pose.position.x = 1.5;
  pose.pose.position.y = -2.25;
  pose.pose.orientation.z = 0.38268343236508978;
  pose.pose.orientation.w = 0.92387953251128674;
  expect_golden(pose, "geometry_msgs__PoseStamped");
}

TEST(CdrGolden, MarkerArrayWithAndWithoutPoints)
{
  visualization_msgs::msg::Marker track;
  track.header = header(1700000000, 500000000, "map");
  track.ns = "tracks";
  track.id = 7;
  track.type = visualization_msgs::msg::Marker::LINE_STRIP;
  track.scale.x = 0.05;
  track.color = color(1, 0, 0, 1);
  track.lifetime.nanosec = 500000000;
  track.points = {point(0, 0, 0), point(1, 0.5, 0), point(2, 1, 0)};
  track.colors = {color(1, 0, 0, 1), color(0, 1, 0, 1), color(0, 0, 1, 0.5f)};

  visualization_msgs::msg::Marker label;
  label.header = track.header;
  label.ns = "labels";
  label.id = 8;
  label.type = visualization_msgs::msg::Marker::TEXT_VIEW_FACING;
  label.pose.position = point(1, 2, 0.5);
  label.scale.z = 0.29999999999999999;
  label.color = color(1, 1, 1, 1);
  label.text = "person 7";

  visualization_msgs::msg::MarkerArray markers;
  markers.markers = {track, label};
  expect_golden(markers, "visualization_msgs__MarkerArray");
}

// The type support hands the same bytes to a transport and builds the message back.
TEST(CdrGolden, TypeSupportIsTheSameConversion)
{
  const auto & support = ros2_compat::cdr::get_message_type_support<std_msgs::msg::Header>();
  EXPECT_STREQ(support.type_name, "std_msgs/msg/Header");
  const auto message = header(1700000000, 123456789, "laser_front");
  std::vector<uint8_t> payload{9, 9, 9};
  support.serialize(&message, payload);
  EXPECT_EQ(payload, golden_payload("std_msgs__Header"));
  const auto back = support.deserialize(payload.data(), payload.size());
  EXPECT_EQ(*std::static_pointer_cast<const std_msgs::msg::Header>(back), message);
}
