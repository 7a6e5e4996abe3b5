// What trailscan's pipeline made of each scan, recorded by the offline runner into its result
// bag (--debug-topics) and read back by the evaluation's error analysis.
#ifndef QUILLON_TOOLS__RUNNER__PIPELINE_RECORDS_HPP_
#define QUILLON_TOOLS__RUNNER__PIPELINE_RECORDS_HPP_

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/scan_observers.hpp"
#include "quillon_protocol/msg/object.hpp"
#include "quillon_tools/evaluation/miss_stage_table.hpp"
#include "quillon_tools/evaluation/miss_stages.hpp"
#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/runner/replay_runner.hpp"
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

// Hands `on_record` every scan record a result bag holds, with its scanner frame
// ("base_scan_01", "base_scan_02"), each as soon as its four clouds (moving and static returns,
// detections, tracks) have been read; a record missing one, or with one unreadable, is left
// out. Calls nothing for a bag recorded without --debug-topics.
void readPipelineRecords(
  const std::filesystem::path & bag,
  const std::function<void(const std::string & scanner_frame, const ScanRecord & record)> &
    on_record);

// The scanner frame of "/scan_01" or "/scan_02"; throws std::invalid_argument for another topic.
std::string scannerFrame(const std::string & scan_topic);

// Keeps in `table` what the pipeline of a replay made of each scan, as the scans pass: set its
// observers into the replay's options; it must outlive the replay.
class MissStageRecorder
{
public:
  MissStageRecorder(const GroundTruth & truth, MissStageTable & table);
  void observe(ReplayOptions & options);

private:
  const GroundTruth & truth_;
  MissStageTable & table_;
  std::map<std::string, ScanRecord> pending_;  // by scan topic: the detector's part
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__PIPELINE_RECORDS_HPP_
