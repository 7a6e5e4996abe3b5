#ifndef QUILLON_TOOLS__SIMULATION__WORLD_HPP_
#define QUILLON_TOOLS__SIMULATION__WORLD_HPP_

#include <limits>
#include <string>
#include <vector>

#include <Eigen/Core>

#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/simulation/person_outline.hpp"
#include "quillon_tools/simulation/ray_casting.hpp"

namespace quillon_tools
{

// The nearest surface along a ray, if any.
struct RayHit
{
  double range = std::numeric_limits<double>::infinity();
  // The owner of the person outline hit; -1 for the static scene (or nothing).
  int person = -1;
  // Which surface: the static scene's segments, then its circles; a person's legs 0 and 1, then
  // the cloth.
  int surface = -1;
  // Cosine of the angle between the ray and the surface normal.
  double cosine = 1.0;

  bool hit() const { return range != std::numeric_limits<double>::infinity(); }
  bool sameSurface(const RayHit & other) const
  {
    return person == other.person && surface == other.surface;
  }
};

// What a static surface is made of, for how often it sends a scanner's beam back.
enum class Material
{
  Matte,    // walls, wood, metal
  Dark,     // dark plastic and fabric: bins, bags
  Foliage,  // a plant's leaves
  Glass     // a pane that returns nothing
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
  // Clutter of real rooms, each furniture in the ground truth: a plant (leaves 1-2 cm across in
  // a crown of `radius`, placed by `seed`), a bin (a dark cylinder), a bag (a dark box) and a
  // glass pane (a wall the beams pass into without an echo).
  void addPlant(const Eigen::Vector2d & centre, double radius, unsigned seed);
  void addBin(const Eigen::Vector2d & centre, double radius);
  void addBag(const Eigen::Vector2d & centre, double length, double width, double yaw);
  void addGlassPane(const Eigen::Vector2d & a, const Eigen::Vector2d & b);

  // The material of a surface of the static scene (RayHit::surface of a hit with person -1).
  Material materialOf(int surface) const;

  // The nearest surface along the ray, the people's outlines included; range +inf when
  // nothing is hit.
  RayHit castRay(
    const Eigen::Vector2d & origin, const Eigen::Vector2d & direction,
    const std::vector<PersonOutline> & people) const;

  // Distance from a point to the nearest surface; negative inside a circle or box.
  double clearance(const Eigen::Vector2d & point) const;

  const std::vector<Segment> & segments() const { return segments_; }
  const std::vector<Circle> & circles() const { return circles_; }
  const std::vector<Furniture> & furniture() const { return furniture_; }

private:
  void addSegment(const Eigen::Vector2d & a, const Eigen::Vector2d & b, Material material);
  void addCircle(const Eigen::Vector2d & centre, double radius, Material material);
  // A length x width block: its edges for ray casting, its corners for the inside test.
  void addSolidRectangle(
    const std::string & kind, const Eigen::Vector2d & centre, double length, double width,
    double yaw, Material material);

  std::vector<Segment> segments_;
  std::vector<Circle> circles_;
  std::vector<Material> segment_materials_;
  std::vector<Material> circle_materials_;
  std::vector<std::vector<Eigen::Vector2d>> boxes_;
  std::vector<Furniture> furniture_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__WORLD_HPP_
