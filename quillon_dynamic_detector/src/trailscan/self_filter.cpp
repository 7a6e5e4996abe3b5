#include "quillon_dynamic_detector/self_filter.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace quillon_dynamic_detector
{
namespace
{

using sensor_msgs::msg::LaserScan;

// The outline bounds the body: a return this close to an edge counts as on it, so that returns
// on the edge stay inside whatever rounding single-precision ranges and the mount bring.
constexpr double EDGE_TOLERANCE = 1e-6;

bool onEdge(const FootprintVertex & a, const FootprintVertex & b, double x, double y)
{
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double length_squared = dx * dx + dy * dy;
  const double t = length_squared > 0.0
                     ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / length_squared, 0.0, 1.0)
                     : 0.0;
  return std::hypot(a.x + t * dx - x, a.y + t * dy - y) <= EDGE_TOLERANCE;
}

bool onAngleRange(const std::vector<BeamAngleRange> & ranges, double angle)
{
  return std::any_of(ranges.begin(), ranges.end(), [angle](const BeamAngleRange & range) {
    return range.from <= angle && angle <= range.to;
  });
}

bool isRobotReturn(const LaserScan & scan, std::size_t beam, const SelfFilter & filter)
{
  const double angle = static_cast<double>(scan.angle_min) +
                       static_cast<double>(beam) * static_cast<double>(scan.angle_increment);
  if (onAngleRange(filter.angle_ranges, angle)) {
    return true;
  }
  const double range = scan.ranges[beam];
  if (filter.footprint.empty() || !std::isfinite(range)) {
    return false;
  }
  const double x = range * std::cos(angle);
  const double y = range * std::sin(angle);
  const Eigen::Matrix4f & m = filter.sensor_to_base;
  return insideOutline(
    filter.footprint, m(0, 0) * x + m(0, 1) * y + m(0, 3), m(1, 0) * x + m(1, 1) * y + m(1, 3));
}

}  // namespace

bool insideOutline(const std::vector<FootprintVertex> & outline, double x, double y)
{
  if (outline.size() < 3) {
    return false;
  }
  // Even-odd rule: a ray towards +x crosses the outline an odd number of times from inside.
  bool inside = false;
  for (std::size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++) {
    const FootprintVertex & a = outline[j];
    const FootprintVertex & b = outline[i];
    if (onEdge(a, b, x, y)) {
      return true;
    }
    if ((b.y > y) != (a.y > y) && x < b.x + (y - b.y) * (a.x - b.x) / (a.y - b.y)) {
      inside = !inside;
    }
  }
  return inside;
}

LaserScan::ConstSharedPtr removeRobotReturns(
  const LaserScan::ConstSharedPtr & scan, const SelfFilter & filter)
{
  if (filter.removesNothing()) {
    return scan;
  }
  LaserScan::SharedPtr filtered;
  for (std::size_t i = 0; i < scan->ranges.size(); ++i) {
    if (std::isnan(scan->ranges[i]) || !isRobotReturn(*scan, i, filter)) {
      continue;
    }
    if (!filtered) {
      filtered = std::make_shared<LaserScan>(*scan);
    }
    filtered->ranges[i] = std::numeric_limits<float>::quiet_NaN();
  }
  return filtered ? filtered : scan;
}

}  // namespace quillon_dynamic_detector
