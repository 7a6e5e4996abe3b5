#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "rclcpp/rclcpp.hpp"
#include "scratch_folder.hpp"

using quillon_dynamic_detector::declareTrailscanParameters;
using quillon_dynamic_detector::TrackingFrame;
using quillon_dynamic_detector::TrailscanSettings;

namespace
{

struct ParameterRow
{
  const char * key;
  const char * type;  // field type: float64, float32, int32, bool
  const char * default_value;
};

// Every dotted trailscan parameter with its field type and documented default.
const std::vector<ParameterRow> PARAMETER_TABLE = {
  {"clustering.tolerance", "float64", "0.18"},
  {"clustering.min_cluster_size", "int32", "10"},
  {"clustering.max_cluster_size", "int32", "1000"},
  {"clustering.max_range", "float64", "5.0"},
  {"clustering.far_min_cluster_size", "int32", "0"},
  {"clustering.leg_min_cluster_size", "int32", "0"},
  {"clustering.far_range", "float64", "3.0"},
  {"clustering.tracked_leg_reach", "float64", "0.0"},
  {"cluster_merge.enable", "bool", "true"},
  {"cluster_merge.max_centroid_distance", "float64", "0.32"},
  {"cluster_merge.max_radial_distance_diff", "float64", "0.18"},
  {"cluster_merge.max_angle_diff", "float64", "0.2"},
  {"cluster_merge.max_cluster_width", "float64", "0.16"},
  {"cluster_merge.max_cluster_length", "float64", "0.35"},
  {"cluster_merge.max_cluster_area", "float64", "0.04"},
  {"cluster_merge.max_cluster_points", "int32", "24"},
  {"cluster_merge.whole_group_within_limits", "bool", "false"},
  {"classifier.reject_max_width", "float64", "1.4"},
  {"classifier.reject_max_length", "float64", "2.2"},
  {"classifier.reject_max_area", "float64", "2.0"},
  {"classifier.width_good_min", "float64", "0.18"},
  {"classifier.width_good_max", "float64", "0.95"},
  {"classifier.width_weak_min", "float64", "0.1"},
  {"classifier.width_weak_max", "float64", "1.2"},
  {"classifier.width_good_score", "float64", "0.3"},
  {"classifier.width_weak_score", "float64", "0.1"},
  {"classifier.length_good_min", "float64", "0.18"},
  {"classifier.length_good_max", "float64", "1.3"},
  {"classifier.length_weak_min", "float64", "0.1"},
  {"classifier.length_weak_max", "float64", "1.6"},
  {"classifier.length_good_score", "float64", "0.2"},
  {"classifier.length_weak_score", "float64", "0.05"},
  {"classifier.aspect_good_diff", "float64", "0.3"},
  {"classifier.aspect_weak_diff", "float64", "1.0"},
  {"classifier.aspect_good_score", "float64", "0.2"},
  {"classifier.aspect_weak_score", "float64", "0.1"},
  {"classifier.compactness_good_min", "float64", "0.55"},
  {"classifier.compactness_weak_min", "float64", "0.25"},
  {"classifier.compactness_good_score", "float64", "0.2"},
  {"classifier.compactness_weak_score", "float64", "0.1"},
  {"classifier.area_good_min", "float64", "0.03"},
  {"classifier.area_good_max", "float64", "0.8"},
  {"classifier.area_weak_min", "float64", "0.01"},
  {"classifier.area_weak_max", "float64", "1.2"},
  {"classifier.area_good_score", "float64", "0.15"},
  {"classifier.area_weak_score", "float64", "0.05"},
  {"classifier.points_good_min", "int32", "8"},
  {"classifier.points_weak_min", "int32", "4"},
  {"classifier.points_min", "int32", "2"},
  {"classifier.points_good_score", "float64", "0.15"},
  {"classifier.points_weak_score", "float64", "0.08"},
  {"classifier.points_min_score", "float64", "0.03"},
  {"classifier.pedestrian_score_threshold", "float64", "0.45"},
  {"tracker.confirm_threshold", "int32", "2"},
  {"tracker.max_coasting_frames", "int32", "10"},
  {"tracker.dynamic_gate", "float32", "1.0"},
  {"tracker.static_gate", "float32", "0.5"},
  {"tracker.init_score_threshold", "float32", "0.2"},
  {"tracker.pedestrian_speed_min", "float32", "0.1"},
  {"tracker.pedestrian_speed_max", "float32", "2.5"},
  {"tracker.pedestrian_speed_hard_max", "float32", "5.5"},
  {"tracker.motion_add_weight", "float32", "0.25"},
  {"tracker.medium_speed_max", "float32", "3.5"},
  {"tracker.medium_speed_add_weight", "float32", "0.1"},
  {"tracker.high_speed_penalty_weight", "float32", "0.15"},
  {"tracker.stop_speed_threshold", "float32", "0.05"},
  {"tracker.stop_protection_bonus", "float32", "0.05"},
  {"tracker.consistency_confidence_min", "float32", "0.35"},
  {"tracker.consistency_threshold", "float32", "0.7"},
  {"tracker.consistency_speed_min", "float32", "0.08"},
  {"tracker.consistency_bonus_weight", "float32", "0.1"},
  {"tracker.keep_pedestrian_threshold", "float32", "0.3"},
  {"tracker.upgrade_pedestrian_threshold", "float32", "0.45"},
  {"tracker.keep_due_to_stop_threshold", "float32", "0.1"},
  {"tracker.motion_hit_confidence_divisor", "float32", "3.0"},
  {"tracker.motion_covariance_norm", "float32", "3.0"},
  {"tracker.motion_hit_weight", "float32", "0.6"},
  {"tracker.motion_consistency_weight", "float32", "0.25"},
  {"tracker.motion_covariance_weight", "float32", "0.15"},
  {"tracker.coasting_penalty", "float32", "0.2"},
  {"tracker.motion_zero_speed_threshold", "float32", "0.05"},
  {"tracker.motion_consistency_alpha", "float32", "0.7"},
  {"tracker.motion_speed_ema_alpha", "float32", "0.7"},
  {"tracker.motion_stationary_consistency", "float32", "1.0"},
  {"tracker.motion_default_consistency", "float32", "0.5"},
  {"tracker.initial_position_covariance", "float32", "0.1"},
  {"tracker.initial_velocity_covariance", "float32", "1.0"},
  {"tracker.measurement_noise", "float32", "0.05"},
  {"tracker.default_dt", "float32", "0.1"},
  {"tracker.max_dt", "float32", "1.0"},
  {"tracker.process_noise_position", "float32", "0.01"},
  {"tracker.process_noise_velocity", "float32", "0.5"},
  {"tracker.marker_arrow_speed_threshold", "float32", "0.1"},
  {"tracker.marker_text_heading_speed_threshold", "float32", "0.1"},
  {"tracker.min_dynamic_updates_for_static_retention", "int32", "3"},
  {"tracker.max_consecutive_static_updates", "int32", "120"},
  {"tracker.min_motion_for_static_retention", "float32", "0.15"},
  {"tracker.min_displacement_for_static_retention", "float32", "0.2"},
  {"tracker.new_track_suppression_distance", "float32", "0.45"},
  {"tracker.new_track_suppression_max_width", "float32", "0.22"},
  {"tracker.new_track_suppression_max_length", "float32", "0.6"},
  {"tracker.new_track_suppression_max_points", "int32", "32"},
  {"tracker.duplicate_track_distance", "float32", "0.35"},
  {"tracker.duplicate_track_velocity_angle", "float32", "0.8"},
  {"tracker.duplicate_track_merge_hits", "int32", "3"},
  {"tracker.static_retention_max_speed", "float32", "0.0"},
  {"tracker.static_retention_memory", "float32", "0.0"},
  {"tracker.seen_empty_timeout", "float32", "0.0"},
  {"tracker.pedestrian_min_displacement", "float32", "0.0"},
  {"tracker.straight_edge_length", "float32", "0.0"},
  {"tracker.straight_edge_thickness", "float32", "0.01"},
  {"tracker.occluded_coast_time", "float32", "0.0"},
  {"tracker.stopped_hold_time", "float32", "0.0"},
  {"tracker.reidentify_time", "float32", "0.0"},
  {"tracker.birth_max_range", "float32", "0.0"},
  {"tracker.reidentify_reach_growth", "float32", "0.5"},
  {"tracker.reidentify_margin", "float32", "0.5"},
  {"tracker.keep_due_to_stop_min_displacement", "float32", "0.0"},
  {"tracker.association_across_factor", "float32", "1.0"},
  {"tracker.track_in_odom", "bool", "false"},
  {"tracker.odom_at_beam_time", "bool", "false"},
  {"tracker.publish_track_ids", "bool", "false"},
  {"runtime.max_input_age_ms", "float64", "250.0"},
  {"runtime.input_age_on_node_clock", "bool", "false"},
  {"frontend.use_geometric_motion_detector", "bool", "false"},
};

class TrailscanSettingsTest : public ::testing::Test
{
protected:
  void SetUp() override { rclcpp::init(0, nullptr); }
  void TearDown() override { rclcpp::shutdown(); }

