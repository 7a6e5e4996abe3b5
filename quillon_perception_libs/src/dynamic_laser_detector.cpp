#include "quillon_perception_libs/dynamic_laser_detector.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <yaml-cpp/yaml.h>

namespace orvane
{
namespace perception
{
namespace
{

constexpr float NO_RETURN = std::numeric_limits<float>::infinity();

template <typename T>
void readKey(const YAML::Node & section, const char * key, T & value)
{
  if (section[key]) {
    value = section[key].as<T>();
  }
}

DynamicLaserDetector::Settings loadSettings(const std::string & path)
{
  DynamicLaserDetector::Settings s;
  try {
    const YAML::Node section = YAML::LoadFile(path)["dynamic_laser_detector"];
    if (section && section.IsMap()) {
      readKey(section, "reference_age", s.reference_age);
      readKey(section, "history_length", s.history_length);
      readKey(section, "free_space_margin", s.free_space_margin);
      readKey(section, "max_range", s.max_range);
      readKey(section, "min_support_beams", s.min_support_beams);
    }
  } catch (const YAML::Exception & e) {
    throw std::runtime_error(
      "dynamic laser detector: cannot read configuration '" + path + "': " + e.what());
  }
  return s;
}

double stampSeconds(const sensor_msgs::msg::LaserScan & scan)
{
  return scan.header.stamp.sec + scan.header.stamp.nanosec * 1e-9;
}

void copyGeometry(const sensor_msgs::msg::LaserScan & in, sensor_msgs::msg::LaserScan & out)
{
  out.header = in.header;
  out.angle_min = in.angle_min;
  out.angle_max = in.angle_max;
  out.angle_increment = in.angle_increment;
  out.time_increment = in.time_increment;
  out.scan_time = in.scan_time;
  out.range_min = in.range_min;
  out.range_max = in.range_max;
  out.ranges.assign(in.ranges.size(), NO_RETURN);
}

// Keeps only runs of at least `min_run` consecutive moving beams: single stray beams are noise.
void dropShortRuns(std::vector<bool> & moving, int min_run)
{
  std::size_t i = 0;
  while (i < moving.size()) {
    if (!moving[i]) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < moving.size() && moving[end]) {
      ++end;
    }
    if (static_cast<int>(end - i) < min_run) {
      for (std::size_t k = i; k < end; ++k) {
        moving[k] = false;
      }
    }
    i = end;
  }
}

}  // namespace

DynamicLaserDetector::DynamicLaserDetector(const std::string & config_path)
: sensor_to_base(Eigen::Matrix4f::Identity()), settings_(loadSettings(config_path))
{
}

void DynamicLaserDetector::Process(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose,
  const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
  const sensor_msgs::msg::LaserScan::SharedPtr & static_scan)
{
  copyGeometry(*scan, *dynamic_scan);
  copyGeometry(*scan, *static_scan);
  const double stamp = stampSeconds(*scan);
  if (!history_.empty() && stamp < history_.back().stamp) {
    history_.clear();  // time went back (a replayed recording): old scans mean nothing now
  }
  const PlanarPose sensor = sensorPoseInOdom(pose);
  std::vector<bool> moving(scan->ranges.size(), false);
  if (const PastScan * reference = referenceFor(stamp)) {
    moving = movingBeams(*scan, sensor, *reference);
  }
  for (std::size_t i = 0; i < scan->ranges.size(); ++i) {
    (moving[i] ? dynamic_scan : static_scan)->ranges[i] = scan->ranges[i];
  }
  remember(*scan, sensor, stamp);
}

DynamicLaserDetector::PlanarPose DynamicLaserDetector::sensorPoseInOdom(
  const geometry_msgs::msg::Pose & robot) const
{
  const auto & q = robot.orientation;
  const float robot_yaw = static_cast<float>(
    std::atan2(2.0 * (q.w * q.z + q.x * q.y), 1.0 - 2.0 * (q.y * q.y + q.z * q.z)));
  const float c = std::cos(robot_yaw);
  const float s = std::sin(robot_yaw);
  const float mx = sensor_to_base(0, 3);
  const float my = sensor_to_base(1, 3);
  PlanarPose sensor;
  sensor.x = static_cast<float>(robot.position.x) + c * mx - s * my;
  sensor.y = static_cast<float>(robot.position.y) + s * mx + c * my;
  sensor.yaw = robot_yaw + std::atan2(sensor_to_base(1, 0), sensor_to_base(0, 0));
  return sensor;
}

const DynamicLaserDetector::PastScan * DynamicLaserDetector::referenceFor(double stamp) const
{
  // The newest scan that is at least reference_age old.
  for (auto it = history_.rbegin(); it != history_.rend(); ++it) {
    if (stamp - it->stamp >= settings_.reference_age) {
      return &*it;
    }
  }
  return nullptr;
}

std::vector<bool> DynamicLaserDetector::movingBeams(
  const sensor_msgs::msg::LaserScan & scan, const PlanarPose & sensor,
  const PastScan & reference) const
{
  std::vector<bool> moving(scan.ranges.size(), false);
  if (!std::isfinite(scan.angle_min) || !std::isfinite(scan.angle_increment)) {
    return moving;
  }
  const float c = std::cos(sensor.yaw);
  const float s = std::sin(sensor.yaw);
  for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
    const float r = scan.ranges[i];
    if (
      !std::isfinite(r) || r <= 0.0f || r < scan.range_min || r > scan.range_max ||
      r > settings_.max_range) {
      continue;
    }
    const float angle = scan.angle_min + static_cast<float>(i) * scan.angle_increment;
    const float lx = r * std::cos(angle);
    const float ly = r * std::sin(angle);
    moving[i] = seenThrough(reference, sensor.x + c * lx - s * ly, sensor.y + s * lx + c * ly);
  }
  dropShortRuns(moving, settings_.min_support_beams);
  return moving;
}

