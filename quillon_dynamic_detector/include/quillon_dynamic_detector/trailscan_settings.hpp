#ifndef QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_SETTINGS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_SETTINGS_HPP_

#include <string>

#include "quillon_dynamic_detector/classifier_config.hpp"
#include "quillon_dynamic_detector/cluster_merge_config.hpp"
#include "quillon_dynamic_detector/clustering_config.hpp"
#include "quillon_dynamic_detector/self_filter_config.hpp"
#include "quillon_dynamic_detector/tracker_config.hpp"
#include "quillon_dynamic_detector/tracking_frame_choice.hpp"

namespace rclcpp
{
class Node;
}

namespace quillon_dynamic_detector
{

// Everything trailscan reads from its ROS parameters, settled once at start-up.
struct TrailscanSettings
{
  std::string detector_cfg_file;
  ClusteringConfig clustering;
  ClusterMergeConfig cluster_merge;
  ClassifierConfig classifier = DEFAULT_CLASSIFIER_CONFIG;
  TrackerConfig tracker;
  double max_input_age_ms = 250.0;
  // Input ages (and the limit above) on the node's clock instead of system time: for replays on a
  // simulated clock, whose recorded stamps are years old by system time.
  bool input_age_on_node_clock = false;
  bool use_geometric_motion_detector = false;
  // Scanner 1 alone: no wait for the second mount, no subscription to its scans.
  bool single_scanner = false;
  // Track in "odom" instead of the scanner frame (see processLaserScan), with each return carried
  // there at its own beam's moment when odom_at_beam_time is set too.
  bool track_in_odom = false;
  bool odom_at_beam_time = false;
  // Write each published object's track id into Object.reserved_0 (for trailmerge's
  // "follow_track_ids", or a robot that consumes the scanner's list).
  bool publish_track_ids = false;
  // The robot's own body, removed from each scan before detection (removes nothing by default).
  SelfFilterConfig self_filter;

  TrackingFrame trackingFrame() const
  {
    if (!track_in_odom) {
      return TrackingFrame::Scanner;
    }
    return odom_at_beam_time ? TrackingFrame::OdomAtBeamTime : TrackingFrame::Odom;
  }
};

// Declares every trailscan parameter on the node, in order, and returns the effective values.
// A value of the wrong type throws rclcpp::exceptions::InvalidParameterTypeException; a NaN or
// infinite floating-point value, one beyond float range for a float32 field, or a self-filter
// outline or angle range that is none (see footprintFromValues) throws std::invalid_argument.
TrailscanSettings declareTrailscanParameters(rclcpp::Node & node);

// The default configuration file: <share of quillon_dynamic_detector>/config/cfg.yaml.
std::string defaultDetectorConfigPath();

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_SETTINGS_HPP_
