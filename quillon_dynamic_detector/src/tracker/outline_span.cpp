#include "quillon_dynamic_detector/outline_span.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon_dynamic_detector
{

OutlineSpan outlineSpan(const std::vector<geometry_msgs::msg::Point32> & outline)
{
  OutlineSpan span;
  const std::size_t n = outline.size();
  for (const auto & corner : outline) {
    if (!std::isfinite(corner.x) || !std::isfinite(corner.y)) {
      span.length = span.thickness = std::numeric_limits<double>::quiet_NaN();
      return span;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      span.length = std::max(
        span.length, std::hypot(
                       static_cast<double>(outline[j].x) - outline[i].x,
                       static_cast<double>(outline[j].y) - outline[i].y));
    }
  }
  if (n < 3) {
    return span;
  }
  // For a convex outline the narrowest enclosing strip lies along one of its edges: the farthest
  // corner from each edge's line is the strip's width there.
  double narrowest = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < n; ++i) {
    const auto & a = outline[i];
    const auto & b = outline[(i + 1) % n];
    const double ex = static_cast<double>(b.x) - a.x;
    const double ey = static_cast<double>(b.y) - a.y;
    const double edge = std::hypot(ex, ey);
    if (edge == 0.0) {
      continue;
    }
    double farthest = 0.0;
    for (const auto & c : outline) {
      const double cross =
        ex * (static_cast<double>(c.y) - a.y) - ey * (static_cast<double>(c.x) - a.x);
      farthest = std::max(farthest, std::fabs(cross) / edge);
    }
    narrowest = std::min(narrowest, farthest);
  }
  span.thickness = std::isfinite(narrowest) ? narrowest : 0.0;
  return span;
}

}  // namespace quillon_dynamic_detector
