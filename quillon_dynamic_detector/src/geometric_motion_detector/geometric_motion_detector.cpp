#include "quillon_dynamic_detector/geometric_motion_detector.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "quillon_dynamic_detector/beam_classification.hpp"
#include "quillon_dynamic_detector/trailscan_logger.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/logging.hpp"
#include "tf2/utils.h"
#include "tf2_geometry_msgs/tf2_geometry_msgs.hpp"

namespace quillon_dynamic_detector
{
namespace
{

// A scan stamped this much before the newest one seen means time itself went back.
constexpr double TIME_JUMP_TOLERANCE = 1.0;

// Floor of angle / width as a bucket number; angles are finite, widths at least 1 mrad, and the
// clamp keeps absurd scan geometries inside int.
int bucketOf(float angle, float width)
{
  return static_cast<int>(std::clamp(std::floor(angle / width), -1.0e9f, 1.0e9f));
}

// Seconds of a stamp, as rclcpp::Time::seconds() computes them, without its exception for
// stamps before 1970: the detector only compares its own stamps with each other.
double stampSeconds(const builtin_interfaces::msg::Time & stamp)
{
  const int64_t nanoseconds =
    static_cast<int64_t>(stamp.sec) * 1000000000LL + static_cast<int64_t>(stamp.nanosec);
  return static_cast<double>(nanoseconds) / 1e9;
}

void copyWithoutReturns(const sensor_msgs::msg::LaserScan & scan, sensor_msgs::msg::LaserScan & out)
{
  out = scan;
  std::fill(out.ranges.begin(), out.ranges.end(), FLT_MAX);
}

}  // namespace

GeometricMotionDetector::GeometricMotionDetector(const std::string & config_path)
: GeometricMotionDetector(loadGeometricDetectorConfig(config_path))
{
}

GeometricMotionDetector::GeometricMotionDetector(const GeometricDetectorConfig & config)
: sensor_to_base(Eigen::Matrix4f::Identity()),
  config_(config),
  map_(config_),
  seen_through_(SeenThroughMemory::Settings{
    config_.geometric_seen_through_memory, config_.geometric_seen_through_margin,
    config_.geometric_seen_through_margin_per_m, config_.geometric_seen_through_turn_margin,
    config_.geometric_seen_through_uncovered_depth})
{
}

void GeometricMotionDetector::processScan(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose,
  const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
  const sensor_msgs::msg::LaserScan::SharedPtr & static_scan)
{
  copyWithoutReturns(*scan, *dynamic_scan);
  copyWithoutReturns(*scan, *static_scan);
  raw_candidate_cloud_.clear();
  confirmed_cloud_.clear();
  const double yaw = tf2::getYaw(pose.orientation);
  if (!canPlace(*scan, pose.position.x, pose.position.y, yaw)) {
    finishDebugClouds();
    return;
  }
  const PlanarPose robot{
    static_cast<float>(pose.position.x), static_cast<float>(pose.position.y),
    static_cast<float>(yaw)};

  const double t = stampSeconds(scan->header.stamp);
  restartAfterTimeJump(t, scan->header.frame_id);
  const MotionIntensities motion = motionSincePreviousScan(robot);
  const bool bootstrap =
    map_.mapSize() < config_.geometric_static_map_bootstrap_min_points &&
    motion.motion <= config_.geometric_static_map_bootstrap_max_motion_intensity &&
    motion.yaw <= config_.geometric_static_map_bootstrap_max_yaw_intensity;

  const PlanarPoint robot_position{robot.x, robot.y};
  map_.pruneMap(t, robot_position, mapMaxAge(motion));
  map_.pruneCandidates(t, robot_position);
  seen_through_.startScan(*scan, sensor_to_base, robot, t);
  if (map_.isDirty()) {
    map_.rebuildIndex();
  }

  std::vector<BeamRecord> records(scan->ranges.size());
  examineBeams(*scan, robot, motion, bootstrap, t, records, *static_scan);
  confirmMotion(scan->ranges, records, motion, t, *dynamic_scan, *static_scan);
  map_.trimMap();
  expireBuckets(t);
  seen_through_.keepCurrentScan();

  previous_x_ = robot.x;
  previous_y_ = robot.y;
  previous_yaw_ = robot.yaw;
  has_previous_pose_ = true;
  finishDebugClouds();
}

bool GeometricMotionDetector::canPlace(
  const sensor_msgs::msg::LaserScan & scan, double x, double y, double yaw) const
{
  const auto fits_float = [](double v) { return std::fabs(v) <= FLT_MAX; };  // false for NaN
  // Angles grow monotonically with the beam index, so the first and the last beam bound them all.
  const float last_angle =
    static_cast<float>(scan.ranges.empty() ? 0 : scan.ranges.size() - 1) * scan.angle_increment +
    scan.angle_min;
  if (
    std::isfinite(scan.angle_min) && std::isfinite(last_angle) && fits_float(x) && fits_float(y) &&
    fits_float(yaw) && sensor_to_base.allFinite()) {
    return true;
  }
  rclcpp::Clock clock(RCL_STEADY_TIME);
  RCLCPP_WARN_THROTTLE(
    trailscanLogger(), clock, 1000,
    "Geometric motion detector dropped a scan of %s: its beam angles, the robot pose or the "
    "scanner mounting are not finite",
    scan.header.frame_id.c_str());
  return false;
}

void GeometricMotionDetector::restartAfterTimeJump(double t, const std::string & frame_id)
{
  // Points and hits stamped in the future would never age: the map would keep a scene that is
  // gone and hide whatever now stands there until time caught up.
  if (has_newest_stamp_ && newest_stamp_ - t > TIME_JUMP_TOLERANCE) {
    RCLCPP_INFO(
      trailscanLogger(),
      "Scan time of %s went back from %.3f s to %.3f s: geometric detector map and motion "
      "history cleared",
      frame_id.c_str(), newest_stamp_, t);
    map_.clear();
    seen_through_.clear();
    dynamic_history_.clear();
    has_previous_pose_ = false;
    newest_stamp_ = t;
  }
  newest_stamp_ = has_newest_stamp_ ? std::max(newest_stamp_, t) : t;
  has_newest_stamp_ = true;
}

GeometricMotionDetector::MotionIntensities GeometricMotionDetector::motionSincePreviousScan(
  const PlanarPose & robot) const
{
  float travel = 0.0f;
  float turn = 0.0f;
  if (has_previous_pose_) {
    const float dx = robot.x - previous_x_;
    const float dy = robot.y - previous_y_;
    travel = std::sqrt(dx * dx + dy * dy);
    const float dyaw = robot.yaw - previous_yaw_;
    turn = std::atan2(std::sin(dyaw), std::cos(dyaw));
  }
  MotionIntensities intensities;
  intensities.yaw =
    ramp(turn, config_.geometric_motion_yaw_threshold, config_.geometric_motion_yaw_full);
  intensities.motion = std::max(
    ramp(
      travel, config_.geometric_motion_translation_threshold,
      config_.geometric_motion_translation_full),
    intensities.yaw);
  return intensities;
}

void GeometricMotionDetector::examineBeams(
  const sensor_msgs::msg::LaserScan & scan, const PlanarPose & robot,
  const MotionIntensities & motion, bool bootstrap, double t, std::vector<BeamRecord> & records,
  sensor_msgs::msg::LaserScan & static_scan)
{
  const float cos_yaw = std::cos(robot.yaw);
  const float sin_yaw = std::sin(robot.yaw);
  const bool learn = motion.motion <= config_.geometric_static_update_max_motion_intensity &&
                     motion.yaw <= config_.geometric_static_update_max_yaw_intensity;
  const bool map_was_empty = map_.isIndexEmpty();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const float r = scan.ranges[i];
    if (!std::isfinite(r)) {
      continue;
    }
    if (!isInDetectionBand(r)) {
      static_scan.ranges[i] = r;
      continue;
    }
    BeamRecord & beam = records[i];
    beam.angle = static_cast<float>(i) * scan.angle_increment + scan.angle_min;
    beam.range = r;
    beam.local_x = r * std::cos(beam.angle);
    beam.local_y = r * std::sin(beam.angle);
    const Eigen::Vector4f q = sensor_to_base * Eigen::Vector4f(beam.local_x, beam.local_y, 0, 1);
    beam.world_x = cos_yaw * q.x() - sin_yaw * q.y() + robot.x;
    beam.world_y = sin_yaw * q.x() + cos_yaw * q.y() + robot.y;
    testEdge(scan.ranges, i, config_, beam);

    const PlanarPoint world{beam.world_x, beam.world_y};
    // Compared with the map indexed at the start of the scan: points that bootstrap inserts
    // during this scan are not part of it.
    const double residual = static_cast<double>(map_.nearestMapDistance(world));
    beam.is_candidate =
      !map_was_empty && residual > residualThreshold(beam, motion.motion, motion.yaw, config_);
    static_scan.ranges[i] = r;
    if (
      config_.geometric_seen_through_memory > 0.0f &&
      !weighSeenThrough(
        beam, world, static_cast<float>(residual), motion.motion > 0.0f, learn, t)) {
      continue;
    }
    if (learn) {
      map_.observeStatic(world, beam.is_edge, bootstrap, t);
    }
  }
}

