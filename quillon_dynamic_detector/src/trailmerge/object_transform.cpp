#include "quillon_dynamic_detector/object_transform.hpp"

#include <cmath>

#include "geometry_msgs/msg/point_stamped.hpp"
#include "geometry_msgs/msg/pose_stamped.hpp"
#include "tf2_geometry_msgs/tf2_geometry_msgs.hpp"

namespace quillon_dynamic_detector
{

using quillon_protocol::msg::Object;

namespace
{

// Through the stamped conversion, the one every tf2_geometry_msgs release provides.
geometry_msgs::msg::Point transformedPoint(
  double x, double y, double z, const geometry_msgs::msg::TransformStamped & transform)
{
  geometry_msgs::msg::PointStamped in;
  in.point.x = x;
  in.point.y = y;
  in.point.z = z;
  geometry_msgs::msg::PointStamped out;
  tf2::doTransform(in, out, transform);
  return out.point;
}

// Outline points are widened to double for the transform and narrowed back.
void transformOutlinePoint(
  geometry_msgs::msg::Point32 & corner, const geometry_msgs::msg::TransformStamped & transform)
{
  const auto moved = transformedPoint(corner.x, corner.y, corner.z, transform);
  corner.x = static_cast<float>(moved.x);
  corner.y = static_cast<float>(moved.y);
  corner.z = static_cast<float>(moved.z);
}

geometry_msgs::msg::Pose transformedPose(
  const geometry_msgs::msg::Pose & pose, const geometry_msgs::msg::TransformStamped & transform)
{
  geometry_msgs::msg::PoseStamped in;
  in.pose = pose;
  geometry_msgs::msg::PoseStamped out;
  tf2::doTransform(in, out, transform);
  return out.pose;
}

}  // namespace

void updateRangeAndBearing(Object & object)
{
  const auto & p = object.pose.position;
  object.range = std::hypot(p.x, p.y);
  object.bearing = std::atan2(p.y, p.x);
}

void transformVelocity(const geometry_msgs::msg::TransformStamped & transform, Object & out)
{
  // Carrying the tail and the tip of the velocity as points keeps the results identical to
  // transforming positions; the translation cancels in the difference.
  const auto tail = transformedPoint(0.0, 0.0, 0.0, transform);
  const auto tip = transformedPoint(out.velocity_x, out.velocity_y, 0.0, transform);
  out.velocity_x = tip.x - tail.x;
  out.velocity_y = tip.y - tail.y;
  out.speed = std::hypot(out.velocity_x, out.velocity_y);
}

Object applyTransform(const Object & object, const geometry_msgs::msg::TransformStamped & transform)
{
  Object out = object;
  out.pose = transformedPose(object.pose, transform);
  for (auto & corner : out.polygon) {
    transformOutlinePoint(corner, transform);
  }
  transformVelocity(transform, out);
  updateRangeAndBearing(out);
  return out;
}

}  // namespace quillon_dynamic_detector
