#ifndef QUILLON_DYNAMIC_DETECTOR__SWEPT_MOTION_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SWEPT_MOTION_HPP_

#include <optional>
#include <vector>

#include <Eigen/Core>

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/expected_person.hpp"
#include "quillon_dynamic_detector/tracking_frame.hpp"
#include "quillon_protocol/msg/object.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

// Where a scanner was in the tracking frame while it swept one scan. The beams of a scan are
// measured one after another, time_increment apart from the stamp on; a robot turning at 1 rad/s
// moves a person 3 m away by 0.3 m within a 100 ms sweep, and each scanner of the robot sees them
// at another moment. Each return is carried with the scanner's pose at its own beam's moment: the
// pose at the stamp moved on at a steady rate, taken from the pose at the stamp and another one
// (at the end of the sweep when it has arrived, else one sweep before the stamp).
class SweptMotion
{
public:
  // `frame_from_scanner_other` is the pose `other_seconds` after the stamp (negative: before).
  // Empty when the scan has no usable timing (fewer than two beams, a time_increment or an
  // angle_increment of 0 or not finite, a sweep longer than 1 s), when `other_seconds` is 0 or not
  // finite, or when the poses differ by more than 10 m/s or 10 rad/s (a jump of odom).
  static std::optional<SweptMotion> fromPoses(
    const Eigen::Matrix4f & frame_from_scanner_at_stamp,
    const Eigen::Matrix4f & frame_from_scanner_other, double other_seconds,
    const sensor_msgs::msg::LaserScan & scan);

  // s from the stamp to the last beam.
  static std::optional<double> sweepDuration(const sensor_msgs::msg::LaserScan & scan);

  // The motion that carries a return at (x, y) of the scanner frame into the tracking frame.
  PlanarMotion frameFromScannerAt(double x, double y) const;
  // Objects move with the moment of the beam through their centre; cluster points with their own.
  void toFrame(std::vector<quillon_protocol::msg::Object> & objects) const;
  void toFrame(ClusterList & clusters) const;
  // Where the scan saw, or would have seen, a place of the tracking frame, in the scanner frame.
  Eigen::Vector2f toScanner(const Eigen::Vector2f & place) const;
  void toScanner(std::vector<ExpectedPerson> & people) const;

private:
  SweptMotion() = default;
  double secondsIntoSweep(double x, double y) const;
  PlanarMotion motionAfter(double seconds) const;

  double x_ = 0.0;  // the scanner's pose at the stamp
  double y_ = 0.0;
  double yaw_ = 0.0;
  double vx_ = 0.0;  // and its rate of motion, per second
  double vy_ = 0.0;
  double yaw_rate_ = 0.0;
  double angle_min_ = 0.0;
  double angle_increment_ = 0.0;
  double seconds_per_beam_ = 0.0;
  double last_beam_ = 0.0;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SWEPT_MOTION_HPP_
