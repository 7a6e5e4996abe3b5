#include "quillon_tools/runner/detector_returns.hpp"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "sensor_msgs/msg/point_field.hpp"

namespace quillon_tools
{
namespace
{

// "/scan_01" -> "/scan1", the prefix of that scanner's debug topics.
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

sensor_msgs::msg::PointField floatField(const char * name, uint32_t offset)
{
  sensor_msgs::msg::PointField field;
  field.name = name;
  field.offset = offset;
  field.datatype = sensor_msgs::msg::PointField::FLOAT32;
  field.count = 1;
  return field;
}

}  // namespace

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

sensor_msgs::msg::PointCloud2 classCloud(
  const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & class_scan)
{
  constexpr uint32_t POINT_STEP = 12;
  sensor_msgs::msg::PointCloud2 cloud;
  cloud.header = scan.header;
  cloud.height = 1;
  cloud.fields = {floatField("x", 0), floatField("y", 4), floatField("z", 8)};
  cloud.is_bigendian = false;
  cloud.point_step = POINT_STEP;
  cloud.is_dense = true;
  for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
    if (!inClass(scan, class_scan, i)) {
      continue;
    }
    const double angle = scan.angle_min + static_cast<double>(i) * scan.angle_increment;
    const float point[3] = {
      static_cast<float>(scan.ranges[i] * std::cos(angle)),
      static_cast<float>(scan.ranges[i] * std::sin(angle)), 0.0f};
    const std::size_t at = cloud.data.size();
    cloud.data.resize(at + POINT_STEP);
    std::memcpy(cloud.data.data() + at, point, POINT_STEP);
  }
  cloud.width = static_cast<uint32_t>(cloud.data.size() / POINT_STEP);
  cloud.row_step = static_cast<uint32_t>(cloud.data.size());
  return cloud;
}

}  // namespace quillon_tools
