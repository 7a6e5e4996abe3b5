#ifndef QUILLON_DYNAMIC_DETECTOR__TRAILMERGE_SETTINGS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRAILMERGE_SETTINGS_HPP_

#include <string>

#include "quillon_dynamic_detector/fused_markers.hpp"
#include "quillon_dynamic_detector/object_fusion.hpp"

namespace rclcpp
{
class Node;
}

namespace quillon_dynamic_detector
{

// Everything trailmerge reads from its ROS parameters, settled once at start-up.
struct TrailmergeSettings
{
  std::string input_topic_1 = "/objects_laser1";
  std::string input_topic_2 = "/objects_laser2";
  std::string output_topic = "/objects_laser";
  std::string target_frame = "base_footprint";
  std::string sensor_name = "laser_fused";
  FusionConfig fusion;
  double max_msg_age = 0.3;  // s, either side of the clock
  double tf_timeout = 0.05;  // s, per transform lookup
  bool publish_markers = true;
  std::string marker_topic = "/objects_laser_markers";
  FusedMarkerConfig markers;
  // Carry each list's objects along the robot's own motion (by "odom") from the list's stamp
  // to the newest pose before fusing, so that lists of different ages agree.
  bool compensate_list_age = false;
  // Write each fused object's display id (the id its markers carry) into Object.reserved_0, for
  // robots that consume the list; otherwise reserved_0 passes through as it came.
  bool publish_object_ids = false;
  // Keep each fused object's display id with the tracks it is made of, by the track ids its
  // inputs carry in Object.reserved_0 (trailscan's "tracker.publish_track_ids").
  bool follow_track_ids = false;
};

// Declares the 24 trailmerge parameters on the node, in order, and returns the effective
// values. A value of the wrong type throws rclcpp::exceptions::InvalidParameterTypeException; a
// NaN or infinite floating-point value, or a duration beyond 9e9 s, throws std::invalid_argument.
TrailmergeSettings declareTrailmergeParameters(rclcpp::Node & node);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRAILMERGE_SETTINGS_HPP_
