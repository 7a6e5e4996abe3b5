// Builders for laser scans, robot poses and detector configuration files, so that each test reads
// as the situation it checks.
#ifndef SCAN_BUILDERS_HPP_
#define SCAN_BUILDERS_HPP_

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "builtin_interfaces/msg/time.hpp"
#include "geometry_msgs/msg/pose.hpp"
#include "scratch_folder.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{
namespace builders
{

// The robot's scanners: 1081 beams over 270 degrees.
constexpr std::size_t SCANNER_BEAMS = 1081;
constexpr float SCANNER_ANGLE_MIN = -2.35619449f;
constexpr float SCANNER_ANGLE_INCREMENT = 0.00436332313f;

inline builtin_interfaces::msg::Time stampAt(double seconds)
{
  builtin_interfaces::msg::Time stamp;
  const double whole = std::floor(seconds);
  stamp.sec = static_cast<int32_t>(whole);
  stamp.nanosec = static_cast<uint32_t>(std::llround((seconds - whole) * 1e9));
  if (stamp.nanosec >= 1000000000u) {
    stamp.sec += 1;
    stamp.nanosec -= 1000000000u;
  }
  return stamp;
}

// A scan whose every beam reads `range` (NaN: no return anywhere).
inline sensor_msgs::msg::LaserScan::SharedPtr makeScan(
  std::size_t beams, float angle_min, float angle_increment, float range, double stamp_seconds,
  const std::string & frame_id = "base_scan_01")
{
  auto scan = std::make_shared<sensor_msgs::msg::LaserScan>();
  scan->header.stamp = stampAt(stamp_seconds);
  scan->header.frame_id = frame_id;
  scan->angle_min = angle_min;
  scan->angle_increment = angle_increment;
  scan->angle_max = angle_min + static_cast<float>(beams == 0 ? 0 : beams - 1) * angle_increment;
  scan->time_increment = 0.0f;
  scan->scan_time = 0.04f;
  scan->range_min = 0.05f;
  scan->range_max = 30.0f;
  scan->ranges.assign(beams, range);
  return scan;
}

// A scan of the robot's scanners whose every beam reads `range`.
inline sensor_msgs::msg::LaserScan::SharedPtr makeScannerScan(float range, double stamp_seconds)
{
  return makeScan(SCANNER_BEAMS, SCANNER_ANGLE_MIN, SCANNER_ANGLE_INCREMENT, range, stamp_seconds);
}

// Sets beams first..last (inclusive) to `range`.
inline void setRanges(
  sensor_msgs::msg::LaserScan & scan, std::size_t first, std::size_t last, float range)
{
  for (std::size_t i = first; i <= last && i < scan.ranges.size(); ++i) {
    scan.ranges[i] = range;
  }
}

// The point a beam hits in the scanner frame, computed as the detectors do (single precision).
struct ScanPoint
{
  float x;
  float y;
};

inline ScanPoint beamPoint(const sensor_msgs::msg::LaserScan & scan, std::size_t i)
{
  const float angle = static_cast<float>(i) * scan.angle_increment + scan.angle_min;
  const float r = scan.ranges.at(i);
  return ScanPoint{r * std::cos(angle), r * std::sin(angle)};
}

// Indices of the beams that carry a return (not NaN, not infinite, below FLT_MAX).
inline std::vector<std::size_t> beamsWithReturn(const sensor_msgs::msg::LaserScan & scan)
{
  std::vector<std::size_t> beams;
  for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
    const float r = scan.ranges[i];
    if (std::isfinite(r) && r < std::numeric_limits<float>::max()) {
      beams.push_back(i);
    }
  }
  return beams;
}

// Pose of "base_footprint" in "odom": planar position and heading.
inline geometry_msgs::msg::Pose makePose(double x, double y, double yaw)
{
  geometry_msgs::msg::Pose pose;
  pose.position.x = x;
  pose.position.y = y;
  pose.orientation.z = std::sin(yaw / 2.0);
  pose.orientation.w = std::cos(yaw / 2.0);
  return pose;
}

// Writes a detector configuration file `name`.yaml into the program's scratch folder and returns
// its path.
inline std::string writeDetectorConfigFile(const std::string & name, const std::string & yaml)
{
  return quillon_test::scratchFolder().write(name + ".yaml", yaml);
}

}  // namespace builders
}  // namespace quillon_dynamic_detector

#endif  // SCAN_BUILDERS_HPP_
