#ifndef QUILLON_DYNAMIC_DETECTOR__SCAN_SIGHT_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SCAN_SIGHT_HPP_

#include <functional>

#include <Eigen/Core>

#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

// What one scan shows of a place where a person might stand.
enum class PlaceSight
{
  Unknown,      // a return at or before the place, no echo, or too few beams to tell
  SeenThrough,  // every beam that passes the place returns well beyond it
  OutOfView,    // the place lies wholly outside the scanner's angular field of view
  Hidden,       // every beam that passes the place returns in front of it
};

// The scanner's pose in the frame where a tracker works: its origin and the heading of its x axis.
struct ScannerPose
{
  Eigen::Vector2f origin = Eigen::Vector2f::Zero();
  float yaw = 0.0f;
};

// Answers, for places in the tracking frame, whether the scan could have seen a person there
// and did not. A place is a disc of PLACE_RADIUS (half a person's width); it is seen through
// only when at least two beams crossing that disc return, and all of them more than
// SEEN_BEYOND past its centre: a leg of the person anywhere in the disc would have stopped one.
// It is hidden when at least two beams crossing it return, all of them in front of the disc.
// No echo (+inf, 0.0, NaN, error codes below range_min) and readings at range_max tell nothing,
// as they do in the detectors. The scan must outlive the sight.
class ScanSight
{
public:
  static constexpr float PLACE_RADIUS = 0.2f;  // m
  static constexpr float SEEN_BEYOND = 0.5f;   // m

  // Where a place of the tracking frame lies in the scanner frame as the scan saw it (a scanner
  // that moved during its sweep saw each bearing from another pose).
  using ScannerPlace = std::function<Eigen::Vector2f(const Eigen::Vector2f &)>;

  ScanSight(const sensor_msgs::msg::LaserScan & scan, const ScannerPose & scanner);
  ScanSight(const sensor_msgs::msg::LaserScan & scan, ScannerPlace scanner_place);

  PlaceSight at(const Eigen::Vector2f & place) const;

private:
  bool isReturn(float range) const;
  // The place's distance from the scanner and its bearing in the scanner frame.
  void polar(const Eigen::Vector2f & place, float & distance, float & bearing) const;

  const sensor_msgs::msg::LaserScan & scan_;
  ScannerPose scanner_;
  ScannerPlace scanner_place_;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SCAN_SIGHT_HPP_
