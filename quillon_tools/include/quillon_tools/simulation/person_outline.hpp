#ifndef QUILLON_TOOLS__SIMULATION__PERSON_OUTLINE_HPP_
#define QUILLON_TOOLS__SIMULATION__PERSON_OUTLINE_HPP_

#include <array>
#include <vector>

#include <Eigen/Core>

#include "quillon_tools/simulation/ray_casting.hpp"
#include "quillon_tools/simulation/walker.hpp"

namespace quillon_tools
{

// How people's legs look at the scanners' height. The defaults are bare round legs that return
// every beam; realisticLegs() (scanner_model.hpp) gives people as real scanners see them.
struct LegShape
{
  double radius = LEG_RADIUS;
  // Sideways distance of each leg's centre from the line the person walks along.
  double side_offset = LEG_SIDE_OFFSET;
  // Trousers join the legs with cloth while their surfaces are closer than this (m); 0 for
  // bare legs.
  double trouser_gap = 0.0;
  // A beam meeting a leg more than this angle (rad) off the surface normal brings no echo back:
  // dark cloth scatters a grazing beam away. pi/2 lets every beam return.
  double max_incidence = 1.5707963267948966;
};

// Throws std::invalid_argument naming the first bad field.
void validate(const LegShape & shape);

// What one person shows the scanners at one instant.
struct PersonOutline
{
  // The caller's number for the person (the simulator's walker index), reported by ray hits.
  int owner = -1;
  std::array<Circle, 2> legs;
  // The trousers' cloth spanning the gap on both sides of the legs; empty while apart.
  std::vector<Segment> cloth;
  double max_incidence = 1.5707963267948966;
};

// The outline of legs standing at the given centres. Cloth joins them (as the two lines
// touching both legs on the outside) while their surfaces are closer than the trouser gap.
PersonOutline personOutline(
  int owner, const std::array<Eigen::Vector2d, 2> & leg_centres, const LegShape & shape);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__PERSON_OUTLINE_HPP_
