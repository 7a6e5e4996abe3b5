#ifndef QUILLON_PERCEPTION_LIBS__REMEMBERED_VIEW_HPP_
#define QUILLON_PERCEPTION_LIBS__REMEMBERED_VIEW_HPP_

#include <cstdint>
#include <vector>

#include "quillon_perception_libs/free_space_settings.hpp"
#include "quillon_perception_libs/planar_pose.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace orvane
{
namespace perception
{

// A beam's reach that says nothing about free space (0.0, NaN, below range_min, or a finite
// value beyond range_max).
constexpr float NO_INFORMATION = -1.0f;

// The sweep of one scan in "odom": where the scanner was at the first beam, how it moved while
// the mirror turned, and when each beam was taken.
struct Sweep
{
  PlanarPose start;
  PlanarVelocity velocity;
  double beam_time_step = 0.0;  // s between beams; 0 when the scan does not say
  double angle_min = 0.0;
  double angle_increment = 0.0;

  PlanarPose poseOfBeam(double beam) const
  {
    return advance(start, velocity, beam * beam_time_step);
  }
};

// How far the robot has driven (m) and turned (rad) since it started, by its odometry.
struct Odometer
{
  double distance = 0.0;
  double turned = 0.0;
};

// One earlier scan, kept to ask whether it saw through a spot.
struct RememberedView
{
  double stamp = 0.0;  // s, of the first beam
  Sweep sweep;
  Odometer odometer;  // at the stamp
  // Per beam, how far it saw free space (m): the range of a return, range_max for a beam that met
  // nothing up to its limit (+inf), NO_INFORMATION otherwise.
  std::vector<float> reach;
  // Per beam, 1 where the reach is a return's range, 0 where it is range_max for +inf or
  // NO_INFORMATION.
  std::vector<uint8_t> echo;
  // Per beam, where its return lay in "odom" (meaningless where echo is 0): the surfaces the view
  // saw, so that a spot on one of them counts as seen occupied even where a beam met it at a
  // grazing angle and the odometry has drifted since.
  std::vector<float> hit_x;
  std::vector<float> hit_y;
  // Where the returns the detector found moving in this scan lay, in "odom".
  std::vector<float> moving_x;
  std::vector<float> moving_y;
};

// Fills `view.reach` and `view.echo` from a scan's ranges and limits.
void setReach(const sensor_msgs::msg::LaserScan & scan, RememberedView & view);
// Fills the places of the view's returns from its reach and sweep: needed only to ask whether a
// spot lies on a surface the view saw (sightOf).
void placeReturns(RememberedView & view);

// How far past a spot, and how far to either side of it, a view's beams must have reached. They
// grow with the odometry's drift since the view was taken.
struct SeeThroughMargins
{
  float range = 0.0f;        // m
  float range_per_m = 0.0f;  // m per m of range
  float lateral = 0.0f;      // m to either side
  float heading = 0.0f;      // rad to either side
};

SeeThroughMargins marginsSince(
  const RememberedView & view, const Odometer & now, const FreeSpaceSettings & settings);

// Whether the robot has neither driven nor turned, by its odometry, since the view was taken.
bool atRestSince(const RememberedView & view, const Odometer & now);

// Whether the view saw through the spot (x, y) in "odom": every beam around the spot's bearing
// (within the lateral and heading margins to either side) reached past it by the range margin.
// Spots at the edge of or outside the view's field of view were not seen through.
bool seesThrough(
  const RememberedView & view, double x, double y, const SeeThroughMargins & margins);

// What one view says about a spot.
struct SpotSight
{
  enum Kind
  {
    kUnknown,      // out of view, no information, or the view's beams disagree
    kHit,          // the spot lay on a surface the view saw
    kSeenThrough,  // every beam around the bearing reached past it
    kShadowed      // the beam at the bearing returned from something nearer: the occluder
  };
  Kind kind = kUnknown;
  double occluder_x = 0.0;  // kShadowed: where the occluding return lay, in "odom"
  double occluder_y = 0.0;
  float depth = 0.0f;  // kShadowed: how far behind the occluder the spot lies (m)
};

SpotSight sightOf(
  const RememberedView & view, double x, double y, const SeeThroughMargins & margins);

// Whether a return the view's scan found moving lay within `radius` (m) of (x, y) in "odom".
bool movedNear(const RememberedView & view, double x, double y, double radius);

// atan2 within 1e-5 rad, several times cheaper than std::atan2; the test of every return against
// every remembered view needs one or two.
float fastAtan2(float y, float x);

}  // namespace perception
}  // namespace orvane

#endif  // QUILLON_PERCEPTION_LIBS__REMEMBERED_VIEW_HPP_