  // Declaring with `setting` (-p) throws std::invalid_argument "parameter <text>".
  static void expectRefused(const std::string & setting, const std::string & text)
  {
    auto node = nodeWith({"-p", setting});
    try {
      declareTrailscanParameters(*node);
      ADD_FAILURE() << setting << " was accepted";
    } catch (const std::invalid_argument & e) {
      EXPECT_EQ(std::string(e.what()), "parameter " + text);
    }
  }

  static std::shared_ptr<rclcpp::Node> nodeWith(const std::vector<std::string> & ros_args)
  {
    std::vector<std::string> args{"--ros-args"};
    args.insert(args.end(), ros_args.begin(), ros_args.end());
    return std::make_shared<rclcpp::Node>(
      "laser_subscriber", rclcpp::NodeOptions().arguments(args));
  }

  static std::string writeFile(const std::string & name, const std::string & text)
  {
    return quillon_test::scratchFolder().write(name, text);
  }
};

}  // namespace

// A start without any parameter file declares exactly the documented defaults, single-precision
// ones too (0.1, not the nearest float widened to double), while the records hold the fields'
// own types.
TEST_F(TrailscanSettingsTest, DefaultsMatchTheParameterTable)
{
  auto node = nodeWith({});
  const TrailscanSettings s = declareTrailscanParameters(*node);
  ASSERT_EQ(PARAMETER_TABLE.size(), 125u);
  for (const ParameterRow & row : PARAMETER_TABLE) {
    SCOPED_TRACE(row.key);
    const rclcpp::Parameter p = node->get_parameter(row.key);
    const std::string type = row.type;
    if (type == "float64" || type == "float32") {
      ASSERT_EQ(p.get_type(), rclcpp::ParameterType::PARAMETER_DOUBLE);
      EXPECT_EQ(p.as_double(), std::strtod(row.default_value, nullptr));
    } else if (type == "int32") {
      ASSERT_EQ(p.get_type(), rclcpp::ParameterType::PARAMETER_INTEGER);
      EXPECT_EQ(p.as_int(), std::strtoll(row.default_value, nullptr, 10));
    } else {
      ASSERT_EQ(p.get_type(), rclcpp::ParameterType::PARAMETER_BOOL);
      EXPECT_EQ(p.as_bool(), std::string(row.default_value) == "true");
    }
  }
  EXPECT_EQ(node->get_parameter("tracker.default_dt").as_double(), 0.1);
  EXPECT_EQ(
    s.detector_cfg_file, std::string(std::getenv("AMENT_PREFIX_PATH")) +
                           "/share/quillon_dynamic_detector/config/cfg.yaml");
  EXPECT_EQ(node->get_parameter("detector_cfg_file").as_string(), s.detector_cfg_file);

  // The records hold the same values.
  EXPECT_EQ(s.clustering.tolerance, 0.18);
  EXPECT_EQ(s.clustering.min_cluster_size, 10);
  EXPECT_EQ(s.clustering.max_cluster_size, 1000);
  EXPECT_TRUE(s.cluster_merge.enable);
  EXPECT_EQ(s.cluster_merge.max_cluster_points, 24);
  EXPECT_EQ(s.classifier.reject_max_width, 1.4);
  EXPECT_EQ(s.classifier.points_min, 2);
  EXPECT_EQ(s.classifier.pedestrian_score_threshold, 0.45);
  EXPECT_EQ(s.tracker.confirm_threshold, 2);
  EXPECT_EQ(s.tracker.default_dt, 0.1f);
  EXPECT_EQ(s.tracker.duplicate_track_merge_hits, 3);
  EXPECT_EQ(s.max_input_age_ms, 250.0);
  EXPECT_FALSE(s.use_geometric_motion_detector);
}

