// tf2 conversions for geometry_msgs: toMsg/fromMsg between tf2's LinearMath types and the
// messages, the stamp and frame of stamped messages, and doTransform, which (as in Humble) goes
// through orocos-kdl and takes the output header from the transform.
#ifndef TF2_GEOMETRY_MSGS__TF2_GEOMETRY_MSGS_HPP_
#define TF2_GEOMETRY_MSGS__TF2_GEOMETRY_MSGS_HPP_

#include <string>

#include "geometry_msgs/msg/point.hpp"
#include "geometry_msgs/msg/point32.hpp"
#include "geometry_msgs/msg/point_stamped.hpp"
#include "geometry_msgs/msg/pose.hpp"
#include "geometry_msgs/msg/pose_stamped.hpp"
#include "geometry_msgs/msg/quaternion.hpp"
#include "geometry_msgs/msg/quaternion_stamped.hpp"
#include "geometry_msgs/msg/transform.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "geometry_msgs/msg/vector3.hpp"
#include "geometry_msgs/msg/vector3_stamped.hpp"
#include "kdl/frames.hpp"
#include "tf2/LinearMath/Quaternion.h"
#include "tf2/LinearMath/Transform.h"
#include "tf2/LinearMath/Vector3.h"
#include "tf2/convert.h"
#include "tf2_ros/buffer_interface.h"

