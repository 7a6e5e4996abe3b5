// Builders for objects, object lists and planar transforms, so that each test reads as the
// situation it checks.
#ifndef OBJECT_BUILDERS_HPP_
#define OBJECT_BUILDERS_HPP_

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "builtin_interfaces/msg/time.hpp"
#include "geometry_msgs/msg/point32.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "quillon_protocol/msg/object.hpp"
#include "quillon_protocol/msg/object_list.hpp"

namespace object_builders
{

using quillon_protocol::msg::Object;
using quillon_protocol::msg::ObjectList;

inline geometry_msgs::msg::Point32 point32(float x, float y)
{
  geometry_msgs::msg::Point32 p;
  p.x = x;
  p.y = y;
  return p;
}

// A pedestrian-sized object centred at (x, y): a 0.2 m square outline, `point_count` points.
inline Object objectAt(double x, double y, int32_t point_count = 10)
{
  Object o;
  o.pose.position.x = x;
  o.pose.position.y = y;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  o.polygon = {
    point32(fx - 0.1f, fy - 0.1f), point32(fx + 0.1f, fy - 0.1f), point32(fx + 0.1f, fy + 0.1f),
    point32(fx - 0.1f, fy + 0.1f)};
  o.point_count = point_count;
  o.range = std::hypot(x, y);
  o.bearing = std::atan2(y, x);
  return o;
}

inline Object withVelocity(Object o, double vx, double vy)
{
  o.velocity_x = vx;
  o.velocity_y = vy;
  o.speed = std::hypot(vx, vy);
  return o;
}

inline Object pedestrian(Object o)
{
  o.classification = 1;
  return o;
}

// Every field that transforms and fusion only carry along gets a distinct value.
inline Object withShapeAndReserved(Object o)
{
  o.reserved_0 = 1.5;
  o.reserved_1 = 2.5;
  o.reserved_2 = 3.5;
  o.reserved_3 = 4.5;
  o.reserved_4 = 5.5;
  o.reserved_5 = 6.5;
  o.width = 0.3;
  o.length = 0.4;
  o.aspect_ratio = 0.4 / 0.3;
  o.area = 0.09;
  o.compactness = 0.7;
  return o;
}

inline builtin_interfaces::msg::Time stampAt(int64_t nanoseconds)
{
  builtin_interfaces::msg::Time t;
  t.sec = static_cast<int32_t>(nanoseconds / 1000000000);
  t.nanosec = static_cast<uint32_t>(nanoseconds % 1000000000);
  return t;
}

inline ObjectList objectList(
  const std::string & frame, const builtin_interfaces::msg::Time & stamp,
  std::vector<Object> objects)
{
  ObjectList list;
  list.header.frame_id = frame;
  list.header.stamp = stamp;
  list.sensor_name = "top_scan_01";
  list.sensor_type = 3;
  list.objects = std::move(objects);
  return list;
}

// Maps points of `child` into `parent`: rotation by `yaw` about z, then translation (x, y).
inline geometry_msgs::msg::TransformStamped planarTransform(
  const std::string & parent, const std::string & child, double x, double y, double yaw)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.frame_id = parent;
  t.child_frame_id = child;
  t.transform.translation.x = x;
  t.transform.translation.y = y;
  t.transform.rotation.z = std::sin(yaw / 2.0);
  t.transform.rotation.w = std::cos(yaw / 2.0);
  return t;
}

}  // namespace object_builders

#endif  // OBJECT_BUILDERS_HPP_