bool DynamicLaserDetector::seenThrough(const PastScan & reference, float x_odom, float y_odom) const
{
  const float dx = x_odom - reference.sensor_in_odom.x;
  const float dy = y_odom - reference.sensor_in_odom.y;
  const float c = std::cos(reference.sensor_in_odom.yaw);
  const float s = std::sin(reference.sensor_in_odom.yaw);
  const float qx = c * dx + s * dy;
  const float qy = -s * dx + c * dy;
  const float distance = std::hypot(qx, qy);
  const long beams = static_cast<long>(reference.ranges.size());
  if (beams == 0 || !(std::fabs(reference.angle_increment) > 0.0f)) {
    return false;
  }
  const float index = (std::atan2(qy, qx) - reference.angle_min) / reference.angle_increment;
  if (!(index >= -0.5f && index < static_cast<float>(beams) - 0.5f)) {
    return false;  // outside the earlier field of view (or a malformed scan): nothing is known
  }
  const long centre = std::lround(index);
  // The earlier beams around that bearing must all have reached clearly farther.
  for (long k = std::max(0L, centre - 1); k <= std::min(beams - 1, centre + 1); ++k) {
    const float earlier = reference.ranges[static_cast<std::size_t>(k)];
    if (std::isnan(earlier) || earlier <= distance + settings_.free_space_margin) {
      return false;
    }
  }
  return true;
}

void DynamicLaserDetector::remember(
  const sensor_msgs::msg::LaserScan & scan, const PlanarPose & sensor, double stamp)
{
  PastScan past;
  past.stamp = stamp;
  past.sensor_in_odom = sensor;
  past.angle_min = scan.angle_min;
  past.angle_increment = scan.angle_increment;
  past.ranges = scan.ranges;
  history_.push_back(std::move(past));
  while (!history_.empty() && stamp - history_.front().stamp > settings_.history_length) {
    history_.pop_front();
  }
}

}  // namespace perception
}  // namespace orvane
