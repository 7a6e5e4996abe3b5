#include "quillon_tools/runner/detector_returns.hpp"

#include <cmath>
#include <stdexcept>
#include <vector>

#include "quillon_tools/runner/float_cloud.hpp"

namespace quillon_tools
{

std::string debugPrefix(const std::string & scan_topic)
{
  if (scan_topic == "/scan_01") {
    return "/scan1";
  }
  if (scan_topic == "/scan_02") {
    return "/scan2";
  }
  throw std::invalid_argument("no scanner listens on '" + scan_topic + "'");
}

std::string detectorMovingTopic(const std::string & scan_topic)
{
  return debugPrefix(scan_topic) + "/detector_moving_cloud";
}

std::string detectorStaticTopic(const std::string & scan_topic)
{
  return debugPrefix(scan_topic) + "/detector_static_cloud";
}

bool isReturn(const sensor_msgs::msg::LaserScan & scan, float range)
{
  return std::isfinite(range) && range > 0.0f && range >= scan.range_min && range <= scan.range_max;
}

bool inClass(
  const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & class_scan,
  std::size_t beam)
{
  return beam < scan.ranges.size() && beam < class_scan.ranges.size() &&
         isReturn(scan, scan.ranges[beam]) && class_scan.ranges[beam] == scan.ranges[beam];
}

std::vector<RecordedPoint> classReturns(
  const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & class_scan)
{
  std::vector<RecordedPoint> points;
  for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
    if (inClass(scan, class_scan, i)) {
      const double angle = scan.angle_min + static_cast<double>(i) * scan.angle_increment;
      points.push_back(
        {static_cast<float>(scan.ranges[i] * std::cos(angle)),
         static_cast<float>(scan.ranges[i] * std::sin(angle))});
    }
  }
  return points;
}

sensor_msgs::msg::PointCloud2 classCloud(
  const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & class_scan)
{
  std::vector<float> xyz;
  for (const RecordedPoint & point : classReturns(scan, class_scan)) {
    xyz.insert(xyz.end(), {point.x, point.y, 0.0F});
  }
  return floatCloud(scan.header, {"x", "y", "z"}, xyz);
}

}  // namespace quillon_tools