bool GeometricMotionDetector::weighSeenThrough(
  BeamRecord & beam, const PlanarPoint & world, float residual, bool robot_moves, bool learn,
  double t)
{
  // A point closer to the map than its spacing adds nothing to it, whatever crossed it.
  if (!beam.is_candidate && !(residual >= config_.static_insert_min_separation)) {
    return true;
  }
  if (seen_through_.wasSeenThrough(world)) {
    return false;
  }
  // Never seen through: it has come into view. While the robot moves, surfaces come into view all
  // the time, and one learnt at once is not judged again scan after scan; at rest, nothing does
  // but behind something that moved, possibly a leg stepping into its own shadow.
  const bool was_candidate = beam.is_candidate;
  beam.is_candidate = false;
  if (was_candidate && (robot_moves || config_.geometric_seen_through_learn_at_once_at_rest != 0)) {
    if (learn) {
      map_.learnNow(world, t);
    }
    return false;
  }
  return true;
}

void GeometricMotionDetector::confirmMotion(
  const std::vector<float> & ranges, std::vector<BeamRecord> & records,
  const MotionIntensities & motion, double t, sensor_msgs::msg::LaserScan & dynamic_scan,
  sensor_msgs::msg::LaserScan & static_scan)
{
  const float bucket_width = std::max(config_.geometric_dynamic_bucket_angle_resolution, 0.001f);
  const double history_max_age = static_cast<double>(config_.geometric_dynamic_history_max_age);
  const bool fast_yaw = motion.yaw >= config_.geometric_edge_confirm_yaw_threshold;
  std::set<int> confirmed_buckets;
  for (std::size_t i = 0; i < records.size(); ++i) {
    // A beam that was not examined says nothing about its direction: it leaves every bucket as
    // it is (a dropout on dark clothing must not reset the person's direction).
    if (!isInDetectionBand(ranges[i])) {
      continue;
    }
    BeamRecord & beam = records[i];
    const int bucket = bucketOf(beam.angle, bucket_width);
    // A direction that shows no supported candidate loses its history.
    if (!beam.is_candidate) {
      dynamic_history_.erase(bucket);
      continue;
    }
    const int needed_support = beam.is_edge ? config_.geometric_residual_support_edge_min_neighbors
                                            : config_.geometric_residual_support_min_neighbors;
    beam.is_supported = countSupport(records, i, config_) >= needed_support;
    if (!beam.is_supported) {
      dynamic_history_.erase(bucket);
      continue;
    }
    raw_candidate_cloud_.push_back(pcl::PointXYZ(beam.local_x, beam.local_y, 0.0f));

    DynamicBucket & history = dynamic_history_[bucket];
    if (t - history.last_time > history_max_age) {
      history.hits = 1;
    } else if (history.hits < std::numeric_limits<int>::max()) {
      ++history.hits;
    }
    history.last_time = t;
    int needed_hits = config_.geometric_dynamic_confirm_hits;
    if (beam.is_edge && fast_yaw) {
      needed_hits += config_.geometric_edge_extra_confirm_hits;
    }
    if (history.hits >= needed_hits) {
      markMoving(beam, i, dynamic_scan, static_scan);
      if (config_.geometric_dynamic_confirm_whole_direction != 0) {
        confirmed_buckets.insert(bucket);
      }
    }
  }
  // The supported candidates a confirmed direction had before its confirming hit.
  for (std::size_t i = 0; i < records.size() && !confirmed_buckets.empty(); ++i) {
    const BeamRecord & beam = records[i];
    if (
      isInDetectionBand(ranges[i]) && beam.is_supported && dynamic_scan.ranges[i] == FLT_MAX &&
      confirmed_buckets.count(bucketOf(beam.angle, bucket_width)) > 0) {
      markMoving(beam, i, dynamic_scan, static_scan);
    }
  }
}

