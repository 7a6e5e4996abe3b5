#ifndef QUILLON_TOOLS__SIMULATION__RAY_CASTING_HPP_
#define QUILLON_TOOLS__SIMULATION__RAY_CASTING_HPP_

#include <Eigen/Core>

namespace quillon_tools
{

struct Segment
{
  Eigen::Vector2d a;
  Eigen::Vector2d b;
};

struct Circle
{
  Eigen::Vector2d centre;
  double radius = 0.0;
};

// Exact intersections of a ray (origin, unit direction) with planar primitives. Each returns the
// distance along the ray to the nearest intersection strictly in front of the origin, or +inf.
double rayToSegment(
  const Eigen::Vector2d & origin, const Eigen::Vector2d & direction, const Eigen::Vector2d & a,
  const Eigen::Vector2d & b);

double rayToCircle(
  const Eigen::Vector2d & origin, const Eigen::Vector2d & direction, const Eigen::Vector2d & centre,
  double radius);

// Distance from a point to the closest point of segment ab.
double pointToSegment(
  const Eigen::Vector2d & point, const Eigen::Vector2d & a, const Eigen::Vector2d & b);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__RAY_CASTING_HPP_
