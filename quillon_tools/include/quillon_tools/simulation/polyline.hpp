#ifndef QUILLON_TOOLS__SIMULATION__POLYLINE_HPP_
#define QUILLON_TOOLS__SIMULATION__POLYLINE_HPP_

#include <vector>

#include <Eigen/Core>

namespace quillon_tools
{

// A path through points, addressed by distance along it. Distances outside [0, length()] are
// clamped to the ends.
class Polyline
{
public:
  // Needs at least one point; repeated points are dropped.
  explicit Polyline(const std::vector<Eigen::Vector2d> & points);

  double length() const { return cumulative_.back(); }
  Eigen::Vector2d pointAt(double distance) const;
  // Unit direction of the segment the distance falls on (of the next segment at a corner); the
  // last segment's at the end, +x for a single point.
  Eigen::Vector2d directionAt(double distance) const;

private:
  size_t segmentAt(double distance) const;

  std::vector<Eigen::Vector2d> points_;
  std::vector<double> cumulative_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__POLYLINE_HPP_
