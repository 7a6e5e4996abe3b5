#ifndef QUILLON_DYNAMIC_DETECTOR__SELF_FILTER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SELF_FILTER_HPP_

#include <vector>

#include <Eigen/Core>

#include "quillon_dynamic_detector/self_filter_config.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

// What one scanner sees of the robot itself: returns inside the robot's outline (its edge
// included) and returns on beams within one of the angle ranges.
struct SelfFilter
{
  std::vector<FootprintVertex> footprint;  // in "base_footprint"; empty: no outline
  std::vector<BeamAngleRange> angle_ranges;
  // The scanner's mount: maps points of the scan into "base_footprint".
  Eigen::Matrix4f sensor_to_base = Eigen::Matrix4f::Identity();

  bool removesNothing() const { return footprint.empty() && angle_ranges.empty(); }
};

// Whether the point (x, y) lies inside `outline` or on its edge. An outline of fewer than 3
// vertices holds no point.
bool insideOutline(const std::vector<FootprintVertex> & outline, double x, double y);

// The scan the detectors see: a copy of `scan` in which the robot's own returns read NaN, which
// every stage takes as "no return". `scan` itself when there is nothing to remove, so that a
// robot without a self-filter pays for no copy.
sensor_msgs::msg::LaserScan::ConstSharedPtr removeRobotReturns(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const SelfFilter & filter);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SELF_FILTER_HPP_