void GeometricMotionDetector::markMoving(
  const BeamRecord & beam, std::size_t i, sensor_msgs::msg::LaserScan & dynamic_scan,
  sensor_msgs::msg::LaserScan & static_scan)
{
  map_.forgetCandidateAt(PlanarPoint{beam.world_x, beam.world_y});
  dynamic_scan.ranges[i] = beam.range;
  static_scan.ranges[i] = FLT_MAX;
  confirmed_cloud_.push_back(pcl::PointXYZ(beam.local_x, beam.local_y, 0.0f));
}

double GeometricMotionDetector::mapMaxAge(const MotionIntensities & motion) const
{
  const float moving_age = config_.local_map_max_age_while_moving;
  return static_cast<double>(
    moving_age > 0.0f && motion.motion > 0.0f ? moving_age : config_.local_map_max_age);
}

bool GeometricMotionDetector::isInDetectionBand(float range) const
{
  return range >= config_.min_range_for_detection && range <= config_.max_range_for_detection;
}

void GeometricMotionDetector::expireBuckets(double t)
{
  const double max_age = static_cast<double>(config_.geometric_dynamic_history_max_age);
  for (auto it = dynamic_history_.begin(); it != dynamic_history_.end();) {
    if (t - it->second.last_time > max_age) {
      it = dynamic_history_.erase(it);
    } else {
      ++it;
    }
  }
}

void GeometricMotionDetector::finishDebugClouds()
{
  for (pcl::PointCloud<pcl::PointXYZ> * cloud : {&raw_candidate_cloud_, &confirmed_cloud_}) {
    cloud->width = static_cast<uint32_t>(cloud->size());
    cloud->height = 1;
    cloud->is_dense = true;
  }
}

}  // namespace quillon_dynamic_detector
