#include "quillon_dynamic_detector/geometric_motion_detector.hpp"

#include <cfloat>

#include <yaml-cpp/yaml.h>

namespace quillon_dynamic_detector
{

GeometricMotionDetector::GeometricMotionDetector(const std::string & config_path)
: sensor_to_base(Eigen::Matrix4f::Identity())
{
  // The file must exist and parse even while the closed detector is selected.
  YAML::LoadFile(config_path);
}

void GeometricMotionDetector::processScan(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose &,
  const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
  const sensor_msgs::msg::LaserScan::SharedPtr & static_scan)
{
  // Without a learnt static map nothing can be told apart yet: every return is static.
  for (const auto & out : {dynamic_scan, static_scan}) {
    out->header = scan->header;
    out->angle_min = scan->angle_min;
    out->angle_max = scan->angle_max;
    out->angle_increment = scan->angle_increment;
  }
  dynamic_scan->ranges.assign(scan->ranges.size(), FLT_MAX);
  static_scan->ranges = scan->ranges;
}

}  // namespace quillon_dynamic_detector
