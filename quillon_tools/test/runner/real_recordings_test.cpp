// Real scans keep their floors: the recordings kept in the repository run through the whole
// system as the quality benchmark runs them. Floors a little below today's figures, so that
// tuning does not break them while a broken stage does.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/scanner_profile.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;

const fs::path REALDATA = QUILLON_REALDATA_DIR;

class RealRecordingsTest : public ::testing::Test
{
protected:
  void TearDown() override { rclcpp::shutdown(); }

  // The first scanner's list of the recording under the 0.5 m gate, with the defaults or a
  // profile.
  GateScores firstList(const std::string & recording, const std::optional<std::string> & profile)
  {
    std::vector<std::string> args{"real_recordings_test"};
    std::vector<char *> argv;
    for (auto & arg : args) {
      argv.push_back(arg.data());
    }
    const auto chosen = profile ? std::optional<ScannerProfile>(scannerProfile(*profile))
                                : std::optional<ScannerProfile>();
    RosCommandLine command_line(static_cast<int>(argv.size()), argv.data(), chosen);
    rclcpp::init(command_line.argc(), command_line.argv());
    const GroundTruth truth =
      readGroundTruthCsv((REALDATA / "ground_truth" / (recording + "_ground_truth.csv")).string());
    const BagReplay replay = replayBag(REALDATA / "bags" / recording, BagReplayOptions{});
    rclcpp::shutdown();
    const auto rows = evaluateReplay(truth, replay.outputs, "run");
    EXPECT_EQ(rows.at(0).first, "run /objects_laser1");
    return rows.at(0).second.gates.at(0);
  }
};

}  // namespace

// A robot drives a loop through an empty furnished room: every pedestrian is false.
TEST_F(RealRecordingsTest, AnEmptyRoomSeenWhileDrivingKeepsFewFalsePedestrians)
{
  struct Case
  {
    std::optional<std::string> profile;
    int64_t false_ids;
    double false_per_minute;
  };
  for (const Case & c : {Case{std::nullopt, 12, 250.0}, Case{"lidar_768_7p5hz", 40, 520.0}}) {
    SCOPED_TRACE(c.profile.value_or("defaults"));
    const GateScores scores = firstList("negative_2", c.profile);
    EXPECT_LE(scores.false_positive_ids, c.false_ids);
    EXPECT_LE(scores.false_positives_per_minute, c.false_per_minute);
  }
}

// A person walks towards and away from a scanner at rest, on the labelled scans.
TEST_F(RealRecordingsTest, APersonWalkingBeforeAScannerAtRestIsFound)
{
  const GateScores scores = firstList("positive_2", std::string("lidar_768_7p5hz"));
  EXPECT_GT(scores.walking.recall, 0.3);
  EXPECT_GT(scores.precision, 0.4);
}
