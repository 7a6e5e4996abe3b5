// What trailscan's pipeline made of each scan, recorded by the offline runner into its result
// bag (--debug-topics) and read back by the evaluation's error analysis.
#ifndef QUILLON_TOOLS__RUNNER__PIPELINE_RECORDS_HPP_
#define QUILLON_TOOLS__RUNNER__PIPELINE_RECORDS_HPP_

#include <filesystem>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/scan_observers.hpp"
#include "quillon_protocol/msg/object.hpp"
#include "quillon_tools/evaluation/miss_stages.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"

namespace quillon_tools
{

// Result-bag topics of scanner 1 or 2 ("/scan_01" -> "/scan1/..."): its detections and its
// tracks, published or not.
std::string detectionCloudTopic(const std::string & scan_topic);
std::string trackCloudTopic(const std::string & scan_topic);

// A scan's detections as a cloud at its stamp, in its frame: one point per detection at its
// centre, fields x, y, z and "pedestrian" (1 when its shape says so, else 0).
sensor_msgs::msg::PointCloud2 detectionCloud(
  const sensor_msgs::msg::LaserScan & scan,
  const std::vector<quillon_protocol::msg::Object> & detections);

// The tracks after a scan as a cloud at its stamp, in its frame: one point per track, fields x,
// y, z, "id", "state" (0 tentative, 1 confirmed, 2 coasting) and "pedestrian" (1 or 0).
sensor_msgs::msg::PointCloud2 trackCloud(
  const sensor_msgs::msg::LaserScan & scan,
  const std::vector<quillon_dynamic_detector::TrackSnapshot> & tracks);

// Every scan record a result bag holds, by scanner frame ("base_scan_01", "base_scan_02"): a
// record is made of the four clouds of one scan (moving and static returns, detections, tracks)
// and kept only when all four were read. Empty for a bag recorded without --debug-topics.
PipelineRecords readPipelineRecords(const std::filesystem::path & bag);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__PIPELINE_RECORDS_HPP_