TEST_F(TrailscanSettingsTest, OverridesFromTheCommandLineAndFilesAreNarrowedToTheFieldTypes)
{
  const std::string file = writeFile(
    "trailscan_params.yaml",
    "laser_subscriber:\n"
    "  ros__parameters:\n"
    "    clustering:\n"
    "      tolerance: 0.25\n"
    "    classifier.points_min: 5\n"
    "    frontend.use_geometric_motion_detector: true\n"
    "    detector_cfg_file: \"\"\n"
    "/**:\n"
    "  ros__parameters:\n"
    "    runtime.max_input_age_ms: 400.0\n");
  auto node = nodeWith(
    {"--params-file", file, "-p", "tracker.default_dt:=0.123456789", "-p",
     "tracker.max_coasting_frames:=7", "-p", "cluster_merge.enable:=false"});
  const TrailscanSettings s = declareTrailscanParameters(*node);
  EXPECT_EQ(s.clustering.tolerance, 0.25);
  EXPECT_EQ(s.classifier.points_min, 5);
  EXPECT_TRUE(s.use_geometric_motion_detector);
  EXPECT_EQ(s.max_input_age_ms, 400.0);
  EXPECT_FALSE(s.cluster_merge.enable);
  EXPECT_EQ(s.tracker.default_dt, 0.12345679f);
  EXPECT_EQ(node->get_parameter("tracker.default_dt").as_double(), 0.123456789);
  EXPECT_EQ(s.tracker.max_coasting_frames, 7);
  // An empty configuration path means the packaged default.
  EXPECT_EQ(s.detector_cfg_file, quillon_dynamic_detector::defaultDetectorConfigPath());
}

