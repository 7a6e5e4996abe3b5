#include "quillon_tools/simulation/polyline.hpp"

#include <algorithm>
#include <stdexcept>

namespace quillon_tools
{

Polyline::Polyline(const std::vector<Eigen::Vector2d> & points)
{
  if (points.empty()) {
    throw std::invalid_argument("a path needs at least one point");
  }
  points_.push_back(points.front());
  cumulative_.push_back(0.0);
  for (size_t i = 1; i < points.size(); ++i) {
    const double length = (points[i] - points_.back()).norm();
    if (length > 0.0) {
      points_.push_back(points[i]);
      cumulative_.push_back(cumulative_.back() + length);
    }
  }
}

size_t Polyline::segmentAt(double distance) const
{
  // Index of the segment [i, i+1] holding the distance; the last one for the far end.
  const auto after = std::upper_bound(cumulative_.begin(), cumulative_.end(), distance);
  const auto index = static_cast<size_t>(std::max<std::ptrdiff_t>(after - cumulative_.begin(), 1));
  return std::min(index, points_.size() - 1) - 1;
}

Eigen::Vector2d Polyline::pointAt(double distance) const
{
  if (points_.size() == 1) {
    return points_.front();
  }
  const double d = std::clamp(distance, 0.0, length());
  const size_t i = segmentAt(d);
  return points_[i] + (d - cumulative_[i]) * directionAt(d);
}

Eigen::Vector2d Polyline::directionAt(double distance) const
{
  if (points_.size() == 1) {
    return Eigen::Vector2d::UnitX();
  }
  const size_t i = segmentAt(std::clamp(distance, 0.0, length()));
  return (points_[i + 1] - points_[i]).normalized();
}

}  // namespace quillon_tools
