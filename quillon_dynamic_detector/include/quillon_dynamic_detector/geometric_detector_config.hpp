#ifndef QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_DETECTOR_CONFIG_HPP_
#define QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_DETECTOR_CONFIG_HPP_

#include <cstdint>
#include <string>

namespace quillon_dynamic_detector
{

// Settings of the geometric motion detector, read from the top level of the detector YAML file.
// Fields are named like their keys; distances in metres, times in seconds, angles in radians,
// intensities unitless (0 to 1).
struct GeometricDetectorConfig
{
  float local_map_max_range = 6.0f;
  float local_map_max_age = 1.0f;
  int32_t local_map_max_points = 20000;
  float residual_distance_near_base = 0.08f;
  float residual_distance_mid_base = 0.12f;
  float residual_distance_far_base = 0.18f;
  float residual_distance_near_limit = 1.5f;
  float residual_distance_far_limit = 3.5f;
  float geometric_motion_translation_threshold = 0.01f;
  float geometric_motion_translation_full = 0.08f;
  float geometric_motion_yaw_threshold = 0.03f;
  float geometric_motion_yaw_full = 0.12f;
  float geometric_motion_residual_boost = 0.1f;
  float geometric_yaw_far_range_threshold = 2.5f;
  float geometric_yaw_far_residual_boost = 0.12f;
  float geometric_edge_jump_base_threshold = 0.1f;
  float geometric_edge_jump_range_scale = 0.04f;
  float geometric_edge_residual_boost = 0.08f;
  float geometric_edge_yaw_residual_boost = 0.14f;
  float geometric_edge_confirm_yaw_threshold = 0.35f;
  int32_t geometric_edge_extra_confirm_hits = 1;
  float geometric_near_range_priority_limit = 1.2f;
  float geometric_near_range_residual_discount = 0.03f;
  float geometric_near_range_motion_ceiling = 0.25f;
  float geometric_static_candidate_resolution = 0.1f;
  float geometric_static_candidate_match_radius = 0.18f;
  int32_t geometric_static_candidate_confirm_hits = 3;
  int32_t geometric_static_candidate_edge_confirm_hits = 5;
  float geometric_static_candidate_max_age = 0.45f;
  // s; above 0, a candidate also needs its sightings to span this long before it becomes a map
  // point: a foot planted for a step is not learnt as static while a wall is. 0: hits alone.
  float geometric_static_candidate_confirm_time = 0.0f;
  float geometric_static_update_max_motion_intensity = 0.35f;
  float geometric_static_update_max_yaw_intensity = 0.3f;
  int32_t geometric_static_map_bootstrap_min_points = 150;
  float geometric_static_map_bootstrap_max_motion_intensity = 0.2f;
  float geometric_static_map_bootstrap_max_yaw_intensity = 0.2f;
  int32_t geometric_residual_support_window = 2;
  int32_t geometric_residual_support_min_neighbors = 2;
  int32_t geometric_residual_support_edge_min_neighbors = 3;
  float geometric_residual_support_max_range_gap = 0.2f;
  int32_t geometric_dynamic_confirm_hits = 2;
  float geometric_dynamic_history_max_age = 0.25f;
  float geometric_dynamic_bucket_angle_resolution = 0.05f;
  // When 1, a viewing direction that confirms motion in a scan confirms every supported candidate
  // of it in that scan, also those examined before the confirming hit (with 0 the first one of a
  // run is left out: at 0.35 deg one of the three returns of a leg). A YAML boolean, kept as 0 or
  // 1.
  int32_t geometric_dynamic_confirm_whole_direction = 0;
  float static_insert_min_separation = 0.05f;
  // m; above 0, a point learnt again within this distance of a map point refreshes that point
  // (its age starts again) instead of being dropped, so that a wall in view stays learnt rather
  // than expiring after local_map_max_age and being learnt anew; points then expire wherever they
  // stand in the map. 0: a map point lives local_map_max_age from its first learning.
  float static_refresh_distance = 0.0f;
  // s; above 0, map points live this long instead of local_map_max_age while the robot moves
  // (motion intensity above 0): surfaces go out of view behind nearer things and come back as
  // the robot drives, and a thin leg is missed now and then, so a map that forgets them within
  // a second judges them anew each time. At rest only what moved comes into view. 0: off.
  float local_map_max_age_while_moving = 0.0f;
  // s; above 0, the scans of this long back decide two things for a spot off the map: seen
  // through by one of them (something moved into it) it is not learnt; never seen through (it
  // came into view) it is no motion candidate. 0: off.
  float geometric_seen_through_memory = 0.0f;
  // m, and m per m of range: how far past a spot an earlier beam must have reached.
  float geometric_seen_through_margin = 0.1f;
  float geometric_seen_through_margin_per_m = 0.02f;
  // m to either side of a spot per m of its range and per rad the scanner turned since the
  // earlier scan: those beams must have reached past it too (0: only the two around it).
  float geometric_seen_through_turn_margin = 0.0f;
  // m; above 0, a spot up to this far behind where the beams of a kept scan taken from the
  // scanner's place now ended, and the current scan sees through that end, was seen through too
  // (a leg stepping away along the beams). 0: off.
  float geometric_seen_through_uncovered_depth = 0.0f;
  // With the memory, a candidate never seen through is learnt at once while the robot moves; at
  // rest too when 1, otherwise through the usual sightings (and
  // geometric_static_candidate_confirm_time). A YAML boolean, kept as 0 or 1.
  int32_t geometric_seen_through_learn_at_once_at_rest = 1;
  float min_range_for_detection = 0.2f;
  float max_range_for_detection = 5.0f;
};

static_assert(
  sizeof(GeometricDetectorConfig) == 54 * 4, "GeometricDetectorConfig holds 54 four-byte fields");

// Reads the keys present at the top level of the YAML file at `path`; missing keys keep their
// defaults. Throws YAML::BadFile for an unreadable file, YAML::ParserException for invalid YAML
// and YAML::TypedBadConversion when a present value does not convert to its field's type (a
// flag's key takes true or false). Throws std::invalid_argument naming the key, the file, the
// rule and the value (e.g. "detector key 'local_map_max_range' in 'cfg.yaml' must be a finite
// number of at least 0 metres, not nan") for a NaN or infinite value, and for a negative value
// of a key measured in metres, seconds, radians (per scan or not) or counts; unitless
// intensities and ratios may be negative. Zero is accepted everywhere: the detector bounds its
// resolutions below by 0.001 where it uses them.
GeometricDetectorConfig loadGeometricDetectorConfig(const std::string & path);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__GEOMETRIC_DETECTOR_CONFIG_HPP_
