#include "quillon_tools/simulation/world.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "quillon_tools/simulation/ray_casting.hpp"

namespace quillon_tools
{

namespace
{

Eigen::Vector2d rotated(const Eigen::Vector2d & v, double yaw)
{
  const double c = std::cos(yaw);
  const double s = std::sin(yaw);
  return {c * v.x() - s * v.y(), s * v.x() + c * v.y()};
}

// Corners of a length x width rectangle, counter-clockwise.
std::vector<Eigen::Vector2d> rectangle(
  const Eigen::Vector2d & centre, double length, double width, double yaw)
{
  const double hl = 0.5 * length;
  const double hw = 0.5 * width;
  std::vector<Eigen::Vector2d> corners;
  for (const Eigen::Vector2d & local :
       {Eigen::Vector2d(hl, hw), Eigen::Vector2d(-hl, hw), Eigen::Vector2d(-hl, -hw),
        Eigen::Vector2d(hl, -hw)}) {
    corners.push_back(centre + rotated(local, yaw));
  }
  return corners;
}

bool insideConvex(const std::vector<Eigen::Vector2d> & polygon, const Eigen::Vector2d & p)
{
  for (size_t i = 0; i < polygon.size(); ++i) {
    const Eigen::Vector2d edge = polygon[(i + 1) % polygon.size()] - polygon[i];
    const Eigen::Vector2d to_p = p - polygon[i];
    if (edge.x() * to_p.y() - edge.y() * to_p.x() < 0.0) {
      return false;
    }
  }
  return true;
}

}  // namespace

void World::addWall(const Eigen::Vector2d & a, const Eigen::Vector2d & b)
{
  segments_.push_back({a, b});
}

void World::addOutline(const std::vector<Eigen::Vector2d> & corners)
{
  for (size_t i = 0; i < corners.size(); ++i) {
    addWall(corners[i], corners[(i + 1) % corners.size()]);
  }
}

void World::addRoundFurniture(
  const std::string & kind, const Eigen::Vector2d & centre, double radius)
{
  circles_.push_back({centre, radius});
  furniture_.push_back({kind, centre.x(), centre.y(), radius});
}

void World::addBox(const Eigen::Vector2d & centre, double length, double width, double yaw)
{
  const auto corners = rectangle(centre, length, width, yaw);
  for (size_t i = 0; i < corners.size(); ++i) {
    segments_.push_back({corners[i], corners[(i + 1) % corners.size()]});
  }
  boxes_.push_back(corners);
  furniture_.push_back({"box", centre.x(), centre.y(), 0.5 * std::hypot(length, width)});
}

void World::addLeggedFurniture(
  const std::string & kind, const Eigen::Vector2d & centre, double length, double width, double yaw,
  double leg_radius)
{
  constexpr double inset = 0.03;
  for (const auto & corner : rectangle(centre, length - 2.0 * inset, width - 2.0 * inset, yaw)) {
    addRoundFurniture(kind, corner, leg_radius);
  }
}

void World::addTable(const Eigen::Vector2d & centre, double length, double width, double yaw)
{
  addLeggedFurniture("table_leg", centre, length, width, yaw, 0.025);
}

void World::addChair(const Eigen::Vector2d & centre, double yaw)
{
  addLeggedFurniture("chair_leg", centre, 0.44, 0.44, yaw, 0.015);
}

void World::addPillar(const Eigen::Vector2d & centre, double radius)
{
  addRoundFurniture("pillar", centre, radius);
}

double World::castRay(
  const Eigen::Vector2d & origin, const Eigen::Vector2d & direction,
  const std::vector<Circle> & extra_circles) const
{
  double nearest = std::numeric_limits<double>::infinity();
  for (const auto & s : segments_) {
    nearest = std::min(nearest, rayToSegment(origin, direction, s.a, s.b));
  }
  for (const auto * circles : {&circles_, &extra_circles}) {
    for (const auto & c : *circles) {
      nearest = std::min(nearest, rayToCircle(origin, direction, c.centre, c.radius));
    }
  }
  return nearest;
}

double World::clearance(const Eigen::Vector2d & point) const
{
  double nearest = std::numeric_limits<double>::infinity();
  for (const auto & s : segments_) {
    nearest = std::min(nearest, pointToSegment(point, s.a, s.b));
  }
  for (const auto & c : circles_) {
    nearest = std::min(nearest, (point - c.centre).norm() - c.radius);
  }
  for (const auto & box : boxes_) {
    if (insideConvex(box, point)) {
      return -std::max(nearest, 1e-9);
    }
  }
  return nearest;
}

}  // namespace quillon_tools
