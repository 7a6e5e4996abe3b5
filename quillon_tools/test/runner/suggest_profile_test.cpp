// quillon_suggest_profile measures the scanners of a recording and names the profile of the
// scanner model that made it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>

#include "child_process.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/profile_suggestion.hpp"
#include "quillon_tools/runner/scan_survey.hpp"
#include "quillon_tools/runner/scenario_bag.hpp"
#include "quillon_tools/simulation/scanner_model.hpp"
#include "scratch_folder.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using quillon_tools::ScanSurvey;

using quillon_test::scratch;

// Two seconds of the corridor scenario seen by a scanner model.
fs::path recordedWith(const std::string & model)
{
  quillon_tools::Scenario scenario = quillon_tools::makeScenario("corridor_walkers");
  scenario.scanner = model;
  quillon_tools::SimulatorConfig config;
  config.duration_s = 2.0;
  const fs::path bag = scratch(model);
  quillon_tools::writeScenarioBag(scenario, config, bag);
  return bag;
}

}  // namespace

TEST(SuggestProfile, EachModelsRecordingGetsThatModelsProfile)
{
  for (const std::string model : {"lidar_768_7p5hz", "lidar_1081_40hz"}) {
    SCOPED_TRACE(model);
    const auto & scan = quillon_tools::scannerModel(model).scan;
    const fs::path bag = recordedWith(model);

    const auto surveys = quillon_tools::surveyLaserScans(bag);
    ASSERT_EQ(surveys.size(), 2u);
    for (const ScanSurvey & s : surveys) {
      SCOPED_TRACE(s.topic);
      EXPECT_GE(s.scans, static_cast<uint64_t>(1.5 * scan.rate_hz));
      EXPECT_NEAR(s.rate_hz, scan.rate_hz, 0.01 * scan.rate_hz);
      EXPECT_EQ(s.beams, static_cast<uint32_t>(scan.beams));
      EXPECT_NEAR(s.field_of_view_rad, scan.fov, 1e-4);
      EXPECT_NEAR(s.range_max_m, scan.range_max, 1e-4);
      EXPECT_GT(s.time_increment_s, 0.0);
      // Each driver writes what brought no echo its own way: the 768-beam class 0.0 and error
      // codes below range_min (also for the corridor's open ends), the other +inf.
      EXPECT_DOUBLE_EQ(s.nan_share, 0.0);
      EXPECT_DOUBLE_EQ(s.negative_share, 0.0);
      if (model == "lidar_768_7p5hz") {
        EXPECT_GT(s.zero_share, 0.01);
        EXPECT_GT(s.below_range_min_share, 0.001);
        EXPECT_DOUBLE_EQ(s.infinite_share, 0.0);
      } else {
        EXPECT_DOUBLE_EQ(s.zero_share + s.below_range_min_share, 0.0);
        EXPECT_GT(s.infinite_share, 0.01);
      }
      EXPECT_EQ(quillon_tools::rankProfiles(s).front().profile, model);
    }

    ChildProcess program({SUGGEST_PROFILE_EXECUTABLE, bag.string()});
    ASSERT_EQ(program.wait_for_exit(60s), 0) << program.output();
    for (const std::string & expected :
         {"Suggested profile: " + model, "scanner_profile:=" + model, "--profile " + model}) {
      EXPECT_TRUE(program.wait_for_output(expected, 10s)) << program.output();
    }
  }
}

TEST(SuggestProfile, ABagWithoutScansOrNoBagAtAllIsRefusedWithAReason)
{
  const fs::path bag = scratch("transforms_only");
  {
    quillon_tools::BagWriter writer;
    writer.open(bag);
    writer.write("/tf", 1000, tf2_msgs::msg::TFMessage());
    writer.close();
  }
  ChildProcess no_scans({SUGGEST_PROFILE_EXECUTABLE, bag.string()});
  EXPECT_EQ(no_scans.wait_for_exit(30s), 1) << no_scans.output();
  EXPECT_TRUE(no_scans.wait_for_output("no readable sensor_msgs/msg/LaserScan", 10s))
    << no_scans.output();

  ChildProcess no_bag({SUGGEST_PROFILE_EXECUTABLE, (bag / "missing").string()});
  EXPECT_EQ(no_bag.wait_for_exit(30s), 1) << no_bag.output();
  EXPECT_TRUE(no_bag.wait_for_output("quillon_suggest_profile: ", 10s)) << no_bag.output();
}
