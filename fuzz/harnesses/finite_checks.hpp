// Checks that a published message carries no NaN or infinity in any numeric field that a
// consumer reads as a number (poses, outlines, velocities, marker geometry, cloud points).
// Messages are only built on a failure: the checks run on every output of every input.
#ifndef QUILLON_FUZZ__FINITE_CHECKS_HPP_
#define QUILLON_FUZZ__FINITE_CHECKS_HPP_

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "invariant.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_fuzz
{

inline void requireFinite(double value, const std::string & where)
{
  if (!std::isfinite(value)) {
    invariantBroken(where + " is " + std::to_string(value));
  }
}

inline bool isFinitePose(const geometry_msgs::msg::Pose & pose)
{
  const auto & p = pose.position;
  const auto & q = pose.orientation;
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(q.x) &&
         std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

// Names the first non-finite field of `o`, or nullptr.
inline const char * nonFiniteField(const quillon_protocol::msg::Object & o)
{
  if (!isFinitePose(o.pose)) {
    return "pose";
  }
  for (const auto & p : o.polygon) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return "polygon";
    }
  }
  const double fields[] = {o.width,       o.length,     o.aspect_ratio, o.area,
                           o.compactness, o.velocity_x, o.velocity_y,   o.speed,
                           o.range,       o.bearing,    o.reserved_0,   o.reserved_1,
                           o.reserved_2,  o.reserved_3, o.reserved_4,   o.reserved_5};
  for (const double value : fields) {
    if (!std::isfinite(value)) {
      return "scalar field";
    }
  }
  return nullptr;
}

inline void requireFiniteObjects(
  const quillon_protocol::msg::ObjectList & list, const std::string & topic)
{
  for (std::size_t i = 0; i < list.objects.size(); ++i) {
    if (const char * field = nonFiniteField(list.objects[i])) {
      invariantBroken(topic + " object " + std::to_string(i) + ": " + field + " not finite");
    }
  }
}

inline const char * nonFiniteField(const visualization_msgs::msg::Marker & m)
{
  if (!isFinitePose(m.pose)) {
    return "pose";
  }
  if (!std::isfinite(m.scale.x) || !std::isfinite(m.scale.y) || !std::isfinite(m.scale.z)) {
    return "scale";
  }
  if (!std::isfinite(m.color.r + m.color.g + m.color.b + m.color.a)) {
    return "colour";
  }
  for (const auto & p : m.points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return "point";
    }
  }
  for (const auto & c : m.colors) {
    if (!std::isfinite(c.r + c.g + c.b + c.a)) {
      return "point colour";
    }
  }
  return nullptr;
}

inline void requireFiniteMarkers(
  const visualization_msgs::msg::MarkerArray & array, const std::string & topic)
{
  for (std::size_t i = 0; i < array.markers.size(); ++i) {
    if (const char * field = nonFiniteField(array.markers[i])) {
      invariantBroken(topic + " marker " + std::to_string(i) + ": " + field + " not finite");
    }
  }
}

// Every FLOAT32/FLOAT64 coordinate field of every point in the cloud's data.
inline void requireFiniteCloud(
  const sensor_msgs::msg::PointCloud2 & cloud, const std::string & topic)
{
  const std::size_t points = static_cast<std::size_t>(cloud.width) * cloud.height;
  if (points * cloud.point_step > cloud.data.size()) {
    invariantBroken(topic + " cloud data shorter than width * height * point_step");
  }
  for (const auto & field : cloud.fields) {
    const bool is_float = field.datatype == sensor_msgs::msg::PointField::FLOAT32;
    const bool is_double = field.datatype == sensor_msgs::msg::PointField::FLOAT64;
    // "rgb"/"rgba" carry four colour bytes in a float's bits, which may read as NaN.
    if ((!is_float && !is_double) || field.name == "rgb" || field.name == "rgba") {
      continue;
    }
    for (std::size_t k = 0; k < points; ++k) {
      const uint8_t * at = cloud.data.data() + k * cloud.point_step + field.offset;
      double value;
      if (is_float) {
        float f;
        std::memcpy(&f, at, sizeof(f));
        value = f;
      } else {
        std::memcpy(&value, at, sizeof(value));
      }
      if (!std::isfinite(value)) {
        invariantBroken(topic + " point " + std::to_string(k) + " field " + field.name);
      }
    }
  }
}

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__FINITE_CHECKS_HPP_
