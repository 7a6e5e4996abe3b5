#include "quillon_dynamic_detector/geometric_detector_config.hpp"

#include <yaml-cpp/yaml.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>

namespace quillon_dynamic_detector
{
namespace
{

using C = GeometricDetectorConfig;

// Units of the quantities that cannot be negative. A unitless intensity or ratio has none: any
// finite value is a setting, if an odd one.
constexpr const char * METRES = "metres";
constexpr const char * SECONDS = "seconds";
constexpr const char * RADIANS = "radians";
constexpr const char * METRES_PER_METRE = "metres per metre";
constexpr const char * METRES_PER_METRE_AND_RADIAN = "metres per metre and radian";
constexpr const char * METRES_PER_SCAN = "metres per scan";
constexpr const char * RADIANS_PER_SCAN = "radians per scan";
constexpr const char * POINTS = "points";
constexpr const char * HITS = "hits";
constexpr const char * BEAMS = "beams";
constexpr const char * NEIGHBOURS = "neighbours";
constexpr const char * UNITLESS = nullptr;
// A switch: the key takes true or false, the field holds 1 or 0.
constexpr const char * FLAG = "flag";

struct KeyRule
{
  const char * key;
  std::variant<float C::*, int32_t C::*> field;
  const char * unit;  // a value below zero is refused unless UNITLESS
};

// Every key with its field, in the order of cfg.yaml.
const KeyRule KEY_RULES[] = {
  {"local_map_max_range", &C::local_map_max_range, METRES},
  {"local_map_max_age", &C::local_map_max_age, SECONDS},
  {"local_map_max_points", &C::local_map_max_points, POINTS},
  {"residual_distance_near_base", &C::residual_distance_near_base, METRES},
  {"residual_distance_mid_base", &C::residual_distance_mid_base, METRES},
  {"residual_distance_far_base", &C::residual_distance_far_base, METRES},
  {"residual_distance_near_limit", &C::residual_distance_near_limit, METRES},
  {"residual_distance_far_limit", &C::residual_distance_far_limit, METRES},
  {"geometric_motion_translation_threshold", &C::geometric_motion_translation_threshold,
   METRES_PER_SCAN},
  {"geometric_motion_translation_full", &C::geometric_motion_translation_full, METRES_PER_SCAN},
  {"geometric_motion_yaw_threshold", &C::geometric_motion_yaw_threshold, RADIANS_PER_SCAN},
  {"geometric_motion_yaw_full", &C::geometric_motion_yaw_full, RADIANS_PER_SCAN},
  {"geometric_motion_residual_boost", &C::geometric_motion_residual_boost, METRES},
  {"geometric_yaw_far_range_threshold", &C::geometric_yaw_far_range_threshold, METRES},
  {"geometric_yaw_far_residual_boost", &C::geometric_yaw_far_residual_boost, METRES},
  {"geometric_edge_jump_base_threshold", &C::geometric_edge_jump_base_threshold, METRES},
  {"geometric_edge_jump_range_scale", &C::geometric_edge_jump_range_scale, UNITLESS},
  {"geometric_edge_residual_boost", &C::geometric_edge_residual_boost, METRES},
  {"geometric_edge_yaw_residual_boost", &C::geometric_edge_yaw_residual_boost, METRES},
  {"geometric_edge_confirm_yaw_threshold", &C::geometric_edge_confirm_yaw_threshold, UNITLESS},
  {"geometric_edge_extra_confirm_hits", &C::geometric_edge_extra_confirm_hits, HITS},
  {"geometric_near_range_priority_limit", &C::geometric_near_range_priority_limit, METRES},
  {"geometric_near_range_residual_discount", &C::geometric_near_range_residual_discount, METRES},
  {"geometric_near_range_motion_ceiling", &C::geometric_near_range_motion_ceiling, UNITLESS},
  {"geometric_static_candidate_resolution", &C::geometric_static_candidate_resolution, METRES},
  {"geometric_static_candidate_match_radius", &C::geometric_static_candidate_match_radius, METRES},
  {"geometric_static_candidate_confirm_hits", &C::geometric_static_candidate_confirm_hits, HITS},
  {"geometric_static_candidate_edge_confirm_hits", &C::geometric_static_candidate_edge_confirm_hits,
   HITS},
  {"geometric_static_candidate_max_age", &C::geometric_static_candidate_max_age, SECONDS},
  {"geometric_static_candidate_confirm_time", &C::geometric_static_candidate_confirm_time, SECONDS},
  {"geometric_static_update_max_motion_intensity", &C::geometric_static_update_max_motion_intensity,
   UNITLESS},
  {"geometric_static_update_max_yaw_intensity", &C::geometric_static_update_max_yaw_intensity,
   UNITLESS},
  {"geometric_static_map_bootstrap_min_points", &C::geometric_static_map_bootstrap_min_points,
   POINTS},
  {"geometric_static_map_bootstrap_max_motion_intensity",
   &C::geometric_static_map_bootstrap_max_motion_intensity, UNITLESS},
  {"geometric_static_map_bootstrap_max_yaw_intensity",
   &C::geometric_static_map_bootstrap_max_yaw_intensity, UNITLESS},
  {"static_insert_min_separation", &C::static_insert_min_separation, METRES},
  {"static_refresh_distance", &C::static_refresh_distance, METRES},
  {"local_map_max_age_while_moving", &C::local_map_max_age_while_moving, SECONDS},
  {"geometric_seen_through_memory", &C::geometric_seen_through_memory, SECONDS},
  {"geometric_seen_through_margin", &C::geometric_seen_through_margin, METRES},
  {"geometric_seen_through_margin_per_m", &C::geometric_seen_through_margin_per_m,
   METRES_PER_METRE},
  {"geometric_seen_through_turn_margin", &C::geometric_seen_through_turn_margin,
   METRES_PER_METRE_AND_RADIAN},
  {"geometric_seen_through_uncovered_depth", &C::geometric_seen_through_uncovered_depth, METRES},
  {"geometric_seen_through_learn_at_once_at_rest", &C::geometric_seen_through_learn_at_once_at_rest,
   FLAG},
  {"geometric_residual_support_window", &C::geometric_residual_support_window, BEAMS},
  {"geometric_residual_support_min_neighbors", &C::geometric_residual_support_min_neighbors,
   NEIGHBOURS},
  {"geometric_residual_support_edge_min_neighbors",
   &C::geometric_residual_support_edge_min_neighbors, NEIGHBOURS},
  {"geometric_residual_support_max_range_gap", &C::geometric_residual_support_max_range_gap,
   METRES},
  {"geometric_dynamic_confirm_hits", &C::geometric_dynamic_confirm_hits, HITS},
  {"geometric_dynamic_history_max_age", &C::geometric_dynamic_history_max_age, SECONDS},
  {"geometric_dynamic_bucket_angle_resolution", &C::geometric_dynamic_bucket_angle_resolution,
   RADIANS},
  {"geometric_dynamic_confirm_whole_direction", &C::geometric_dynamic_confirm_whole_direction,
   FLAG},
  {"min_range_for_detection", &C::min_range_for_detection, METRES},
  {"max_range_for_detection", &C::max_range_for_detection, METRES},
};

static_assert(
  sizeof(KEY_RULES) / sizeof(KEY_RULES[0]) == sizeof(GeometricDetectorConfig) / 4,
  "every field of GeometricDetectorConfig has its key");

// A NaN or infinite value defeats the detector's comparisons, and a negative distance, time,
// angle or count empties its map or detection band or marks every beam moving, all silently.
template <typename T>
bool isAcceptable(T value, const KeyRule & rule)
{
  return std::isfinite(static_cast<double>(value)) && (rule.unit == UNITLESS || value >= 0);
}

template <typename T>
std::string refusal(const std::string & path, const KeyRule & rule, T value)
{
  std::ostringstream text;
  text << "detector key '" << rule.key << "' in '" << path << "' must be a "
       << (std::is_integral_v<T> ? "whole number" : "finite number");
  if (rule.unit != UNITLESS) {
    text << " of at least 0 " << rule.unit;
  }
  text << ", not " << value;
  return text.str();
}

// A key that is absent (or misspelt, or nested elsewhere) keeps the field's default; a present
// value must convert, otherwise yaml-cpp's conversion error ends the construction.
template <typename T>
void readKey(
  const YAML::Node & document, const std::string & path, const KeyRule & rule, T C::*field,
  GeometricDetectorConfig & config)
{
  const YAML::Node node = document[rule.key];
  if (!node.IsDefined()) {
    return;
  }
  if (rule.unit == FLAG) {
    config.*field = node.as<bool>() ? 1 : 0;
    return;
  }
  const T value = node.as<T>();
  if (!isAcceptable(value, rule)) {
    throw std::invalid_argument(refusal(path, rule, value));
  }
  config.*field = value;
}

}  // namespace

GeometricDetectorConfig loadGeometricDetectorConfig(const std::string & path)
{
  const YAML::Node document = YAML::LoadFile(path);
  GeometricDetectorConfig config;
  for (const KeyRule & rule : KEY_RULES) {
    std::visit([&](auto field) { readKey(document, path, rule, field, config); }, rule.field);
  }
  return config;
}

}  // namespace quillon_dynamic_detector
