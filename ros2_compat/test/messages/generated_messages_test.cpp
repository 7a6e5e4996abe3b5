#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "geometry_msgs/msg/pose.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_field.hpp"
#include "visualization_msgs/msg/marker.hpp"

// Default construction follows the .msg defaults: only Quaternion has any (w = 1).
TEST(GeneratedMessages, DefaultsMatchTheInterfaceDefinitions)
{
  const geometry_msgs::msg::Pose pose;
  EXPECT_EQ(pose.position.x, 0.0);
  EXPECT_EQ(pose.orientation.x, 0.0);
  EXPECT_EQ(pose.orientation.w, 1.0);

  const geometry_msgs::msg::TransformStamped t;
  EXPECT_EQ(t.transform.rotation.w, 1.0);
  EXPECT_EQ(t.header.stamp.sec, 0);
  EXPECT_TRUE(t.header.frame_id.empty());

  const visualization_msgs::msg::Marker marker;
  EXPECT_EQ(marker.action, visualization_msgs::msg::Marker::ADD);
  EXPECT_EQ(marker.type, visualization_msgs::msg::Marker::ARROW);
  EXPECT_EQ(marker.color.a, 0.0f);
  EXPECT_EQ(marker.lifetime.sec, 0);
  EXPECT_EQ(marker.lifetime.nanosec, 0u);
  EXPECT_EQ(marker.pose.orientation.w, 1.0);
  EXPECT_TRUE(marker.texture.data.empty());
  EXPECT_TRUE(marker.uv_coordinates.empty());
  EXPECT_TRUE(marker.mesh_file.filename.empty());
  EXPECT_FALSE(marker.mesh_use_embedded_materials);

  // ZERO ignores .msg defaults; DEFAULTS_ONLY applies them.
  const geometry_msgs::msg::Quaternion zero(rosidl_runtime_cpp::MessageInitialization::ZERO);
  EXPECT_EQ(zero.w, 0.0);
  const geometry_msgs::msg::Quaternion defaults(
    rosidl_runtime_cpp::MessageInitialization::DEFAULTS_ONLY);
  EXPECT_EQ(defaults.w, 1.0);
}

TEST(GeneratedMessages, TypesConstantsAndTraitsMirrorRosidl)
{
  using Scan = sensor_msgs::msg::LaserScan;
  static_assert(std::is_same<decltype(Scan::ranges), std::vector<float>>::value, "");
  static_assert(std::is_same<decltype(Scan::header.frame_id), std::string>::value, "");
  static_assert(std::is_same<Scan::ConstSharedPtr, std::shared_ptr<const Scan>>::value, "");
  static_assert(std::is_same<Scan::UniquePtr, std::unique_ptr<Scan>>::value, "");
  static_assert(!std::is_aggregate<geometry_msgs::msg::Point>::value, "");
  static_assert(!std::is_convertible<rosidl_runtime_cpp::MessageInitialization, Scan>::value, "");
  static_assert(rosidl_generator_traits::is_message<Scan>::value, "");
  static_assert(
    std::is_same<decltype(visualization_msgs::msg::Marker::DELETEALL), const int32_t>::value, "");
  static_assert(
    std::is_same<decltype(sensor_msgs::msg::PointField::FLOAT32), const uint8_t>::value, "");
  EXPECT_EQ(sensor_msgs::msg::PointField::FLOAT32, 7);
  EXPECT_EQ(visualization_msgs::msg::Marker::TEXT_VIEW_FACING, 9);
  EXPECT_EQ(visualization_msgs::msg::Marker::DELETEALL, 3);
  EXPECT_STREQ(rosidl_generator_traits::name<Scan>(), "sensor_msgs/msg/LaserScan");
  EXPECT_STREQ(rosidl_generator_traits::data_type<Scan>(), "sensor_msgs::msg::LaserScan");

  Scan a;
  a.ranges = {1.0f, 2.0f};
  Scan b = a;
  EXPECT_EQ(a, b);
  b.header.frame_id = "laser";
  EXPECT_NE(a, b);
  EXPECT_EQ(&b.set__angle_min(0.5f), &b);
  EXPECT_EQ(b.angle_min, 0.5f);
}
