#ifndef QUILLON_TOOLS__SIMULATION__WORLD_HPP_
#define QUILLON_TOOLS__SIMULATION__WORLD_HPP_

#include <string>
#include <vector>

#include <Eigen/Core>

#include "quillon_tools/ground_truth.hpp"

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

// The static scene in "odom": walls, round furniture (legs, pillars) and boxes. Boxes are kept
// as their four edges for ray casting and as corner polygons for the inside test.
class World
{
public:
  void addWall(const Eigen::Vector2d & a, const Eigen::Vector2d & b);
  // Closed outline through the corners, in order.
  void addOutline(const std::vector<Eigen::Vector2d> & corners);
  void addRoundFurniture(const std::string & kind, const Eigen::Vector2d & centre, double radius);
  void addBox(const Eigen::Vector2d & centre, double length, double width, double yaw);
  // Four legs of radius leg_radius inset 0.03 m from the corners of a length x width top.
  void addLeggedFurniture(
    const std::string & kind, const Eigen::Vector2d & centre, double length, double width,
    double yaw, double leg_radius);
  void addTable(const Eigen::Vector2d & centre, double length, double width, double yaw = 0.0);
  void addChair(const Eigen::Vector2d & centre, double yaw = 0.0);
  void addPillar(const Eigen::Vector2d & centre, double radius);

  // Range to the nearest surface along the ray, also against the extra circles (people's
  // legs); +inf when nothing is hit.
  double castRay(
    const Eigen::Vector2d & origin, const Eigen::Vector2d & direction,
    const std::vector<Circle> & extra_circles) const;

  // Distance from a point to the nearest surface; negative inside a circle or box.
  double clearance(const Eigen::Vector2d & point) const;

  const std::vector<Segment> & segments() const { return segments_; }
  const std::vector<Circle> & circles() const { return circles_; }
  const std::vector<Furniture> & furniture() const { return furniture_; }

private:
  std::vector<Segment> segments_;
  std::vector<Circle> circles_;
  std::vector<std::vector<Eigen::Vector2d>> boxes_;
  std::vector<Furniture> furniture_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__WORLD_HPP_
