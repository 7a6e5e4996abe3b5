#ifndef QUILLON_DYNAMIC_DETECTOR__SCAN_PIPELINE_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SCAN_PIPELINE_HPP_

#include <cstddef>
#include <memory>
#include <string>

#include "quillon_dynamic_detector/classifier_config.hpp"
#include "quillon_dynamic_detector/cluster_merge_config.hpp"
#include "quillon_dynamic_detector/clustering_config.hpp"
#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/geometric_motion_detector.hpp"
#include "quillon_dynamic_detector/output_messages.hpp"
#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "quillon_dynamic_detector/scan_observers.hpp"
#include "quillon_dynamic_detector/scan_outcome.hpp"
#include "quillon_dynamic_detector/self_filter.hpp"
#include "quillon_dynamic_detector/tracking_frame_choice.hpp"
#include "quillon_perception_libs/dynamic_laser_detector.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/publisher.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "tf2_ros/buffer.h"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_dynamic_detector
{

using ObjectListPublisher = rclcpp::Publisher<quillon_protocol::msg::ObjectList>::SharedPtr;
using MarkerPublisher = rclcpp::Publisher<visualization_msgs::msg::MarkerArray>::SharedPtr;

// Scans with more beams are dropped: both scanners share one executor thread, so at 40 Hz a scan
// may cost at most 12.5 ms, and clustering time grows faster than the beam count (every point is
// compared with its neighbours, and a denser scan has more of them). Whole pipeline per scan of
// the benchmark room (scan_pipeline_benchmark, BM_ProcessBenchmarkRoomByBeamCount: 270 degrees,
// walls, furniture, three people), stand-in / geometric detector, median on an idle 2-core
// machine:
//   1081 beams: 1.2 / 0.9 ms   2048: 2.8 / 1.9 ms   4096: 5.3 / 4.0 ms   5120: 7.0 / 5.3 ms
//   6144 beams: 7.9 / 6.7 ms   8192: 11.9 / 10.0 ms   16384: 30.3 / 28.3 ms
// With the machine busy with other work the same scans took up to 1.6 times as long (6144 beams:
// 12.9 ms), so the limit keeps that margin; scanners of 4096 beams fit.
constexpr std::size_t MAX_SCAN_BEAMS = 5120;

// The whole per-scan work of one scanner, with either moving-point detector: drops stale and
// malformed scans, looks up the robot pose at the scan stamp, splits the scan into moving and
// static returns, clusters and merges them, scores the moving clusters, updates the tracker and
// publishes the object list, markers and debug clouds. Each detector type has its own
// instantiation, and so its own log throttles. Returns what became of the scan.
// With `tracking_frame` "odom" the tracker works there (detections and static clusters carried
// there at the scan stamp, or each at its beam's moment, exported tracks and their markers carried
// back with the pose at the stamp), so that the robot's own driving and turning do not move the
// people it tracks; velocities are then over ground.
// `self_filter` removes the robot's own returns before the detector: it and every later stage
// see the filtered scan (without one, the received scan itself). Ages are measured on system
// time, or on `age_clock` when one is given (a replay's simulated clock). `observers` see what
// the detector and the tracker made of the scan (tools only).
template <typename Detector>
ScanOutcome processLaserScan(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan,
  const std::shared_ptr<tf2_ros::Buffer> & tf_buffer, Detector & detector, Clusterer & clusterer,
  const CloudPublisher & dynamic_cloud_pub, const CloudPublisher & static_cloud_pub,
  const CloudPublisher & raw_candidate_cloud_pub, const CloudPublisher & confirmed_cloud_pub,
  const CloudPublisher & local_map_cloud_pub, const ObjectListPublisher & objects_pub,
  const MarkerPublisher & markers_pub, const std::string & sensor_name,
  const std::string & output_frame, const ClusteringConfig & clustering,
  const ClusterMergeConfig & cluster_merge, const ClassifierConfig & classifier,
  double max_input_age_ms, PedestrianTracker & tracker,
  TrackingFrame tracking_frame = TrackingFrame::Scanner,
  const SelfFilter & self_filter = SelfFilter(), const ScanObservers & observers = {},
  const rclcpp::Clock::SharedPtr & age_clock = nullptr);

extern template ScanOutcome processLaserScan<orvane::perception::DynamicLaserDetector>(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr &, const std::shared_ptr<tf2_ros::Buffer> &,
  orvane::perception::DynamicLaserDetector &, Clusterer &, const CloudPublisher &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const ObjectListPublisher &, const MarkerPublisher &, const std::string &, const std::string &,
  const ClusteringConfig &, const ClusterMergeConfig &, const ClassifierConfig &, double,
  PedestrianTracker &, TrackingFrame, const SelfFilter &, const ScanObservers &,
  const rclcpp::Clock::SharedPtr &);

extern template ScanOutcome processLaserScan<GeometricMotionDetector>(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr &, const std::shared_ptr<tf2_ros::Buffer> &,
  GeometricMotionDetector &, Clusterer &, const CloudPublisher &, const CloudPublisher &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const ObjectListPublisher &, const MarkerPublisher &, const std::string &, const std::string &,
  const ClusteringConfig &, const ClusterMergeConfig &, const ClassifierConfig &, double,
  PedestrianTracker &, TrackingFrame, const SelfFilter &, const ScanObservers &,
  const rclcpp::Clock::SharedPtr &);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SCAN_PIPELINE_HPP_
