#include <gtest/gtest.h>

#include <cmath>

#include "geometry_msgs/msg/point_stamped.hpp"
#include "geometry_msgs/msg/pose_stamped.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "tf2/LinearMath/Matrix3x3.h"
#include "tf2/LinearMath/Quaternion.h"
#include "tf2/LinearMath/Transform.h"
#include "tf2/convert.h"
#include "tf2/utils.h"
#include "tf2_geometry_msgs/tf2_geometry_msgs.hpp"
#include "tf2_scene.hpp"

namespace
{

geometry_msgs::msg::Quaternion yawQuaternion(double yaw)
{
  tf2::Quaternion q;
  q.setRPY(0.0, 0.0, yaw);
  return tf2::toMsg(q);
}

// map <- laser_front: translation (1, 2, 0), turned left by 90 degrees, stamped 42.5 s.
geometry_msgs::msg::TransformStamped mapFromLaser()
{
  return tf2_scene::transform("map", "laser_front", 42.5, 1.0, 2.0, M_PI / 2);
}

}  // namespace

TEST(GetYaw, ReturnsTheAtan2RangeForMessagesAndTf2Quaternions)
{
  EXPECT_EQ(-3.1415926535897931, tf2::getYaw(yawQuaternion(-M_PI)));
  EXPECT_EQ(-1.9999999999999998, tf2::getYaw(yawQuaternion(-2.0)));
  EXPECT_NEAR(0.3, tf2::getYaw(yawQuaternion(0.3)), 1e-15);
  EXPECT_NEAR(3.0, tf2::getYaw(yawQuaternion(3.0)), 1e-15);
  // 4 rad is beyond pi: the yaw comes back wrapped.
  EXPECT_NEAR(4.0 - 2 * M_PI, tf2::getYaw(yawQuaternion(4.0)), 1e-15);

  tf2::Quaternion scaled(0.0, 0.0, 2 * std::sin(0.6), 2 * std::cos(0.6));
  EXPECT_NEAR(1.2, tf2::getYaw(scaled), 1e-15);

  // Pitched straight up: yaw and roll merge and yaw is taken from x and y alone.
  tf2::Quaternion up;
  up.setRPY(0.4, M_PI / 2, 0.0);
  EXPECT_NEAR(2 * std::atan2(up.y(), up.x()), tf2::getYaw(up), 1e-15);
}

TEST(DoTransform, TakesPointsAndPosesIntoTheTransformsFrameAndStamp)
{
  geometry_msgs::msg::PointStamped point;
  point.header.frame_id = "laser_front";
  point.header.stamp.sec = 7;
  point.point.x = 1.0;
  point.point.z = 0.5;
  geometry_msgs::msg::PointStamped moved;
  tf2::doTransform(point, moved, mapFromLaser());
  EXPECT_NEAR(1.0, moved.point.x, 1e-15);
  EXPECT_NEAR(3.0, moved.point.y, 1e-15);
  EXPECT_NEAR(0.5, moved.point.z, 1e-15);
  EXPECT_EQ("map", moved.header.frame_id);
  EXPECT_EQ(42, moved.header.stamp.sec);
  EXPECT_EQ(500000000u, moved.header.stamp.nanosec);

  geometry_msgs::msg::PoseStamped pose;
  pose.header.frame_id = "laser_front";
  pose.pose.position.x = 1.0;
  pose.pose.orientation = yawQuaternion(0.3);
  geometry_msgs::msg::PoseStamped turned;
  tf2::doTransform(pose, turned, mapFromLaser());
  EXPECT_NEAR(0.3 + M_PI / 2, tf2::getYaw(turned.pose.orientation), 1e-12);
  EXPECT_NEAR(1.0, turned.pose.position.x, 1e-15);
  EXPECT_NEAR(3.0, turned.pose.position.y, 1e-15);
  EXPECT_EQ("map", turned.header.frame_id);

  // A direction turns but does not move; a quaternion is rotated by the transform's.
  geometry_msgs::msg::Vector3 direction;
  direction.x = 1.0;
  tf2::doTransform(direction, direction, mapFromLaser());
  EXPECT_NEAR(0.0, direction.x, 1e-15);
  EXPECT_NEAR(1.0, direction.y, 1e-15);
  geometry_msgs::msg::Quaternion heading = yawQuaternion(0.25);
  tf2::doTransform(heading, heading, mapFromLaser());
  EXPECT_NEAR(0.25 + M_PI / 2, tf2::getYaw(heading), 1e-12);

  geometry_msgs::msg::Point32 small;
  small.x = 2.0f;
  geometry_msgs::msg::Point32 small_out;
  tf2::doTransform(small, small_out, mapFromLaser());
  EXPECT_FLOAT_EQ(1.0f, small_out.x);
  EXPECT_FLOAT_EQ(4.0f, small_out.y);
}

