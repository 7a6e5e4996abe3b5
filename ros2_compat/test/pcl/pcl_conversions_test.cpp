#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "pcl_conversions/pcl_conversions.h"
#include "pcl_ros/transforms.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"

namespace
{

std::vector<uint8_t> fromHex(const std::string & hex)
{
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

pcl::PointXYZRGB colouredPoint(float x, float y, float z, uint8_t r, uint8_t g, uint8_t b)
{
  pcl::PointXYZRGB p;
  p.x = x;
  p.y = y;
  p.z = z;
  p.r = r;
  p.g = g;
  p.b = b;
  return p;
}

}  // namespace

// The three-point cloud that a Humble node converted with pcl::toROSMsg.
TEST(PclConversions, XyzRgbCloudHasHumbleLayoutAndBytes)
{
  pcl::PointCloud<pcl::PointXYZRGB> cloud;
  cloud.push_back(colouredPoint(1.0f, 2.0f, 0.5f, 255, 0, 0));
  cloud.push_back(colouredPoint(-1.5f, 0.25f, 0.0f, 0, 255, 0));
  cloud.push_back(colouredPoint(3.0f, -4.0f, 1.25f, 16, 32, 48));

  sensor_msgs::msg::PointCloud2 msg;
  pcl::toROSMsg(cloud, msg);

  // A default PCL header gives stamp 0 and an empty frame.
  EXPECT_EQ(msg.header.stamp.sec, 0);
  EXPECT_EQ(msg.header.stamp.nanosec, 0u);
  EXPECT_EQ(msg.header.frame_id, "");
  EXPECT_EQ(msg.height, 1u);
  EXPECT_EQ(msg.width, 3u);
  EXPECT_EQ(msg.point_step, 32u);
  EXPECT_EQ(msg.row_step, 96u);
  EXPECT_FALSE(msg.is_bigendian);
  EXPECT_TRUE(msg.is_dense);
  const std::vector<std::string> names{"x", "y", "z", "rgb"};
  const std::vector<uint32_t> offsets{0, 4, 8, 16};
  ASSERT_EQ(msg.fields.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(msg.fields[i].name, names[i]);
    EXPECT_EQ(msg.fields[i].offset, offsets[i]);
    EXPECT_EQ(msg.fields[i].datatype, sensor_msgs::msg::PointField::FLOAT32);
    EXPECT_EQ(msg.fields[i].count, 1u);
  }

  const std::vector<uint8_t> expected = fromHex(
    "0000803f000000400000003f0000803f0000ffff0000000000000000000000000000c0bf0000803e00000000"
    "0000803f00ff00ff00000000000000000000000000004040000080c00000a03f0000803f302010ff00000000"
    "0000000000000000");
  ASSERT_EQ(msg.data.size(), expected.size());
  // Bytes 20..31 of every point are padding that PCL leaves uninitialised.
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (i % 32 < 20) {
      EXPECT_EQ(msg.data[i], expected[i]) << "byte " << i;
    }
  }
}

TEST(PclConversions, StampsTravelInMicroseconds)
{
  pcl::PointCloud<pcl::PointXYZ> cloud;
  cloud.header.stamp = 1700000000123456ull;
  cloud.header.frame_id = "laser";
  sensor_msgs::msg::PointCloud2 msg;
  pcl::toROSMsg(cloud, msg);
  EXPECT_EQ(msg.header.stamp.sec, 1700000000);
  EXPECT_EQ(msg.header.stamp.nanosec, 123456000u);
  EXPECT_EQ(msg.header.frame_id, "laser");
  // An empty cloud still gets one row and a width of zero; XYZ points are 16 bytes apart.
  EXPECT_EQ(msg.height, 1u);
  EXPECT_EQ(msg.width, 0u);
  EXPECT_EQ(msg.point_step, 16u);
  EXPECT_TRUE(msg.data.empty());

  std_msgs::msg::Header header;
  header.stamp.sec = 5;
  header.stamp.nanosec = 123456789;
  pcl::PCLHeader pcl_header;
  pcl_conversions::toPCL(header, pcl_header);
  EXPECT_EQ(pcl_header.stamp, 5123456ull);
}

TEST(PclRos, TransformAsMatrixNormalisesTheQuaternionAndIgnoresTheHeader)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.frame_id = "base_footprint";
  t.child_frame_id = "base_scan_01";
  t.transform.translation.x = 0.25;
  t.transform.translation.y = -0.5;
  t.transform.translation.z = 0.1;
  // A quarter turn about z, given with twice the unit length.
  t.transform.rotation.z = 2.0 * std::sin(M_PI / 4.0);
  t.transform.rotation.w = 2.0 * std::cos(M_PI / 4.0);

  Eigen::Matrix4f m;
  m.setConstant(42.0f);
  pcl_ros::transformAsMatrix(t, m);

  Eigen::Matrix4f expected;
  expected << 0, -1, 0, 0.25f,  //
    1, 0, 0, -0.5f,             //
    0, 0, 1, 0.1f,              //
    0, 0, 0, 1;
  EXPECT_TRUE(m.isApprox(expected, 1e-6f)) << m;
  EXPECT_EQ(m(3, 0), 0.0f);
  EXPECT_EQ(m(3, 3), 1.0f);

  // A point of the scanner lands where the mounting puts it.
  const Eigen::Vector4f p = m * Eigen::Vector4f(1.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_NEAR(p.x(), 0.25f, 1e-6f);
  EXPECT_NEAR(p.y(), 0.5f, 1e-6f);
}
