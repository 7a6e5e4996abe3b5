#ifndef QUILLON_PERCEPTION_LIBS__REMEMBERED_VIEW_HPP_
#define QUILLON_PERCEPTION_LIBS__REMEMBERED_VIEW_HPP_

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
};

// Fills `view.reach` from a scan's ranges and limits.
void setReach(const sensor_msgs::msg::LaserScan & scan, RememberedView & view);

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

// Whether the view saw through the spot (x, y) in "odom": every beam around the spot's bearing
// (within the lateral and heading margins to either side) reached past it by the range margin.
// Spots at the edge of or outside the view's field of view were not seen through.
bool seesThrough(
  const RememberedView & view, double x, double y, const SeeThroughMargins & margins);

// atan2 within 1e-5 rad, several times cheaper than std::atan2; the test of every return against
// every remembered view needs one or two.
float fastAtan2(float y, float x);

}  // namespace perception
}  // namespace orvane

#endif  // QUILLON_PERCEPTION_LIBS__REMEMBERED_VIEW_HPP_