TEST(DoTransform, UsesTheQuaternionWithoutNormalisingIt)
{
  auto doubled = tf2_scene::transform("map", "x", 0.0, 0.0, 0.0);
  doubled.transform.rotation.w = 2.0;  // |q|^2 = 4
  geometry_msgs::msg::Point p;
  p.x = 1.0;
  p.y = -0.5;
  tf2::doTransform(p, p, doubled);
  EXPECT_DOUBLE_EQ(4.0, p.x);
  EXPECT_DOUBLE_EQ(-2.0, p.y);
}

TEST(Conversions, RoundTripTransformsAndReadStampsAndFrames)
{
  const auto stamped = mapFromLaser();
  tf2::Transform transform;
  tf2::fromMsg(stamped.transform, transform);
  EXPECT_DOUBLE_EQ(1.0, transform.getOrigin().x());
  const tf2::Vector3 ahead = transform * tf2::Vector3(1.0, 0.0, 0.0);
  EXPECT_NEAR(1.0, ahead.x(), 1e-15);
  EXPECT_NEAR(3.0, ahead.y(), 1e-15);

  geometry_msgs::msg::Transform back;
  tf2::convert(transform, back);
  EXPECT_DOUBLE_EQ(2.0, back.translation.y);
  EXPECT_NEAR(stamped.transform.rotation.z, back.rotation.z, 1e-15);
  EXPECT_NEAR(stamped.transform.rotation.w, back.rotation.w, 1e-15);
  tf2::Quaternion q;
  tf2::convert(stamped.transform.rotation, q);
  EXPECT_EQ(stamped.transform.rotation.z, q.z());

  geometry_msgs::msg::PointStamped point;
  point.header.frame_id = "base_link";
  point.header.stamp.sec = 3;
  point.header.stamp.nanosec = 250;
  EXPECT_EQ("base_link", tf2::getFrameId(point));
  EXPECT_EQ(3000000250, tf2::getTimestamp(point).time_since_epoch().count());
}

TEST(LinearMath, MatricesFromQuaternionsAndEulerAngles)
{
  tf2::Quaternion q;
  q.setRPY(0.1, -0.2, 0.3);
  double roll, pitch, yaw;
  tf2::Matrix3x3(q).getRPY(roll, pitch, yaw);
  EXPECT_NEAR(0.1, roll, 1e-15);
  EXPECT_NEAR(-0.2, pitch, 1e-15);
  EXPECT_NEAR(0.3, yaw, 1e-15);

  // Column-major, as pcl_ros::transformAsMatrix reads it: m[4] is row 0 of column 1.
  tf2::Matrix3x3 quarter_turn(tf2::Quaternion(0.0, 0.0, M_SQRT1_2, M_SQRT1_2) * 3.0);
  double m[12];
  quarter_turn.getOpenGLSubMatrix(m);
  EXPECT_NEAR(0.0, m[0], 1e-15);
  EXPECT_NEAR(1.0, m[1], 1e-15);
  EXPECT_NEAR(-1.0, m[4], 1e-15);
  EXPECT_NEAR(1.0, m[10], 1e-15);
  EXPECT_EQ(0.0, m[3]);

  tf2::Quaternion half =
    tf2::slerp(tf2::Quaternion::getIdentity(), tf2::Quaternion(0.0, 0.0, 1.0, 0.0), 0.5);
  EXPECT_NEAR(M_PI / 2, tf2::getYaw(half), 1e-15);
  tf2::Quaternion unit = tf2::Quaternion(0.0, 3.0, 0.0, 4.0).normalized();
  EXPECT_DOUBLE_EQ(0.6, unit.y());

  const tf2::Transform pose(q, tf2::Vector3(1.0, 2.0, 3.0));
  const tf2::Vector3 p(0.5, -1.0, 2.0);
  const tf2::Vector3 round_trip = pose.inverse() * (pose * p);
  EXPECT_NEAR(p.x(), round_trip.x(), 1e-15);
  EXPECT_NEAR(p.y(), round_trip.y(), 1e-15);
  EXPECT_NEAR(p.z(), round_trip.z(), 1e-15);
}
