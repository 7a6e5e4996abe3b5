#include <gtest/gtest.h>

#include <yaml-cpp/yaml.h>

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "ament_index_cpp/get_package_share_directory.hpp"
#include "quillon_dynamic_detector/geometric_detector_config.hpp"
#include "quillon_dynamic_detector/geometric_motion_detector.hpp"
#include "scan_builders.hpp"

using quillon_dynamic_detector::GeometricDetectorConfig;
using quillon_dynamic_detector::GeometricMotionDetector;
using quillon_dynamic_detector::loadGeometricDetectorConfig;
using quillon_dynamic_detector::builders::writeDetectorConfigFile;

namespace
{

using C = GeometricDetectorConfig;
using Field = std::variant<float C::*, int32_t C::*>;

struct KeyRow
{
  const char * key;
  Field field;
  double default_value;
};

// Every key of the detector with its documented default, in file order.
const std::vector<KeyRow> KEY_TABLE = {
  {"local_map_max_range", &C::local_map_max_range, 6.0},
  {"local_map_max_age", &C::local_map_max_age, 1.0},
  {"local_map_max_points", &C::local_map_max_points, 20000},
  {"residual_distance_near_base", &C::residual_distance_near_base, 0.08},
  {"residual_distance_mid_base", &C::residual_distance_mid_base, 0.12},
  {"residual_distance_far_base", &C::residual_distance_far_base, 0.18},
  {"residual_distance_near_limit", &C::residual_distance_near_limit, 1.5},
  {"residual_distance_far_limit", &C::residual_distance_far_limit, 3.5},
  {"geometric_motion_translation_threshold", &C::geometric_motion_translation_threshold, 0.01},
  {"geometric_motion_translation_full", &C::geometric_motion_translation_full, 0.08},
  {"geometric_motion_yaw_threshold", &C::geometric_motion_yaw_threshold, 0.03},
  {"geometric_motion_yaw_full", &C::geometric_motion_yaw_full, 0.12},
  {"geometric_motion_residual_boost", &C::geometric_motion_residual_boost, 0.1},
  {"geometric_yaw_far_range_threshold", &C::geometric_yaw_far_range_threshold, 2.5},
  {"geometric_yaw_far_residual_boost", &C::geometric_yaw_far_residual_boost, 0.12},
  {"geometric_edge_jump_base_threshold", &C::geometric_edge_jump_base_threshold, 0.1},
  {"geometric_edge_jump_range_scale", &C::geometric_edge_jump_range_scale, 0.04},
  {"geometric_edge_residual_boost", &C::geometric_edge_residual_boost, 0.08},
  {"geometric_edge_yaw_residual_boost", &C::geometric_edge_yaw_residual_boost, 0.14},
  {"geometric_edge_confirm_yaw_threshold", &C::geometric_edge_confirm_yaw_threshold, 0.35},
  {"geometric_edge_extra_confirm_hits", &C::geometric_edge_extra_confirm_hits, 1},
  {"geometric_near_range_priority_limit", &C::geometric_near_range_priority_limit, 1.2},
  {"geometric_near_range_residual_discount", &C::geometric_near_range_residual_discount, 0.03},
  {"geometric_near_range_motion_ceiling", &C::geometric_near_range_motion_ceiling, 0.25},
  {"geometric_static_candidate_resolution", &C::geometric_static_candidate_resolution, 0.1},
  {"geometric_static_candidate_match_radius", &C::geometric_static_candidate_match_radius, 0.18},
  {"geometric_static_candidate_confirm_hits", &C::geometric_static_candidate_confirm_hits, 3},
  {"geometric_static_candidate_edge_confirm_hits", &C::geometric_static_candidate_edge_confirm_hits,
   5},
  {"geometric_static_candidate_max_age", &C::geometric_static_candidate_max_age, 0.45},
  {"geometric_static_candidate_confirm_time", &C::geometric_static_candidate_confirm_time, 0.0},
  {"geometric_static_update_max_motion_intensity", &C::geometric_static_update_max_motion_intensity,
   0.35},
  {"geometric_static_update_max_yaw_intensity", &C::geometric_static_update_max_yaw_intensity, 0.3},
  {"geometric_static_map_bootstrap_min_points", &C::geometric_static_map_bootstrap_min_points, 150},
  {"geometric_static_map_bootstrap_max_motion_intensity",
   &C::geometric_static_map_bootstrap_max_motion_intensity, 0.2},
  {"geometric_static_map_bootstrap_max_yaw_intensity",
   &C::geometric_static_map_bootstrap_max_yaw_intensity, 0.2},
  {"geometric_residual_support_window", &C::geometric_residual_support_window, 2},
  {"geometric_residual_support_min_neighbors", &C::geometric_residual_support_min_neighbors, 2},
  {"geometric_residual_support_edge_min_neighbors",
   &C::geometric_residual_support_edge_min_neighbors, 3},
  {"geometric_residual_support_max_range_gap", &C::geometric_residual_support_max_range_gap, 0.2},
  {"geometric_dynamic_confirm_hits", &C::geometric_dynamic_confirm_hits, 2},
  {"geometric_dynamic_history_max_age", &C::geometric_dynamic_history_max_age, 0.25},
  {"geometric_dynamic_bucket_angle_resolution", &C::geometric_dynamic_bucket_angle_resolution,
   0.05},
  {"geometric_dynamic_confirm_whole_direction", &C::geometric_dynamic_confirm_whole_direction, 0},
  {"static_insert_min_separation", &C::static_insert_min_separation, 0.05},
  {"static_refresh_distance", &C::static_refresh_distance, 0.0},
  {"local_map_max_age_while_moving", &C::local_map_max_age_while_moving, 0.0},
  {"geometric_seen_through_memory", &C::geometric_seen_through_memory, 0.0},
  {"geometric_seen_through_margin", &C::geometric_seen_through_margin, 0.1},
  {"geometric_seen_through_margin_per_m", &C::geometric_seen_through_margin_per_m, 0.02},
  {"geometric_seen_through_turn_margin", &C::geometric_seen_through_turn_margin, 0.0},
  {"geometric_seen_through_learn_at_once_at_rest", &C::geometric_seen_through_learn_at_once_at_rest,
   1.0},
  {"geometric_seen_through_uncovered_depth", &C::geometric_seen_through_uncovered_depth, 0.0},
  {"min_range_for_detection", &C::min_range_for_detection, 0.2},
  {"max_range_for_detection", &C::max_range_for_detection, 5.0},
};

// Float fields must hold the single-precision constant, int fields the exact number.
void expectField(const GeometricDetectorConfig & config, const KeyRow & row, double expected)
{
  if (const auto * float_field = std::get_if<float C::*>(&row.field)) {
    EXPECT_EQ(config.*(*float_field), static_cast<float>(expected)) << row.key;
  } else {
    EXPECT_EQ(config.*std::get<int32_t C::*>(row.field), static_cast<int32_t>(expected)) << row.key;
  }
}

// Keys that take true or false (held as 1 or 0).
bool isFlag(const KeyRow & row)
{
  return std::string(row.key) == "geometric_seen_through_learn_at_once_at_rest" ||
         std::string(row.key) == "geometric_dynamic_confirm_whole_direction";
}

// A value for key `i` of the table unlike any default: numbers by their place, flags the other
// way round.
double distinctValue(std::size_t i)
{
  if (isFlag(KEY_TABLE[i])) {
    return KEY_TABLE[i].default_value == 0.0 ? 1.0 : 0.0;
  }
  return std::holds_alternative<float C::*>(KEY_TABLE[i].field) ? 100.25 + i : 100.0 + i;
}

GeometricDetectorConfig loadText(const std::string & name, const std::string & yaml)
{
  return loadGeometricDetectorConfig(writeDetectorConfigFile("config_test_" + name, yaml));
}

TEST(GeometricDetectorConfig, EmptyDocumentGivesEveryDefault)
{
  ASSERT_EQ(KEY_TABLE.size(), 54u);
  const GeometricDetectorConfig config = loadText("empty", "");
  for (const KeyRow & row : KEY_TABLE) {
    expectField(config, row, row.default_value);
  }
  EXPECT_EQ(config.geometric_motion_translation_threshold, 0.009999999776482582);
}

TEST(GeometricDetectorConfig, EveryKeyIsReadIntoItsOwnField)
{
  std::ostringstream yaml;
  for (std::size_t i = 0; i < KEY_TABLE.size(); ++i) {
    yaml << KEY_TABLE[i].key << ": ";
    if (isFlag(KEY_TABLE[i])) {
      yaml << (distinctValue(i) != 0.0 ? "true\n" : "false\n");
    } else {
      yaml << distinctValue(i) << "\n";
    }
  }
  const GeometricDetectorConfig config = loadText("all_keys", yaml.str());
  for (std::size_t i = 0; i < KEY_TABLE.size(); ++i) {
    expectField(config, KEY_TABLE[i], distinctValue(i));
  }
}

TEST(GeometricDetectorConfig, KeysOutsideTheTopLevelOrMisspeltKeepTheirDefaults)
{
  const GeometricDetectorConfig config = loadText(
    "nested",
    "dynamic_laser_detector:\n"
    "  local_map_max_range: 2.0\n"
    "local_map_max_rang: 3.0\n"
    "some_other_key: [1, 2]\n"
    "local_map_max_points: 500\n"
    "local_map_max_age: 6\n");
  EXPECT_EQ(config.local_map_max_range, 6.0f);
  EXPECT_EQ(config.local_map_max_points, 500);
  // An integer literal is accepted for a float key.
  EXPECT_EQ(config.local_map_max_age, 6.0f);
}

TEST(GeometricDetectorConfig, ValuesThatDoNotConvertEndConstruction)
{
  EXPECT_THROW(
    GeometricMotionDetector(
      writeDetectorConfigFile("config_test_fraction", "local_map_max_points: 500.5\n")),
    YAML::TypedBadConversion<int>);
  EXPECT_THROW(
    GeometricMotionDetector(
      writeDetectorConfigFile("config_test_string", "local_map_max_range: far\n")),
    YAML::TypedBadConversion<float>);
  EXPECT_THROW(
    GeometricMotionDetector(writeDetectorConfigFile("config_test_null", "local_map_max_range:\n")),
    YAML::TypedBadConversion<float>);
  EXPECT_THROW(GeometricMotionDetector("/nonexistent/cfg.yaml"), YAML::BadFile);
  EXPECT_THROW(
    GeometricMotionDetector(writeDetectorConfigFile("config_test_broken", "a: [1, 2\n")),
    YAML::ParserException);
}

// NaN and infinity are refused for every key, negative values for quantities with a unit or
// counts; the message names the key, the file, the rule and the value.
TEST(GeometricDetectorConfig, NonFiniteValuesAndNegativeQuantitiesAreRefused)
{
  struct Refused
  {
    const char * key;
    const char * value;
    const char * rule;
    const char * shown;
  };
  const Refused cases[] = {
    {"residual_distance_near_base", ".nan", "finite number of at least 0 metres", "nan"},
    {"max_range_for_detection", ".inf", "finite number of at least 0 metres", "inf"},
    {"residual_distance_far_base", "-0.01", "finite number of at least 0 metres", "-0.01"},
    {"local_map_max_points", "-1", "whole number of at least 0 points", "-1"},
    {"geometric_static_candidate_max_age", "-0.45", "finite number of at least 0 seconds", "-0.45"},
    {"geometric_dynamic_bucket_angle_resolution", "-0.05", "finite number of at least 0 radians",
     "-0.05"},
    {"geometric_motion_yaw_full", "-.inf", "finite number of at least 0 radians per scan", "-inf"},
    {"geometric_near_range_motion_ceiling", ".nan", "finite number", "nan"},
    {"geometric_seen_through_margin_per_m", "-0.02", "finite number of at least 0 metres per metre",
     "-0.02"},
  };
  for (const Refused & c : cases) {
    const std::string path =
      writeDetectorConfigFile("config_test_refused", std::string(c.key) + ": " + c.value + "\n");
    try {
      loadGeometricDetectorConfig(path);
      ADD_FAILURE() << c.key << ": " << c.value << " was accepted";
    } catch (const std::invalid_argument & e) {
      EXPECT_EQ(
        std::string(e.what()), std::string("detector key '") + c.key + "' in '" + path +
                                 "' must be a " + c.rule + ", not " + c.shown);
    }
  }
  EXPECT_THROW(
    GeometricMotionDetector(
      writeDetectorConfigFile("config_test_refused_detector", "local_map_max_age: -1.0\n")),
    std::invalid_argument);

  // Unitless ratios and intensities may be negative; zero stays a valid size, count and
  // resolution.
  const std::string accepted = writeDetectorConfigFile(
    "config_test_accepted",
    "geometric_edge_jump_range_scale: -0.04\n"
    "geometric_static_update_max_motion_intensity: -0.5\n"
    "local_map_max_points: 0\n"
    "local_map_max_age: 0\n"
    "geometric_static_candidate_resolution: 0.0\n"
    "geometric_dynamic_bucket_angle_resolution: 0\n");
  const GeometricDetectorConfig config = loadGeometricDetectorConfig(accepted);
  EXPECT_EQ(config.geometric_edge_jump_range_scale, -0.04f);
  EXPECT_EQ(config.geometric_static_update_max_motion_intensity, -0.5f);
  EXPECT_EQ(config.local_map_max_points, 0);
  EXPECT_EQ(config.local_map_max_age, 0.0f);
  EXPECT_EQ(config.geometric_static_candidate_resolution, 0.0f);
  EXPECT_EQ(config.geometric_dynamic_bucket_angle_resolution, 0.0f);
  EXPECT_NO_THROW(GeometricMotionDetector{accepted});
}

TEST(GeometricDetectorConfig, ShippedFileListsTheDefaults)
{
  const std::string path =
    ament_index_cpp::get_package_share_directory("quillon_dynamic_detector") + "/config/cfg.yaml";
  const YAML::Node document = YAML::LoadFile(path);
  const GeometricDetectorConfig config = loadGeometricDetectorConfig(path);
  for (const KeyRow & row : KEY_TABLE) {
    EXPECT_TRUE(document[row.key].IsDefined()) << row.key << " missing from cfg.yaml";
    expectField(config, row, row.default_value);
  }
  EXPECT_TRUE(document["dynamic_laser_detector"].IsMap());
}

}  // namespace