namespace tf2
{

// KDL builds the rotation matrix from the quaternion without normalising it.
inline KDL::Frame gmTransformToKDL(const geometry_msgs::msg::TransformStamped & t)
{
  const auto & r = t.transform.rotation;
  const auto & v = t.transform.translation;
  return KDL::Frame(KDL::Rotation::Quaternion(r.x, r.y, r.z, r.w), KDL::Vector(v.x, v.y, v.z));
}

// ---- Vector3 ----

inline geometry_msgs::msg::Vector3 toMsg(const tf2::Vector3 & in)
{
  geometry_msgs::msg::Vector3 out;
  out.x = in.getX();
  out.y = in.getY();
  out.z = in.getZ();
  return out;
}

inline void fromMsg(const geometry_msgs::msg::Vector3 & in, tf2::Vector3 & out)
{
  out = tf2::Vector3(in.x, in.y, in.z);
}

// ---- Quaternion ----

inline geometry_msgs::msg::Quaternion toMsg(const tf2::Quaternion & in)
{
  geometry_msgs::msg::Quaternion out;
  out.x = in.getX();
  out.y = in.getY();
  out.z = in.getZ();
  out.w = in.getW();
  return out;
}

inline void fromMsg(const geometry_msgs::msg::Quaternion & in, tf2::Quaternion & out)
{
  out = tf2::Quaternion(in.x, in.y, in.z, in.w);
}

// ---- Transform ----

inline geometry_msgs::msg::Transform toMsg(const tf2::Transform & in)
{
  geometry_msgs::msg::Transform out;
  out.translation = toMsg(in.getOrigin());
  out.rotation = toMsg(in.getRotation());
  return out;
}

inline void fromMsg(const geometry_msgs::msg::Transform & in, tf2::Transform & out)
{
  tf2::Vector3 translation;
  fromMsg(in.translation, translation);
  out.setOrigin(translation);
  tf2::Quaternion rotation;
  fromMsg(in.rotation, rotation);
  out.setRotation(rotation);
}

// ---- Stamps and frames of stamped messages ----

template <>
inline tf2::TimePoint getTimestamp(const geometry_msgs::msg::PointStamped & t)
{
  return tf2_ros::fromMsg(t.header.stamp);
}

template <>
inline std::string getFrameId(const geometry_msgs::msg::PointStamped & t)
{
  return t.header.frame_id;
}

template <>
inline tf2::TimePoint getTimestamp(const geometry_msgs::msg::PoseStamped & t)
{
  return tf2_ros::fromMsg(t.header.stamp);
}

template <>
inline std::string getFrameId(const geometry_msgs::msg::PoseStamped & t)
{
  return t.header.frame_id;
}

template <>
inline tf2::TimePoint getTimestamp(const geometry_msgs::msg::Vector3Stamped & t)
{
  return tf2_ros::fromMsg(t.header.stamp);
}

template <>
inline std::string getFrameId(const geometry_msgs::msg::Vector3Stamped & t)
{
  return t.header.frame_id;
}

template <>
inline tf2::TimePoint getTimestamp(const geometry_msgs::msg::QuaternionStamped & t)
{
  return tf2_ros::fromMsg(t.header.stamp);
}

template <>
inline std::string getFrameId(const geometry_msgs::msg::QuaternionStamped & t)
{
  return t.header.frame_id;
}

template <>
inline tf2::TimePoint getTimestamp(const geometry_msgs::msg::TransformStamped & t)
{
  return tf2_ros::fromMsg(t.header.stamp);
}

template <>
inline std::string getFrameId(const geometry_msgs::msg::TransformStamped & t)
{
  return t.header.frame_id;
}

// ---- doTransform ----

template <>
inline void doTransform(
  const geometry_msgs::msg::Point & t_in, geometry_msgs::msg::Point & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  const KDL::Vector v = gmTransformToKDL(transform) * KDL::Vector(t_in.x, t_in.y, t_in.z);
  t_out.x = v[0];
  t_out.y = v[1];
  t_out.z = v[2];
}

template <>
inline void doTransform(
  const geometry_msgs::msg::Point32 & t_in, geometry_msgs::msg::Point32 & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  const KDL::Vector v = gmTransformToKDL(transform) * KDL::Vector(t_in.x, t_in.y, t_in.z);
  t_out.x = static_cast<float>(v[0]);
  t_out.y = static_cast<float>(v[1]);
  t_out.z = static_cast<float>(v[2]);
}

template <>
inline void doTransform(
  const geometry_msgs::msg::PointStamped & t_in, geometry_msgs::msg::PointStamped & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  doTransform(t_in.point, t_out.point, transform);
  t_out.header.stamp = transform.header.stamp;
  t_out.header.frame_id = transform.header.frame_id;
}

// Rotation only: a direction is not moved by the translation.
template <>
inline void doTransform(
  const geometry_msgs::msg::Vector3 & t_in, geometry_msgs::msg::Vector3 & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  const KDL::Vector v = gmTransformToKDL(transform).M * KDL::Vector(t_in.x, t_in.y, t_in.z);
  t_out.x = v[0];
  t_out.y = v[1];
  t_out.z = v[2];
}

template <>
inline void doTransform(
  const geometry_msgs::msg::Vector3Stamped & t_in, geometry_msgs::msg::Vector3Stamped & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  doTransform(t_in.vector, t_out.vector, transform);
  t_out.header.stamp = transform.header.stamp;
  t_out.header.frame_id = transform.header.frame_id;
}

template <>
inline void doTransform(
  const geometry_msgs::msg::Quaternion & t_in, geometry_msgs::msg::Quaternion & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  tf2::Quaternion rotation;
  tf2::Quaternion q_in;
  fromMsg(transform.transform.rotation, rotation);
  fromMsg(t_in, q_in);
  t_out = toMsg(rotation * q_in);
}

template <>
inline void doTransform(
  const geometry_msgs::msg::QuaternionStamped & t_in, geometry_msgs::msg::QuaternionStamped & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  doTransform(t_in.quaternion, t_out.quaternion, transform);
  t_out.header.stamp = transform.header.stamp;
  t_out.header.frame_id = transform.header.frame_id;
}

template <>
inline void doTransform(
  const geometry_msgs::msg::Pose & t_in, geometry_msgs::msg::Pose & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  const auto & p = t_in.position;
  const auto & q = t_in.orientation;
  const KDL::Frame pose(KDL::Rotation::Quaternion(q.x, q.y, q.z, q.w), KDL::Vector(p.x, p.y, p.z));
  const KDL::Frame out = gmTransformToKDL(transform) * pose;
  t_out.position.x = out.p[0];
  t_out.position.y = out.p[1];
  t_out.position.z = out.p[2];
  out.M.GetQuaternion(
    t_out.orientation.x, t_out.orientation.y, t_out.orientation.z, t_out.orientation.w);
}

template <>
inline void doTransform(
  const geometry_msgs::msg::PoseStamped & t_in, geometry_msgs::msg::PoseStamped & t_out,
  const geometry_msgs::msg::TransformStamped & transform)
{
  doTransform(t_in.pose, t_out.pose, transform);
  t_out.header.stamp = transform.header.stamp;
  t_out.header.frame_id = transform.header.frame_id;
}

}  // namespace tf2

#endif  // TF2_GEOMETRY_MSGS__TF2_GEOMETRY_MSGS_HPP_
