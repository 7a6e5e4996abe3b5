#ifndef QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_MOTION_DETECTOR_HPP_
#define QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_MOTION_DETECTOR_HPP_

#include <string>
#include <unordered_map>
#include <vector>

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>
#include <Eigen/Core>

#include "geometry_msgs/msg/pose.hpp"
#include "quillon_dynamic_detector/geometric_detector_config.hpp"
#include "quillon_dynamic_detector/local_static_map.hpp"
#include "quillon_dynamic_detector/seen_through_memory.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

struct BeamRecord;

// The system's own moving-point detector. A beam counts as moving when its hit point, carried
// into "odom" with the robot's pose, lies farther from every learnt static point than a threshold
// that grows with range, with the robot's own motion and at range jumps; when enough neighbouring
// beams agree; and when its viewing direction has kept doing so over a short time. With
// geometric_seen_through_memory, also only where one of the last scans saw through its spot.
class GeometricMotionDetector
{
public:
  // Reads the detector's keys from the YAML file at `config_path` (see
  // loadGeometricDetectorConfig for the errors it throws). Starts with an empty map.
  explicit GeometricMotionDetector(const std::string & config_path);
  // Starts with an empty map and `config` as loaded (and checked) before.
  explicit GeometricMotionDetector(const GeometricDetectorConfig & config);

  // Mounting of the scanner: maps points of the scanner frame into "base_footprint".
  Eigen::Matrix4f sensor_to_base;

  // Splits `scan`, taken with "base_footprint" at `pose` in "odom", into moving and static
  // returns. Both outputs get the input's geometry; a beam outside an output's class carries
  // FLT_MAX there. A scan stamped more than 1 s before the newest one seen (bag loop, simulator
  // restart) first clears the map, the candidates, the motion history and the previous pose,
  // with one INFO line. A scan that cannot be placed (non-finite angles, pose or mounting) is
  // dropped with a throttled warning: both outputs hold FLT_MAX only, the detector is unchanged.
  void processScan(
    const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose,
    const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
    const sensor_msgs::msg::LaserScan::SharedPtr & static_scan);

  const GeometricDetectorConfig & config() const { return config_; }

  // Debug clouds of the last scan, in the scanner frame: the beams that passed the support test
  // and the beams reported as moving.
  const pcl::PointCloud<pcl::PointXYZ> & rawCandidateCloud() const { return raw_candidate_cloud_; }
  const pcl::PointCloud<pcl::PointXYZ> & confirmedCloud() const { return confirmed_cloud_; }
  // The static map as indexed for the last scan, in "odom".
  const pcl::PointCloud<pcl::PointXYZ> & localStaticMapCloud() const { return map_.mapCloud(); }

  const LocalStaticMap & localStaticMap() const { return map_; }
  // Lets tests and benchmarks seed the map.
  LocalStaticMap & localStaticMap() { return map_; }

private:
  // Hits of one angular bucket of the scanner's view and when it was last hit.
  struct DynamicBucket
  {
    int hits = 0;
    double last_time = 0.0;
  };

  struct MotionIntensities
  {
    float motion = 0.0f;
    float yaw = 0.0f;
  };

  // False, with a throttled warning, when the beams or the robot cannot be placed in "odom".
  bool canPlace(const sensor_msgs::msg::LaserScan & scan, double x, double y, double yaw) const;
  void restartAfterTimeJump(double t, const std::string & frame_id);
  MotionIntensities motionSincePreviousScan(const PlanarPose & robot) const;
  void examineBeams(
    const sensor_msgs::msg::LaserScan & scan, const PlanarPose & robot,
    const MotionIntensities & motion, bool bootstrap, double t, std::vector<BeamRecord> & records,
    sensor_msgs::msg::LaserScan & static_scan);
  void confirmMotion(
    const std::vector<float> & ranges, std::vector<BeamRecord> & records,
    const MotionIntensities & motion, double t, sensor_msgs::msg::LaserScan & dynamic_scan,
    sensor_msgs::msg::LaserScan & static_scan);
  // Beam `i`'s return is moving: into the dynamic scan, out of the static one.
  void markMoving(
    const BeamRecord & beam, std::size_t i, sensor_msgs::msg::LaserScan & dynamic_scan,
    sensor_msgs::msg::LaserScan & static_scan);
  // s; how long map points live in this scan: local_map_max_age, or
  // local_map_max_age_while_moving while the robot moves.
  double mapMaxAge(const MotionIntensities & motion) const;
  // False for non-finite ranges too.
  bool isInDetectionBand(float range) const;
  // With the seen-through memory, for a point `residual` off the map: seen through lately, it
  // stays as it is but is not learnt; never seen through, it has come into view, is no motion
  // candidate, and a candidate is learnt at once (when `learn`) while `robot_moves` or where so
  // configured at rest, otherwise as usual. Returns whether the point goes on to the usual
  // learning.
  bool weighSeenThrough(
    BeamRecord & beam, const PlanarPoint & world, float residual, bool robot_moves, bool learn,
    double t);
  void expireBuckets(double t);
  void finishDebugClouds();

  GeometricDetectorConfig config_;
  LocalStaticMap map_;
  SeenThroughMemory seen_through_;
  bool has_previous_pose_ = false;
  float previous_x_ = 0.0f;
  float previous_y_ = 0.0f;
  float previous_yaw_ = 0.0f;
  std::unordered_map<int, DynamicBucket> dynamic_history_;
  pcl::PointCloud<pcl::PointXYZ> raw_candidate_cloud_;
  pcl::PointCloud<pcl::PointXYZ> confirmed_cloud_;
  // Newest scan time seen, to notice time running backwards (bag loop, simulator restart).
  bool has_newest_stamp_ = false;
  double newest_stamp_ = 0.0;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_MOTION_DETECTOR_HPP_
