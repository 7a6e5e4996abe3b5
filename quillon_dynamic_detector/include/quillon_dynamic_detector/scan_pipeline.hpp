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
#include "quillon_dynamic_detector/scan_outcome.hpp"
#include "quillon_perception_libs/dynamic_laser_detector.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "rclcpp/publisher.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "tf2_ros/buffer.h"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_dynamic_detector
{

using ObjectListPublisher = rclcpp::Publisher<quillon_protocol::msg::ObjectList>::SharedPtr;
using MarkerPublisher = rclcpp::Publisher<visualization_msgs::msg::MarkerArray>::SharedPtr;

// Scans with more beams are dropped. Clustering time grows with the square of the point density
// and worse when points coincide (every range 0): 100 000 beams would block the executor for
// minutes. Planar scanners deliver a few thousand beams per scan; only the finest modes of a few
// 360-degree scanners go beyond this.
constexpr std::size_t MAX_SCAN_BEAMS = 16384;

// The whole per-scan work of one scanner, with either moving-point detector: drops stale and
// malformed scans, looks up the robot pose at the scan stamp, splits the scan into moving and
// static returns, clusters and merges them, scores the moving clusters, updates the tracker and
// publishes the object list, markers and debug clouds. Each detector type has its own
// instantiation, and so its own log throttles. Returns what became of the scan.
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
  double max_input_age_ms, PedestrianTracker & tracker);

extern template ScanOutcome processLaserScan<orvane::perception::DynamicLaserDetector>(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr &, const std::shared_ptr<tf2_ros::Buffer> &,
  orvane::perception::DynamicLaserDetector &, Clusterer &, const CloudPublisher &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const ObjectListPublisher &, const MarkerPublisher &, const std::string &, const std::string &,
  const ClusteringConfig &, const ClusterMergeConfig &, const ClassifierConfig &, double,
  PedestrianTracker &);

extern template ScanOutcome processLaserScan<GeometricMotionDetector>(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr &, const std::shared_ptr<tf2_ros::Buffer> &,
  GeometricMotionDetector &, Clusterer &, const CloudPublisher &, const CloudPublisher &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const ObjectListPublisher &, const MarkerPublisher &, const std::string &, const std::string &,
  const ClusteringConfig &, const ClusterMergeConfig &, const ClassifierConfig &, double,
  PedestrianTracker &);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SCAN_PIPELINE_HPP_
