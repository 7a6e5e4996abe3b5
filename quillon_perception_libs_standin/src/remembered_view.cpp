#include "quillon_perception_libs/remembered_view.hpp"

#include <algorithm>
#include <cmath>

namespace orvane
{
namespace perception
{

namespace
{

// m and rad of odometry below which the robot has stood still since an earlier scan.
constexpr double AT_REST_DISTANCE = 0.005;
constexpr double AT_REST_TURN = 0.005;

}  // namespace

void setReach(const sensor_msgs::msg::LaserScan & scan, RememberedView & view)
{
  view.reach.resize(scan.ranges.size());
  view.echo.resize(scan.ranges.size());
  for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
    const float r = scan.ranges[i];
    const bool returned = r > 0.0f && r >= scan.range_min && r < scan.range_max;
    if (r == INFINITY) {
      view.reach[i] = scan.range_max;  // nothing met up to the scanner's limit
    } else {
      // A reading of exactly range_max is what some drivers write when they get no echo: it
      // clears nothing.
      view.reach[i] = returned ? r : NO_INFORMATION;
    }
    view.echo[i] = returned ? 1 : 0;
  }
}

void placeReturns(RememberedView & view)
{
  view.hit_x.resize(view.reach.size());
  view.hit_y.resize(view.reach.size());
  for (std::size_t i = 0; i < view.reach.size(); ++i) {
    if (view.echo[i] == 0) {
      continue;
    }
    const PlanarPose at_beam = view.sweep.poseOfBeam(static_cast<double>(i));
    const double angle =
      at_beam.yaw + view.sweep.angle_min + static_cast<double>(i) * view.sweep.angle_increment;
    view.hit_x[i] = static_cast<float>(at_beam.x + view.reach[i] * std::cos(angle));
    view.hit_y[i] = static_cast<float>(at_beam.y + view.reach[i] * std::sin(angle));
  }
}

bool atRestSince(const RememberedView & view, const Odometer & now)
{
  return now.distance - view.odometer.distance < AT_REST_DISTANCE &&
         now.turned - view.odometer.turned < AT_REST_TURN;
}

SeeThroughMargins marginsSince(
  const RememberedView & view, const Odometer & now, const FreeSpaceSettings & settings)
{
  const double driven = now.distance - view.odometer.distance;
  const double turned = now.turned - view.odometer.turned;
  const double share = atRestSince(view, now) ? settings.at_rest_margin_share : 1.0;
  SeeThroughMargins margins;
  margins.range =
    static_cast<float>(share * settings.free_space_margin + settings.odometry_drift * driven);
  margins.range_per_m = static_cast<float>(share * settings.free_space_margin_per_m);
  margins.lateral =
    static_cast<float>(share * settings.lateral_margin + settings.odometry_drift * driven);
  margins.heading = static_cast<float>(settings.odometry_drift * turned);
  return margins;
}

namespace
{

// Where a spot lies in a view: its range from the view's scanner, the fractional beam index of
// its bearing and the beams to either side that the margins take in.
struct SpotInView
{
  float range = 0.0f;
  float index = 0.0f;
  long first = 0;
  long last = 0;
};

// False when the spot lies at the edge of or outside the view's field of view.
bool placeSpot(
  const RememberedView & view, double x, double y, const SeeThroughMargins & margins,
  SpotInView & spot)
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
  spot.range = std::sqrt(range_squared);
  spot.index = index;
  // Beams to either side of the bearing; never more than the scan has (keeps the casts defined).
  const float side = std::min(
    (margins.lateral / spot.range + margins.heading) / std::fabs(increment),
    static_cast<float>(beams));
  spot.first = static_cast<long>(std::floor(index - side));
  spot.last = static_cast<long>(std::ceil(index + side));
  return spot.first >= 0 && spot.last < beams;
}

float rangeMargin(const SeeThroughMargins & margins, float range)
{
  return margins.range + margins.range_per_m * range;
}

// m: a spot this much (beyond the lateral margin) off a surface a view saw lies on it.
constexpr float SURFACE_MARGIN = 0.06f;
// Returns of neighbouring beams farther apart than this lie on different surfaces.
constexpr float SAME_SURFACE_GAP = 0.3f;
// m added to the quick box test around a segment, far above single-precision rounding.
constexpr float BOX_SLACK = 0.01f;

float squaredDistanceToSegment(float px, float py, float ax, float ay, float bx, float by)
{
  const float dx = bx - ax;
  const float dy = by - ay;
  const float length_squared = dx * dx + dy * dy;
  float t = length_squared > 0.0f ? ((px - ax) * dx + (py - ay) * dy) / length_squared : 0.0f;
  t = std::min(1.0f, std::max(0.0f, t));
  const float ex = ax + t * dx - px;
  const float ey = ay + t * dy - py;
  return ex * ex + ey * ey;
}

// Whether the spot lies on a surface the view saw around its bearing: within `distance` of the
// outline its neighbouring returns draw.
bool onSeenSurface(
  const RememberedView & view, const SpotInView & spot, float x, float y, float distance)
{
  const long beams = static_cast<long>(view.reach.size());
  const long from = std::max(0L, spot.first - 1);
  const long to = std::min(beams - 1, spot.last + 1);
  const float limit = distance * distance;
  const float box_margin = distance + BOX_SLACK;
  for (long j = from; j <= to; ++j) {
    const auto a = static_cast<std::size_t>(j);
    if (view.echo[a] == 0) {
      continue;
    }
    // The next beam's return is read only within the range: after the last beam there is none.
    const auto b = a + 1;
    bool joined = false;
    if (j < to && view.echo[b] != 0) {
      const float gx = view.hit_x[b] - view.hit_x[a];
      const float gy = view.hit_y[b] - view.hit_y[a];
      joined = gx * gx + gy * gy <= SAME_SURFACE_GAP * SAME_SURFACE_GAP;
    }
    const float bx = joined ? view.hit_x[b] : view.hit_x[a];
    const float by = joined ? view.hit_y[b] : view.hit_y[a];
    // Most segments lie well away from the spot: a box test spares them the exact distance.
    if (
      x < std::min(view.hit_x[a], bx) - box_margin ||
      x > std::max(view.hit_x[a], bx) + box_margin ||
      y < std::min(view.hit_y[a], by) - box_margin ||
      y > std::max(view.hit_y[a], by) + box_margin) {
      continue;
    }
    if (squaredDistanceToSegment(x, y, view.hit_x[a], view.hit_y[a], bx, by) <= limit) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool seesThrough(const RememberedView & view, double x, double y, const SeeThroughMargins & margins)
{
  SpotInView spot;
  if (!placeSpot(view, x, y, margins, spot)) {
    return false;
  }
  const float needed = spot.range + rangeMargin(margins, spot.range);
  for (long j = spot.first; j <= spot.last; ++j) {
    if (!(view.reach[static_cast<std::size_t>(j)] > needed)) {
      return false;
    }
  }
  return true;
}

SpotSight sightOf(
  const RememberedView & view, double x, double y, const SeeThroughMargins & margins)
{
  SpotSight sight;
  SpotInView spot;
  if (!placeSpot(view, x, y, margins, spot)) {
    return sight;
  }
  const float margin = rangeMargin(margins, spot.range);
  const auto nearest =
    static_cast<std::size_t>(std::min(std::max(std::lround(spot.index), spot.first), spot.last));
  const float at_bearing = view.reach[nearest];
  const bool echo = view.echo[nearest] != 0;
  const float off = std::fabs(at_bearing - spot.range);
  // A beam at the bearing that lost its echo or met the surface at a grazing angle says little:
  // the outline of the returns around it does.
  if (
    (echo && off <= margin) ||
    onSeenSurface(
      view, spot, static_cast<float>(x), static_cast<float>(y), margins.lateral + SURFACE_MARGIN)) {
    sight.kind = SpotSight::kHit;
    return sight;
  }
  const float needed = spot.range + margin;
  bool all_past = true;
  for (long j = spot.first; j <= spot.last && all_past; ++j) {
    all_past = view.reach[static_cast<std::size_t>(j)] > needed;
  }
  if (all_past) {
    sight.kind = SpotSight::kSeenThrough;
  } else if (view.echo[nearest] != 0 && at_bearing < spot.range - margin) {
    sight.kind = SpotSight::kShadowed;
    const float share = at_bearing / spot.range;
    sight.occluder_x = view.sweep.start.x + share * (x - view.sweep.start.x);
    sight.occluder_y = view.sweep.start.y + share * (y - view.sweep.start.y);
    sight.depth = spot.range - at_bearing;
  }
  return sight;
}

bool movedNear(const RememberedView & view, double x, double y, double radius)
{
  const auto fx = static_cast<float>(x);
  const auto fy = static_cast<float>(y);
  const auto limit = static_cast<float>(radius * radius);
  for (std::size_t i = 0; i < view.moving_x.size(); ++i) {
    const float dx = view.moving_x[i] - fx;
    const float dy = view.moving_y[i] - fy;
    if (dx * dx + dy * dy <= limit) {
      return true;
    }
  }
  return false;
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
