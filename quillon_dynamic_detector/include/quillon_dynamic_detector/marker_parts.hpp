#ifndef QUILLON_DYNAMIC_DETECTOR__MARKER_PARTS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__MARKER_PARTS_HPP_

#include <cstdint>
#include <string>

#include "builtin_interfaces/msg/duration.hpp"
#include "geometry_msgs/msg/point.hpp"
#include "std_msgs/msg/color_rgba.hpp"
#include "std_msgs/msg/header.hpp"
#include "visualization_msgs/msg/marker.hpp"

// What every marker of trailscan's tracks and trailmerge's fused objects is built from.
namespace quillon_dynamic_detector::marker_parts
{

// s: markers vanish on their own this long after their last drawing, so that nothing stays on
// screen when a program stops sending (trailmerge's "marker_lifetime" defaults to it).
constexpr double DEFAULT_LIFETIME_S = 0.3;

inline std_msgs::msg::ColorRGBA rgba(float r, float g, float b, float a = 1.0f)
{
  std_msgs::msg::ColorRGBA color;
  color.r = r;
  color.g = g;
  color.b = b;
  color.a = a;
  return color;
}

inline geometry_msgs::msg::Point point(double x, double y, double z)
{
  geometry_msgs::msg::Point p;
  p.x = x;
  p.y = y;
  p.z = z;
  return p;
}

// A marker drawn (ADD) under `ns` and `id` in `header`'s frame at its stamp, with an identity
// pose, which vanishes `lifetime` after this drawing unless drawn again.
inline visualization_msgs::msg::Marker drawn(
  const std::string & ns, int32_t id, int32_t type, const std_msgs::msg::Header & header,
  const builtin_interfaces::msg::Duration & lifetime)
{
  visualization_msgs::msg::Marker m;
  m.header = header;
  m.ns = ns;
  m.id = id;
  m.type = type;
  m.action = visualization_msgs::msg::Marker::ADD;
  m.lifetime = lifetime;
  return m;
}

// The removal of what was drawn under `ns` and `id`: nothing else is set.
inline visualization_msgs::msg::Marker removal(const std::string & ns, int32_t id)
{
  visualization_msgs::msg::Marker m;
  m.ns = ns;
  m.id = id;
  m.action = visualization_msgs::msg::Marker::DELETE;
  return m;
}

}  // namespace quillon_dynamic_detector::marker_parts

#endif  // QUILLON_DYNAMIC_DETECTOR__MARKER_PARTS_HPP_
