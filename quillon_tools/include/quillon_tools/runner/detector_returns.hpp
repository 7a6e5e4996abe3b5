// What a moving-point detector made of a scan, in forms a user can look at and count: the
// returns of each class as a cloud, and the test of what counts as a return.
#ifndef QUILLON_TOOLS__RUNNER__DETECTOR_RETURNS_HPP_
#define QUILLON_TOOLS__RUNNER__DETECTOR_RETURNS_HPP_

#include <string>
#include <vector>

#include "quillon_tools/evaluation/miss_stages.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"

namespace quillon_tools
{

// "/scan_01" -> "/scan1", the prefix of that scanner's debug topics; throws
// std::invalid_argument for another topic.
std::string debugPrefix(const std::string & scan_topic);

// Result-bag topics of the detector's moving and static returns of scanner 1 or 2 ("/scan1/..."):
// the detectors' own debug clouds stay empty with the closed detector.
std::string detectorMovingTopic(const std::string & scan_topic);
std::string detectorStaticTopic(const std::string & scan_topic);

// A reading the scanner vouches for: finite and within [range_min, range_max] (0.0, NaN, error
// codes below range_min and ±inf are no return).
bool isReturn(const sensor_msgs::msg::LaserScan & scan, float range);

// Whether beam `beam` of `scan` is a return that the detector put into `class_scan` (one of the
// two scans it returned: a beam outside the class carries a range that is no return there).
bool inClass(
  const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & class_scan,
  std::size_t beam);

// The returns of `scan` the detector put into `class_scan`, in the scan's frame.
std::vector<RecordedPoint> classReturns(
  const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & class_scan);

// The returns of `scan` the detector put into `class_scan`, as an x, y, z float cloud in the
// scan's frame at its stamp.
sensor_msgs::msg::PointCloud2 classCloud(
  const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & class_scan);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__DETECTOR_RETURNS_HPP_
