#include "quillon_dynamic_detector/geometric_detector_config.hpp"

#include <yaml-cpp/yaml.h>

namespace quillon_dynamic_detector
{
namespace
{

// A key that is absent (or misspelt, or nested elsewhere) keeps the field's default; a present
// value must convert, otherwise yaml-cpp's conversion error ends the construction.
template <typename T>
void readKey(const YAML::Node & document, const char * key, T & field)
{
  const YAML::Node node = document[key];
  if (node.IsDefined()) {
    field = node.as<T>();
  }
}

}  // namespace

GeometricDetectorConfig loadGeometricDetectorConfig(const std::string & path)
{
  const YAML::Node doc = YAML::LoadFile(path);
  GeometricDetectorConfig c;
  readKey(doc, "local_map_max_range", c.local_map_max_range);
  readKey(doc, "local_map_max_age", c.local_map_max_age);
  readKey(doc, "local_map_max_points", c.local_map_max_points);
  readKey(doc, "residual_distance_near_base", c.residual_distance_near_base);
  readKey(doc, "residual_distance_mid_base", c.residual_distance_mid_base);
  readKey(doc, "residual_distance_far_base", c.residual_distance_far_base);
  readKey(doc, "residual_distance_near_limit", c.residual_distance_near_limit);
  readKey(doc, "residual_distance_far_limit", c.residual_distance_far_limit);
  readKey(doc, "geometric_motion_translation_threshold", c.geometric_motion_translation_threshold);
  readKey(doc, "geometric_motion_translation_full", c.geometric_motion_translation_full);
  readKey(doc, "geometric_motion_yaw_threshold", c.geometric_motion_yaw_threshold);
  readKey(doc, "geometric_motion_yaw_full", c.geometric_motion_yaw_full);
  readKey(doc, "geometric_motion_residual_boost", c.geometric_motion_residual_boost);
  readKey(doc, "geometric_yaw_far_range_threshold", c.geometric_yaw_far_range_threshold);
  readKey(doc, "geometric_yaw_far_residual_boost", c.geometric_yaw_far_residual_boost);
  readKey(doc, "geometric_edge_jump_base_threshold", c.geometric_edge_jump_base_threshold);
  readKey(doc, "geometric_edge_jump_range_scale", c.geometric_edge_jump_range_scale);
  readKey(doc, "geometric_edge_residual_boost", c.geometric_edge_residual_boost);
  readKey(doc, "geometric_edge_yaw_residual_boost", c.geometric_edge_yaw_residual_boost);
  readKey(doc, "geometric_edge_confirm_yaw_threshold", c.geometric_edge_confirm_yaw_threshold);
  readKey(doc, "geometric_edge_extra_confirm_hits", c.geometric_edge_extra_confirm_hits);
  readKey(doc, "geometric_near_range_priority_limit", c.geometric_near_range_priority_limit);
  readKey(doc, "geometric_near_range_residual_discount", c.geometric_near_range_residual_discount);
  readKey(doc, "geometric_near_range_motion_ceiling", c.geometric_near_range_motion_ceiling);
  readKey(doc, "geometric_static_candidate_resolution", c.geometric_static_candidate_resolution);
  readKey(
    doc, "geometric_static_candidate_match_radius", c.geometric_static_candidate_match_radius);
  readKey(
    doc, "geometric_static_candidate_confirm_hits", c.geometric_static_candidate_confirm_hits);
  readKey(
    doc, "geometric_static_candidate_edge_confirm_hits",
    c.geometric_static_candidate_edge_confirm_hits);
  readKey(doc, "geometric_static_candidate_max_age", c.geometric_static_candidate_max_age);
  readKey(
    doc, "geometric_static_update_max_motion_intensity",
    c.geometric_static_update_max_motion_intensity);
  readKey(
    doc, "geometric_static_update_max_yaw_intensity", c.geometric_static_update_max_yaw_intensity);
  readKey(
    doc, "geometric_static_map_bootstrap_min_points", c.geometric_static_map_bootstrap_min_points);
  readKey(
    doc, "geometric_static_map_bootstrap_max_motion_intensity",
    c.geometric_static_map_bootstrap_max_motion_intensity);
  readKey(
    doc, "geometric_static_map_bootstrap_max_yaw_intensity",
    c.geometric_static_map_bootstrap_max_yaw_intensity);
  readKey(doc, "geometric_residual_support_window", c.geometric_residual_support_window);
  readKey(
    doc, "geometric_residual_support_min_neighbors", c.geometric_residual_support_min_neighbors);
  readKey(
    doc, "geometric_residual_support_edge_min_neighbors",
    c.geometric_residual_support_edge_min_neighbors);
  readKey(
    doc, "geometric_residual_support_max_range_gap", c.geometric_residual_support_max_range_gap);
  readKey(doc, "geometric_dynamic_confirm_hits", c.geometric_dynamic_confirm_hits);
  readKey(doc, "geometric_dynamic_history_max_age", c.geometric_dynamic_history_max_age);
  readKey(
    doc, "geometric_dynamic_bucket_angle_resolution", c.geometric_dynamic_bucket_angle_resolution);
  readKey(doc, "static_insert_min_separation", c.static_insert_min_separation);
  readKey(doc, "min_range_for_detection", c.min_range_for_detection);
  readKey(doc, "max_range_for_detection", c.max_range_for_detection);
  return c;
}

}  // namespace quillon_dynamic_detector
