#include "quillon_tools/simulation/person_outline.hpp"

#include <cmath>
#include <stdexcept>

namespace quillon_tools
{

void validate(const LegShape & shape)
{
  const auto require = [](bool ok, const char * what) {
    if (!ok) {
      throw std::invalid_argument(std::string("leg shape: ") + what);
    }
  };
  require(std::isfinite(shape.radius) && shape.radius > 0.0, "radius must be positive");
  require(std::isfinite(shape.side_offset) && shape.side_offset >= 0.0, "side_offset must be >= 0");
  require(std::isfinite(shape.trouser_gap) && shape.trouser_gap >= 0.0, "trouser_gap must be >= 0");
  require(
    std::isfinite(shape.max_incidence) && shape.max_incidence > 0.0 &&
      shape.max_incidence <= 0.5 * M_PI,
    "max_incidence must be in (0, pi/2]");
}

PersonOutline personOutline(
  int owner, const std::array<Eigen::Vector2d, 2> & leg_centres, const LegShape & shape)
{
  PersonOutline outline;
  outline.owner = owner;
  outline.max_incidence = shape.max_incidence;
  for (size_t k = 0; k < 2; ++k) {
    outline.legs[k] = {leg_centres[k], shape.radius};
  }
  const Eigen::Vector2d apart = leg_centres[1] - leg_centres[0];
  const double distance = apart.norm();
  const double gap = distance - 2.0 * shape.radius;
  if (shape.trouser_gap > 0.0 && gap < shape.trouser_gap && distance > 0.0) {
    // Both legs have the same radius, so the outer tangents run parallel to the line between
    // their centres, one radius to either side.
    const Eigen::Vector2d side = shape.radius * Eigen::Vector2d(-apart.y(), apart.x()) / distance;
    outline.cloth.push_back({leg_centres[0] + side, leg_centres[1] + side});
    outline.cloth.push_back({leg_centres[0] - side, leg_centres[1] - side});
  }
  return outline;
}

}  // namespace quillon_tools
