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

void World::addSegment(const Eigen::Vector2d & a, const Eigen::Vector2d & b, Material material)
{
  segments_.push_back({a, b});
  segment_materials_.push_back(material);
}

void World::addCircle(const Eigen::Vector2d & centre, double radius, Material material)
{
  circles_.push_back({centre, radius});
  circle_materials_.push_back(material);
}

void World::addWall(const Eigen::Vector2d & a, const Eigen::Vector2d & b)
{
  addSegment(a, b, Material::Matte);
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
  addCircle(centre, radius, Material::Matte);
  furniture_.push_back({kind, centre.x(), centre.y(), radius});
}

void World::addBox(const Eigen::Vector2d & centre, double length, double width, double yaw)
{
  addSolidRectangle("box", centre, length, width, yaw, Material::Matte);
}

void World::addSolidRectangle(
  const std::string & kind, const Eigen::Vector2d & centre, double length, double width, double yaw,
  Material material)
{
  const auto corners = rectangle(centre, length, width, yaw);
  for (size_t i = 0; i < corners.size(); ++i) {
    addSegment(corners[i], corners[(i + 1) % corners.size()], material);
  }
  boxes_.push_back(corners);
  furniture_.push_back({kind, centre.x(), centre.y(), 0.5 * std::hypot(length, width)});
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

void World::addPlant(const Eigen::Vector2d & centre, double radius, unsigned seed)
{
  // Leaves on a golden-angle spiral, sizes and offsets from the seed: deterministic clutter.
  constexpr int LEAVES = 14;
  constexpr double GOLDEN_ANGLE = 2.399963229728653;
  for (int k = 0; k < LEAVES; ++k) {
    const unsigned h = (seed + 1U) * 2654435761U + static_cast<unsigned>(k) * 40503U;
    const double jitter = static_cast<double>(h % 1000U) / 1000.0;
    const double r = radius * std::sqrt((k + 0.5) / LEAVES);
    const double a = k * GOLDEN_ANGLE + jitter;
    addCircle(
      centre + r * Eigen::Vector2d(std::cos(a), std::sin(a)), 0.005 + 0.005 * jitter,
      Material::Foliage);
  }
  furniture_.push_back({"plant", centre.x(), centre.y(), radius});
}

void World::addBin(const Eigen::Vector2d & centre, double radius)
{
  addCircle(centre, radius, Material::Dark);
  furniture_.push_back({"bin", centre.x(), centre.y(), radius});
}

void World::addBag(const Eigen::Vector2d & centre, double length, double width, double yaw)
{
  addSolidRectangle("bag", centre, length, width, yaw, Material::Dark);
}

void World::addGlassPane(const Eigen::Vector2d & a, const Eigen::Vector2d & b)
{
  addSegment(a, b, Material::Glass);
  const Eigen::Vector2d middle = 0.5 * (a + b);
  furniture_.push_back({"glass_pane", middle.x(), middle.y(), 0.5 * (b - a).norm()});
}

Material World::materialOf(int surface) const
{
  const auto segments = static_cast<int>(segments_.size());
  if (surface >= 0 && surface < segments) {
    return segment_materials_[static_cast<size_t>(surface)];
  }
  const int circle = surface - segments;
  if (circle >= 0 && circle < static_cast<int>(circles_.size())) {
    return circle_materials_[static_cast<size_t>(circle)];
  }
  return Material::Matte;
}

RayHit World::castRay(
  const Eigen::Vector2d & origin, const Eigen::Vector2d & direction,
  const std::vector<PersonOutline> & people) const
{
  RayHit hit;
  const Segment * nearest_segment = nullptr;
  const Circle * nearest_circle = nullptr;
  const auto take = [&](
                      double range, int person, int surface, const Segment * s, const Circle * c) {
    if (range < hit.range) {
      hit.range = range;
      hit.person = person;
      hit.surface = surface;
      nearest_segment = s;
      nearest_circle = c;
    }
  };
  int surface = 0;
  for (const auto & s : segments_) {
    take(rayToSegment(origin, direction, s.a, s.b), -1, surface++, &s, nullptr);
  }
  for (const auto & c : circles_) {
    take(rayToCircle(origin, direction, c.centre, c.radius), -1, surface++, nullptr, &c);
  }
  for (const auto & person : people) {
    int part = 0;
    for (const auto & leg : person.legs) {
      take(
        rayToCircle(origin, direction, leg.centre, leg.radius), person.owner, part++, nullptr,
        &leg);
    }
    for (const auto & s : person.cloth) {
      take(rayToSegment(origin, direction, s.a, s.b), person.owner, part++, &s, nullptr);
    }
  }
  if (nearest_segment != nullptr) {
    const Eigen::Vector2d along = (nearest_segment->b - nearest_segment->a).normalized();
    hit.cosine = std::abs(along.x() * direction.y() - along.y() * direction.x());
  } else if (nearest_circle != nullptr) {
    const Eigen::Vector2d normal =
      (origin + hit.range * direction - nearest_circle->centre) / nearest_circle->radius;
    hit.cosine = std::min(1.0, std::abs(normal.dot(direction)));
  }
  return hit;
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
