#include "quillon_tools/simulation/ray_casting.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon_tools
{

namespace
{
constexpr double INF = std::numeric_limits<double>::infinity();

double cross(const Eigen::Vector2d & u, const Eigen::Vector2d & v)
{
  return u.x() * v.y() - u.y() * v.x();
}
}  // namespace

double rayToSegment(
  const Eigen::Vector2d & origin, const Eigen::Vector2d & direction, const Eigen::Vector2d & a,
  const Eigen::Vector2d & b)
{
  const Eigen::Vector2d edge = b - a;
  const double denominator = cross(direction, edge);
  // A ray parallel to the segment sees at most its end on, which another segment or nothing
  // covers in every scene we build.
  if (denominator == 0.0) {
    return INF;
  }
  const Eigen::Vector2d to_a = a - origin;
  const double t = cross(to_a, edge) / denominator;
  const double u = cross(to_a, direction) / denominator;
  if (t <= 0.0 || u < 0.0 || u > 1.0) {
    return INF;
  }
  return t;
}

double rayToCircle(
  const Eigen::Vector2d & origin, const Eigen::Vector2d & direction, const Eigen::Vector2d & centre,
  double radius)
{
  const Eigen::Vector2d to_centre = centre - origin;
  const double along = to_centre.dot(direction);
  const double miss_squared = to_centre.squaredNorm() - along * along;
  const double radius_squared = radius * radius;
  if (miss_squared > radius_squared) {
    return INF;
  }
  const double half_chord = std::sqrt(radius_squared - miss_squared);
  const double near = along - half_chord;
  if (near > 0.0) {
    return near;
  }
  // Inside the circle the ray leaves through the far side.
  const double far = along + half_chord;
  return far > 0.0 ? far : INF;
}

double pointToSegment(
  const Eigen::Vector2d & point, const Eigen::Vector2d & a, const Eigen::Vector2d & b)
{
  const Eigen::Vector2d edge = b - a;
  const double length_squared = edge.squaredNorm();
  if (length_squared == 0.0) {
    return (point - a).norm();
  }
  const double u = std::clamp((point - a).dot(edge) / length_squared, 0.0, 1.0);
  return (point - (a + u * edge)).norm();
}

}  // namespace quillon_tools
