#include "quillon_dynamic_detector/trailscan_settings.hpp"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <yaml-cpp/yaml.h>

#include "ament_index_cpp/get_package_share_directory.hpp"
#include "quillon_dynamic_detector/check_params/parameter_schema.hpp"
#include "quillon_dynamic_detector/finite_parameter.hpp"
#include "quillon_dynamic_detector/parameter_limits.hpp"
#include "quillon_dynamic_detector/start_up_parameter.hpp"
#include "quillon_dynamic_detector/undeclared_parameters.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_dynamic_detector
{
namespace
{

// The shortest decimal that reads back as `value`, as a double: a single-precision default of 0.1
// is declared as 0.1, the value of the parameter table, not as 0.10000000149011612.
double shortestDecimal(float value)
{
  char text[32] = {};
  std::to_chars(text, text + sizeof(text) - 1, value);
  return std::strtod(text, nullptr);
}

using check_params::ParameterSchema;
using check_params::SchemaParameter;
using check_params::ValueType;
using rcl_interfaces::msg::ParameterDescriptor;

// The installed schema of trailscan's parameters: the descriptions and units `ros2 param
// describe` shows, and the limits beyond which a value cannot work. Without it trailscan would
// take any number, so a package installed without it does not start.
ParameterSchema installedSchema(const char * file = "trailscan.schema.json")
{
  return ParameterSchema::load(
    ament_index_cpp::get_package_share_directory("quillon_dynamic_detector") + "/schema/" + file);
}

// Refuses a number beyond what can work (a negative noise or count), naming the parameter and
// the value; a workable one outside the usual range is accepted with a warning.
void checkNumber(
  rclcpp::Node & node, const ParameterSchema & schema, const std::string & name, double value)
{
  const SchemaParameter * parameter = schema.find(name);
  if (parameter == nullptr) {
    return;
  }
  requireWithinLimits(name, value, parameter->hard, parameter->unit);
  if (!parameter->range.admits(value)) {
    const std::string unit = parameter->unit.empty() ? "" : " " + parameter->unit;
    RCLCPP_WARN(
      node.get_logger(), "parameter '%s' is %s, outside its usual range %s%s", name.c_str(),
      ParameterLimits::number(value).c_str(), parameter->range.text().c_str(), unit.c_str());
  }
}

// The limits beyond which a value cannot work as the descriptor's range, so that `ros2 param
// describe` shows them and rclcpp refuses a set beyond them. Only closed limits fit a range: a
// bound like "> 0" is left to checkNumber.
void setRange(const SchemaParameter & parameter, ParameterDescriptor & descriptor)
{
  const ParameterLimits & hard = parameter.hard;
  if (parameter.type == ValueType::number && !parameter.list) {
    setFloatingPointRange(hard, descriptor);
  } else if (parameter.type == ValueType::integer && hard.minimum && !hard.exclusive_maximum) {
    descriptor.integer_range.resize(1);
    descriptor.integer_range[0].from_value = static_cast<int64_t>(*hard.minimum);
    descriptor.integer_range[0].to_value =
      hard.maximum ? static_cast<int64_t>(*hard.maximum) : std::numeric_limits<int64_t>::max();
    descriptor.integer_range[0].step = 1;
  }
}

// Read once at start-up, with the schema's description, unit and limits.
ParameterDescriptor described(const ParameterSchema & schema, const std::string & name)
{
  ParameterDescriptor descriptor = readAtStartUp();
  if (const auto * parameter = schema.find(name)) {
    descriptor.description = parameter->description;
    if (!parameter->unit.empty()) {
      descriptor.description += " Unit: " + parameter->unit + ".";
    }
    setRange(*parameter, descriptor);
  }
  return descriptor;
}

// A number given for `name` (command line, parameter file) that cannot work is refused before the
// declaration, so that the message names the value and its limits (rclcpp's range refusal names
// neither). Other values are left to the declaration and the checks after it.
void refuseUnworkableOverride(
  rclcpp::Node & node, const ParameterSchema & schema, const std::string & name)
{
  const SchemaParameter * parameter = schema.find(name);
  if (parameter == nullptr) {
    return;
  }
  const auto & overrides = node.get_node_parameters_interface()->get_parameter_overrides();
  const auto given = overrides.find(name);
  if (
    given != overrides.end() && given->second.get_type() == rclcpp::PARAMETER_INTEGER &&
    parameter->type == ValueType::integer) {
    requireWithinLimits(
      name, static_cast<double>(given->second.get<int64_t>()), parameter->hard, parameter->unit);
  } else if (const auto number = givenDouble(node, name); number && std::isfinite(*number)) {
    requireWithinLimits(name, *number, parameter->hard, parameter->unit);
  }
}

// Declares "<group>.<key>" with the field's current value as default and stores the effective
// value back, converted to the field's type (float32 fields travel as double parameters, int32
// fields as integer parameters).
class GroupReader
{
public:
  GroupReader(rclcpp::Node & node, const std::string & group, const ParameterSchema & schema)
  : node_(node), prefix_(group + "."), schema_(schema)
  {
  }

  void read(const char * key, double & field)
  {
    refuseUnworkableOverride(node_, schema_, prefix_ + key);
    field = node_.declare_parameter(prefix_ + key, field, descriptor(key));
    requireFiniteParameter(prefix_ + key, field);
    checkNumber(node_, schema_, prefix_ + key, field);
  }

  // Beyond float range the narrowed value would be infinite.
  void read(const char * key, float & field)
  {
    refuseUnworkableOverride(node_, schema_, prefix_ + key);
    const double value =
      node_.declare_parameter(prefix_ + key, shortestDecimal(field), descriptor(key));
    requireFiniteParameter(prefix_ + key, value, FLT_MAX, " within float range");
    checkNumber(node_, schema_, prefix_ + key, value);
    field = static_cast<float>(value);
  }

  void read(const char * key, int32_t & field)
  {
    refuseUnworkableOverride(node_, schema_, prefix_ + key);
    const int64_t value =
      node_.declare_parameter(prefix_ + key, static_cast<int64_t>(field), descriptor(key));
    checkNumber(node_, schema_, prefix_ + key, static_cast<double>(value));
    field = static_cast<int32_t>(value);
  }

  void read(const char * key, bool & field)
  {
    field = node_.declare_parameter(prefix_ + key, field, descriptor(key));
  }

private:
  ParameterDescriptor descriptor(const char * key) const
  {
    return described(schema_, prefix_ + key);
  }

  rclcpp::Node & node_;
  std::string prefix_;
  const ParameterSchema & schema_;
};

// Key names are the field names, so one spelling serves both.
#define QUILLON_READ(reader, record, field) (reader).read(#field, (record).field)

void readClustering(rclcpp::Node & node, const ParameterSchema & schema, ClusteringConfig & c)
{
  GroupReader r(node, "clustering", schema);
  QUILLON_READ(r, c, tolerance);
  QUILLON_READ(r, c, min_cluster_size);
  QUILLON_READ(r, c, max_cluster_size);
  QUILLON_READ(r, c, max_range);
  QUILLON_READ(r, c, far_min_cluster_size);
  QUILLON_READ(r, c, far_range);
  QUILLON_READ(r, c, leg_min_cluster_size);
  QUILLON_READ(r, c, tracked_leg_reach);
}

void readClusterMerge(rclcpp::Node & node, const ParameterSchema & schema, ClusterMergeConfig & c)
{
  GroupReader r(node, "cluster_merge", schema);
  QUILLON_READ(r, c, enable);
  QUILLON_READ(r, c, max_centroid_distance);
  QUILLON_READ(r, c, max_radial_distance_diff);
  QUILLON_READ(r, c, max_angle_diff);
  QUILLON_READ(r, c, max_cluster_width);
  QUILLON_READ(r, c, max_cluster_length);
  QUILLON_READ(r, c, max_cluster_area);
  QUILLON_READ(r, c, max_cluster_points);
  QUILLON_READ(r, c, whole_group_within_limits);
}

void readClassifier(rclcpp::Node & node, const ParameterSchema & schema, ClassifierConfig & c)
{
  c = DEFAULT_CLASSIFIER_CONFIG;
  GroupReader r(node, "classifier", schema);
  QUILLON_READ(r, c, reject_max_width);
  QUILLON_READ(r, c, reject_max_length);
  QUILLON_READ(r, c, reject_max_area);
  QUILLON_READ(r, c, width_good_min);
  QUILLON_READ(r, c, width_good_max);
  QUILLON_READ(r, c, width_weak_min);
  QUILLON_READ(r, c, width_weak_max);
  QUILLON_READ(r, c, width_good_score);
  QUILLON_READ(r, c, width_weak_score);
  QUILLON_READ(r, c, length_good_min);
  QUILLON_READ(r, c, length_good_max);
  QUILLON_READ(r, c, length_weak_min);
  QUILLON_READ(r, c, length_weak_max);
  QUILLON_READ(r, c, length_good_score);
  QUILLON_READ(r, c, length_weak_score);
  QUILLON_READ(r, c, aspect_good_diff);
  QUILLON_READ(r, c, aspect_weak_diff);
  QUILLON_READ(r, c, aspect_good_score);
  QUILLON_READ(r, c, aspect_weak_score);
  QUILLON_READ(r, c, compactness_good_min);
  QUILLON_READ(r, c, compactness_weak_min);
  QUILLON_READ(r, c, compactness_good_score);
  QUILLON_READ(r, c, compactness_weak_score);
  QUILLON_READ(r, c, area_good_min);
  QUILLON_READ(r, c, area_good_max);
  QUILLON_READ(r, c, area_weak_min);
  QUILLON_READ(r, c, area_weak_max);
  QUILLON_READ(r, c, area_good_score);
  QUILLON_READ(r, c, area_weak_score);
  QUILLON_READ(r, c, points_good_min);
  QUILLON_READ(r, c, points_weak_min);
  QUILLON_READ(r, c, points_min);
  QUILLON_READ(r, c, points_good_score);
  QUILLON_READ(r, c, points_weak_score);
  QUILLON_READ(r, c, points_min_score);
  QUILLON_READ(r, c, pedestrian_score_threshold);
}

void readTracker(rclcpp::Node & node, const ParameterSchema & schema, TrackerConfig & c)
{
  GroupReader r(node, "tracker", schema);
  QUILLON_READ(r, c, confirm_threshold);
  QUILLON_READ(r, c, max_coasting_frames);
  QUILLON_READ(r, c, dynamic_gate);
  QUILLON_READ(r, c, static_gate);
  QUILLON_READ(r, c, init_score_threshold);
  QUILLON_READ(r, c, pedestrian_speed_min);
  QUILLON_READ(r, c, pedestrian_speed_max);
  QUILLON_READ(r, c, pedestrian_speed_hard_max);
  QUILLON_READ(r, c, motion_add_weight);
  QUILLON_READ(r, c, medium_speed_max);
  QUILLON_READ(r, c, medium_speed_add_weight);
  QUILLON_READ(r, c, high_speed_penalty_weight);
  QUILLON_READ(r, c, stop_speed_threshold);
  QUILLON_READ(r, c, stop_protection_bonus);
  QUILLON_READ(r, c, consistency_confidence_min);
  QUILLON_READ(r, c, consistency_threshold);
  QUILLON_READ(r, c, consistency_speed_min);
  QUILLON_READ(r, c, consistency_bonus_weight);
  QUILLON_READ(r, c, keep_pedestrian_threshold);
  QUILLON_READ(r, c, upgrade_pedestrian_threshold);
  QUILLON_READ(r, c, keep_due_to_stop_threshold);
  QUILLON_READ(r, c, motion_hit_confidence_divisor);
  QUILLON_READ(r, c, motion_covariance_norm);
  QUILLON_READ(r, c, motion_hit_weight);
  QUILLON_READ(r, c, motion_consistency_weight);
  QUILLON_READ(r, c, motion_covariance_weight);
  QUILLON_READ(r, c, coasting_penalty);
  QUILLON_READ(r, c, motion_zero_speed_threshold);
  QUILLON_READ(r, c, motion_consistency_alpha);
  QUILLON_READ(r, c, motion_speed_ema_alpha);
  QUILLON_READ(r, c, motion_stationary_consistency);
  QUILLON_READ(r, c, motion_default_consistency);
  QUILLON_READ(r, c, initial_position_covariance);
  QUILLON_READ(r, c, initial_velocity_covariance);
  QUILLON_READ(r, c, measurement_noise);
  QUILLON_READ(r, c, default_dt);
  QUILLON_READ(r, c, max_dt);
  QUILLON_READ(r, c, process_noise_position);
  QUILLON_READ(r, c, process_noise_velocity);
  QUILLON_READ(r, c, marker_arrow_speed_threshold);
  QUILLON_READ(r, c, marker_text_heading_speed_threshold);
  QUILLON_READ(r, c, min_dynamic_updates_for_static_retention);
  QUILLON_READ(r, c, max_consecutive_static_updates);
  QUILLON_READ(r, c, min_motion_for_static_retention);
  QUILLON_READ(r, c, min_displacement_for_static_retention);
  QUILLON_READ(r, c, new_track_suppression_distance);
  QUILLON_READ(r, c, new_track_suppression_max_width);
  QUILLON_READ(r, c, new_track_suppression_max_length);
  QUILLON_READ(r, c, new_track_suppression_max_points);
  QUILLON_READ(r, c, duplicate_track_distance);
  QUILLON_READ(r, c, duplicate_track_velocity_angle);
  QUILLON_READ(r, c, duplicate_track_merge_hits);
  QUILLON_READ(r, c, static_retention_max_speed);
  QUILLON_READ(r, c, static_retention_memory);
  QUILLON_READ(r, c, seen_empty_timeout);
  QUILLON_READ(r, c, pedestrian_min_displacement);
  QUILLON_READ(r, c, straight_edge_length);
  QUILLON_READ(r, c, straight_edge_thickness);
  QUILLON_READ(r, c, occluded_coast_time);
  QUILLON_READ(r, c, stopped_hold_time);
  QUILLON_READ(r, c, reidentify_time);
  QUILLON_READ(r, c, birth_max_range);
  QUILLON_READ(r, c, reidentify_reach_growth);
  QUILLON_READ(r, c, reidentify_margin);
  QUILLON_READ(r, c, split_cluster_distance);
  QUILLON_READ(r, c, split_min_track_age);
  QUILLON_READ(r, c, refind_max_acceleration);
  QUILLON_READ(r, c, refind_margin);
  QUILLON_READ(r, c, keep_due_to_stop_min_displacement);
  QUILLON_READ(r, c, association_across_factor);
  QUILLON_READ(r, c, stopped_yield_distance);
}

#undef QUILLON_READ

void readSelfFilter(rclcpp::Node & node, const ParameterSchema & schema, SelfFilterConfig & c)
{
  const auto values = [&node, &schema](const std::string & name) {
    return node.declare_parameter(name, std::vector<double>(), described(schema, name));
  };
  c.footprint = footprintFromValues("self_filter.footprint", values("self_filter.footprint"));
  c.scan1_angle_ranges = angleRangesFromValues(
    "self_filter.scan1_angle_ranges", values("self_filter.scan1_angle_ranges"));
  c.scan2_angle_ranges = angleRangesFromValues(
    "self_filter.scan2_angle_ranges", values("self_filter.scan2_angle_ranges"));
}

// Warns about each key of the detectors' configuration file at `path` that neither detector has,
// with the nearest known spelling: the detectors read the keys they know and would silently keep
// their defaults for a misspelt one. A file that cannot be read is left to the detectors, which
// refuse it with its reason.
void warnAboutUnknownDetectorKeys(rclcpp::Node & node, const std::string & path)
{
  ParameterSchema schema;
  YAML::Node root;
  try {
    schema = installedSchema("detector_config.schema.json");
    root = YAML::LoadFile(path);
  } catch (const std::exception &) {
    return;
  }
  if (!root.IsMap()) {
    return;
  }
  std::vector<std::string> keys;
  for (const auto & entry : root) {
    const std::string key = entry.first.as<std::string>("");
    if (schema.isGroup(key) && entry.second.IsMap()) {
      for (const auto & member : entry.second) {
        keys.push_back(key + "." + member.first.as<std::string>(""));
      }
    } else {
      keys.push_back(key);
    }
  }
  const std::vector<std::string> known = schema.names();
  for (const std::string & key : keys) {
    if (schema.find(key) != nullptr) {
      continue;
    }
    const auto nearest = closestSpelling(key, known);
    const std::string hint = nearest ? "; did you mean '" + *nearest + "'?" : ".";
    RCLCPP_WARN(
      node.get_logger(), "detector configuration '%s' sets '%s', which neither detector has%s %s",
      path.c_str(), key.c_str(), hint.c_str(), "It is ignored.");
  }
}

}  // namespace

std::string defaultDetectorConfigPath()
{
  return ament_index_cpp::get_package_share_directory("quillon_dynamic_detector") +
         "/config/cfg.yaml";
}

TrailscanSettings declareTrailscanParameters(rclcpp::Node & node)
{
  TrailscanSettings s;
  const ParameterSchema schema = installedSchema();
  const auto declare = [&node, &schema](const std::string & name, auto default_value) {
    return node.declare_parameter(name, default_value, described(schema, name));
  };
  const std::string default_cfg = defaultDetectorConfigPath();
  s.detector_cfg_file = declare("detector_cfg_file", default_cfg);
  if (s.detector_cfg_file.empty()) {
    s.detector_cfg_file = default_cfg;
  }
  readClustering(node, schema, s.clustering);
  readClusterMerge(node, schema, s.cluster_merge);
  readClassifier(node, schema, s.classifier);
  readTracker(node, schema, s.tracker);
  refuseUnworkableOverride(node, schema, "runtime.max_input_age_ms");
  s.max_input_age_ms = declare("runtime.max_input_age_ms", s.max_input_age_ms);
  requireFiniteParameter("runtime.max_input_age_ms", s.max_input_age_ms);
  checkNumber(node, schema, "runtime.max_input_age_ms", s.max_input_age_ms);
  s.input_age_on_node_clock = declare("runtime.input_age_on_node_clock", s.input_age_on_node_clock);
  s.use_geometric_motion_detector = declare("frontend.use_geometric_motion_detector", false);
  s.track_in_odom = declare("tracker.track_in_odom", s.track_in_odom);
  s.odom_at_beam_time = declare("tracker.odom_at_beam_time", s.odom_at_beam_time);
  if (s.odom_at_beam_time && !s.track_in_odom) {
    RCLCPP_WARN(
      node.get_logger(),
      "parameter 'tracker.odom_at_beam_time' is set, but it has no effect without "
      "'tracker.track_in_odom'");
  }
  s.publish_track_ids = declare("tracker.publish_track_ids", s.publish_track_ids);
  s.single_scanner = declare("single_scanner", s.single_scanner);
  readSelfFilter(node, schema, s.self_filter);
  warnAboutUndeclaredParameters(node);
  warnAboutUnknownDetectorKeys(node, s.detector_cfg_file);
  return s;
}

}  // namespace quillon_dynamic_detector