TEST_F(TrailscanSettingsTest, AValueOfTheWrongTypeStopsDeclaration)
{
  auto node = nodeWith({"-p", "clustering.min_cluster_size:=2.5"});
  try {
    declareTrailscanParameters(*node);
    FAIL() << "a double for an integer parameter was accepted";
  } catch (const rclcpp::exceptions::InvalidParameterTypeException & e) {
    EXPECT_STREQ(
      e.what(),
      "parameter 'clustering.min_cluster_size' has invalid type: Wrong parameter type, parameter "
      "{clustering.min_cluster_size} is of type {integer}, setting it to {double} is not allowed.");
  }
  // An integer literal for a double key is refused too.
  auto other = nodeWith({"-p", "clustering.tolerance:=1"});
  EXPECT_THROW(
    declareTrailscanParameters(*other), rclcpp::exceptions::InvalidParameterTypeException);
}

// NaN or infinite noise and covariance values turned every published track into NaN; float32
// fields also refuse finite doubles that would become infinite.
TEST_F(TrailscanSettingsTest, NonFiniteNumbersAreRefusedWithTheParameterName)
{
  const std::pair<const char *, const char *> cases[] = {
    {"tracker.measurement_noise:=.nan",
     "'tracker.measurement_noise' must be a finite number "
     "within float range, not nan"},
    {"clustering.max_range:=-.inf", "'clustering.max_range' must be a finite number, not -inf"},
    {"tracker.default_dt:=1.0e39",
     "'tracker.default_dt' must be a finite number within float range, not 1e+39"},
    {"runtime.max_input_age_ms:=.inf",
     "'runtime.max_input_age_ms' must be a finite number, not inf"},
  };
  for (const auto & [setting, text] : cases) {
    expectRefused(setting, text);
  }
  // Large finite values stay allowed: recordings are replayed with a huge age limit.
  auto node = nodeWith({"-p", "runtime.max_input_age_ms:=1.0e12"});
  EXPECT_EQ(declareTrailscanParameters(*node).max_input_age_ms, 1.0e12);
}

