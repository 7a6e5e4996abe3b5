#ifndef QUILLON_DYNAMIC_DETECTOR__PLANAR_GEOMETRY_HPP_
#define QUILLON_DYNAMIC_DETECTOR__PLANAR_GEOMETRY_HPP_

#include <cmath>

#include "geometry_msgs/msg/point.hpp"

namespace quillon_dynamic_detector
{

constexpr double PI = 3.141592653589793;

// Distance in the plane (z ignored) between two points, in double precision.
inline double planarDistance(
  const geometry_msgs::msg::Point & a, const geometry_msgs::msg::Point & b)
{
  return std::hypot(a.x - b.x, a.y - b.y);
}

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__PLANAR_GEOMETRY_HPP_
