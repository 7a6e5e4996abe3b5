#include "quillon_perception_libs/remembered_view.hpp"

#include <algorithm>
#include <cmath>

namespace orvane
{
namespace perception
{

void setReach(const sensor_msgs::msg::LaserScan & scan, RememberedView & view)
{
  view.reach.resize(scan.ranges.size());
  for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
    const float r = scan.ranges[i];
    if (r == INFINITY) {
      view.reach[i] = scan.range_max;  // nothing met up to the scanner's limit
    } else if (r > 0.0f && r >= scan.range_min && r <= scan.range_max) {
      view.reach[i] = r;
    } else {
      view.reach[i] = NO_INFORMATION;
    }
  }
}

SeeThroughMargins marginsSince(
  const RememberedView & view, const Odometer & now, const FreeSpaceSettings & settings)
{
  const double driven = now.distance - view.odometer.distance;
  const double turned = now.turned - view.odometer.turned;
  SeeThroughMargins margins;
  margins.range = static_cast<float>(settings.free_space_margin + settings.odometry_drift * driven);
  margins.range_per_m = static_cast<float>(settings.free_space_margin_per_m);
  margins.lateral = static_cast<float>(settings.lateral_margin + settings.odometry_drift * driven);
  margins.heading = static_cast<float>(settings.odometry_drift * turned);
  return margins;
}

bool seesThrough(const RememberedView & view, double x, double y, const SeeThroughMargins & margins)
{
  const Sweep & sweep = view.sweep;
  const long beams = static_cast<long>(view.reach.size());
  const float dx = static_cast<float>(x - sweep.start.x);
  const float dy = static_cast<float>(y - sweep.start.y);
  const float range_squared = dx * dx + dy * dy;
  if (!(range_squared > 0.0f)) {
    return false;
  }
  // Bearing from the first beam, within the turn centred on the field of view.
  const float increment = static_cast<float>(sweep.angle_increment);
  const float centre = 0.5f * increment * static_cast<float>(beams - 1);
  constexpr float TURN = static_cast<float>(2.0 * M_PI);
  float bearing =
    fastAtan2(dy, dx) - static_cast<float>(sweep.start.yaw) - static_cast<float>(sweep.angle_min);
  bearing -= TURN * std::floor((bearing - centre) / TURN + 0.5f);
  float index = bearing / increment;
  if (sweep.beam_time_step != 0.0 && index > -1.0f && index < static_cast<float>(beams)) {
    // The mirror reached that bearing later, from where the scanner had moved and turned by then:
    // shift the bearing to first order (the shift is small against the range).
    const float t = index * static_cast<float>(sweep.beam_time_step);
    const float sx = static_cast<float>(sweep.velocity.vx) * t;
    const float sy = static_cast<float>(sweep.velocity.vy) * t;
    const float turned = static_cast<float>(sweep.velocity.yaw_rate) * t;
    index += ((dy * sx - dx * sy) / range_squared - turned) / increment;
  }
  if (!(index > -1.0f && index < static_cast<float>(beams))) {
    return false;
  }
  const float range = std::sqrt(range_squared);
  // Beams to either side of the bearing; never more than the scan has (keeps the casts defined).
  const float side = std::min(
    (margins.lateral / range + margins.heading) / std::fabs(increment), static_cast<float>(beams));
  const long first = static_cast<long>(std::floor(index - side));
  const long last = static_cast<long>(std::ceil(index + side));
  if (first < 0 || last >= beams) {
    return false;
  }
  const float needed = range + margins.range + margins.range_per_m * range;
  for (long j = first; j <= last; ++j) {
    if (!(view.reach[static_cast<std::size_t>(j)] > needed)) {
      return false;
    }
  }
  return true;
}

float fastAtan2(float y, float x)
{
  const float ax = std::fabs(x);
  const float ay = std::fabs(y);
  const float big = std::max(ax, ay);
  if (big == 0.0f) {
    return 0.0f;
  }
  const float a = std::min(ax, ay) / big;
  const float s = a * a;
  // Minimax polynomial for atan on [0, 1].
  float r = ((((-0.0040540580f * s + 0.0218612288f) * s - 0.0559098861f) * s + 0.0964200441f) * s -
             0.1390853351f) *
              s +
            0.1994653599f;
  r = ((r * s - 0.3332985605f) * s) * a + a;
  if (ay > ax) {
    r = static_cast<float>(M_PI_2) - r;
  }
  if (x < 0.0f) {
    r = static_cast<float>(M_PI) - r;
  }
  return y < 0.0f ? -r : r;
}

}  // namespace perception
}  // namespace orvane
