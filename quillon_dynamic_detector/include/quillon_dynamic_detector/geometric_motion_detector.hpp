#ifndef QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_MOTION_DETECTOR_HPP_
#define QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_MOTION_DETECTOR_HPP_

#include <string>

#include <Eigen/Core>

#include "geometry_msgs/msg/pose.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

// The system's own moving-point detector: compares each beam with a learnt local map of static
// points in the odometry frame.
class GeometricMotionDetector
{
public:
  // Reads the detector's keys from the YAML file at `config_path`; an unreadable or unparsable
  // file throws (YAML::Exception).
  explicit GeometricMotionDetector(const std::string & config_path);

  // Mounting of the scanner: maps points of the scanner frame into the robot frame.
  Eigen::Matrix4f sensor_to_base;

  // Splits `scan` into moving and static returns. Beams outside a class carry FLT_MAX.
  void processScan(
    const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose,
    const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
    const sensor_msgs::msg::LaserScan::SharedPtr & static_scan);
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_MOTION_DETECTOR_HPP_
