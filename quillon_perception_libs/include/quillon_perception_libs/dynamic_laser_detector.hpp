#ifndef QUILLON_PERCEPTION_LIBS__DYNAMIC_LASER_DETECTOR_HPP_
#define QUILLON_PERCEPTION_LIBS__DYNAMIC_LASER_DETECTOR_HPP_

#include <deque>
#include <string>
#include <vector>

#include <Eigen/Core>

#include "geometry_msgs/msg/pose.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace orvane
{
namespace perception
{

// Splits a laser scan into its moving and its static returns.
//
// A return is moving when it lies in space that an earlier scan (about `reference_age` seconds
// old, compared in the odometry frame) saw through: the earlier beam towards that spot reached
// clearly farther. Walls and furniture were always there and stay static; a walking person's
// legs appear where there was free space a moment ago. Until a reference scan exists, every
// return is static.
class DynamicLaserDetector
{
public:
  // Reads the "dynamic_laser_detector" section of the YAML file at `config_path` (missing keys
  // take their defaults). Throws std::runtime_error when the file cannot be read or a value does
  // not convert.
  explicit DynamicLaserDetector(const std::string & config_path);

  // Mounting of the scanner: maps points of the scanner frame into the robot frame.
  Eigen::Matrix4f sensor_to_base;

  // Fills `dynamic_scan` and `static_scan` with the input's geometry; a beam outside a class
  // carries +infinity there. `pose` is the robot's pose in the odometry frame at the scan stamp.
  void Process(
    const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose,
    const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
    const sensor_msgs::msg::LaserScan::SharedPtr & static_scan);

  struct Settings
  {
    double reference_age = 0.2;      // s: age of the scan a return is compared with
    double history_length = 1.0;     // s: how long scans are kept
    float free_space_margin = 0.3f;  // m: how much farther the earlier beam must have reached
    float max_range = 10.0f;         // m: farther returns are never moving
    int min_support_beams = 2;       // consecutive moving beams needed to report any of them
  };

  const Settings & settings() const { return settings_; }

private:
  struct PlanarPose
  {
    float x = 0.0f;
    float y = 0.0f;
    float yaw = 0.0f;
  };

  struct PastScan
  {
    double stamp = 0.0;
    PlanarPose sensor_in_odom;
    float angle_min = 0.0f;
    float angle_increment = 0.0f;
    std::vector<float> ranges;
  };

  PlanarPose sensorPoseInOdom(const geometry_msgs::msg::Pose & robot) const;
  const PastScan * referenceFor(double stamp) const;
  std::vector<bool> movingBeams(
    const sensor_msgs::msg::LaserScan & scan, const PlanarPose & sensor,
    const PastScan & reference) const;
  bool seenThrough(const PastScan & reference, float x_odom, float y_odom) const;
  void remember(const sensor_msgs::msg::LaserScan & scan, const PlanarPose & sensor, double stamp);

  Settings settings_;
  std::deque<PastScan> history_;
};

}  // namespace perception
}  // namespace orvane

#endif  // QUILLON_PERCEPTION_LIBS__DYNAMIC_LASER_DETECTOR_HPP_