// A value that cannot work stops start-up naming the parameter, the value and what it must be: a
// negative noise made the filter's covariance meaningless, and a negative count of coasting scans
// or one beyond 32 bits ran on silently. A workable value outside the usual range is taken.
TEST_F(TrailscanSettingsTest, ValuesThatCannotWorkAreRefusedAndUnusualOnesTaken)
{
  const std::pair<const char *, const char *> cases[] = {
    {"tracker.process_noise_position:=-5.0",
     "'tracker.process_noise_position' is -5, which cannot work: it must be >= 0 m^2/s^2"},
    {"tracker.max_coasting_frames:=-3",
     "'tracker.max_coasting_frames' is -3, which cannot work: it must be >= 0 and <= 2147483647 "
     "scans"},
    {"tracker.max_coasting_frames:=4294967297",
     "'tracker.max_coasting_frames' is 4294967297, which cannot work: it must be >= 0 and <= "
     "2147483647 scans"},
    {"clustering.tolerance:=0.0",
     "'clustering.tolerance' is 0, which cannot work: it must be > 0 m"},
    {"tracker.motion_speed_ema_alpha:=1.5",
     "'tracker.motion_speed_ema_alpha' is 1.5, which cannot work: it must be >= 0 and <= 1"},
  };
  for (const auto & [setting, text] : cases) {
    expectRefused(setting, text);
  }
  auto node = nodeWith({"-p", "clustering.tolerance:=3.0"});  // usual: at most 2 m
  EXPECT_EQ(declareTrailscanParameters(*node).clustering.tolerance, 3.0f);
}

// Carrying returns into odom at each beam's moment needs tracking in odom: set alone, the tracker
// stays in the scanner frame (start-up warns, see the start-up tests).
TEST_F(TrailscanSettingsTest, BeamTimeInOdomTakesEffectOnlyWithTrackingInOdom)
{
  auto alone = nodeWith({"-p", "tracker.odom_at_beam_time:=true"});
  EXPECT_EQ(declareTrailscanParameters(*alone).trackingFrame(), TrackingFrame::Scanner);
  auto both =
    nodeWith({"-p", "tracker.odom_at_beam_time:=true", "-p", "tracker.track_in_odom:=true"});
  EXPECT_EQ(declareTrailscanParameters(*both).trackingFrame(), TrackingFrame::OdomAtBeamTime);
  auto odom = nodeWith({"-p", "tracker.track_in_odom:=true"});
  EXPECT_EQ(declareTrailscanParameters(*odom).trackingFrame(), TrackingFrame::Odom);
}

// The self-filter is off unless set; its lists are read as pairs, and a list that describes no
// body stops start-up with the parameter's name, as a wrong type does.
TEST_F(TrailscanSettingsTest, SelfFilterListsAreOffByDefaultAndRefusedWithTheirNameWhenUnworkable)
{
  const TrailscanSettings defaults = declareTrailscanParameters(*nodeWith({}));
  EXPECT_TRUE(defaults.self_filter.footprint.empty());
  EXPECT_TRUE(defaults.self_filter.scan1_angle_ranges.empty());
  EXPECT_TRUE(defaults.self_filter.scan2_angle_ranges.empty());

  const TrailscanSettings set = declareTrailscanParameters(*nodeWith(
    {"-p", "self_filter.footprint:=[-0.5, -0.3, 0.2, -0.3, 0.2, 0.3]", "-p",
     "self_filter.scan2_angle_ranges:=[-2.3562, -2.255, 2.2856, 2.3531]"}));
  ASSERT_EQ(set.self_filter.footprint.size(), 3u);
  EXPECT_EQ(set.self_filter.footprint[2].y, 0.3);
  EXPECT_TRUE(set.self_filter.scan1_angle_ranges.empty());
  ASSERT_EQ(set.self_filter.scan2_angle_ranges.size(), 2u);
  EXPECT_EQ(set.self_filter.scan2_angle_ranges[1].from, 2.2856);

  const std::pair<const char *, const char *> cases[] = {
    {"self_filter.footprint:=[0.0, 0.0, 1.0, 1.0, 1.0, 0.0, 0.0, 1.0]",
     "parameter 'self_filter.footprint' must outline an area without crossing or touching "
     "itself"},
    {"self_filter.scan2_angle_ranges:=[2.35, 2.25]",
     "parameter 'self_filter.scan2_angle_ranges' must have from <= to in each pair, not [2.35, "
     "2.25]"},
  };
  for (const auto & [setting, text] : cases) {
    try {
      declareTrailscanParameters(*nodeWith({"-p", setting}));
      ADD_FAILURE() << setting << " was accepted";
    } catch (const std::invalid_argument & e) {
      EXPECT_EQ(std::string(e.what()), text);
    }
  }
  // Whole numbers make a list of integers, which the double lists refuse by type.
  EXPECT_THROW(
    declareTrailscanParameters(*nodeWith({"-p", "self_filter.footprint:=[0, 0, 1, 0, 0, 1]"})),
    rclcpp::exceptions::InvalidParameterTypeException);
}
