// Real scans keep their floors: the recordings kept in the repository run through the whole
// system as the quality benchmark runs them. Floors a little below today's figures, so that
// tuning does not break them while a broken stage does.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quillon_perception_libs/dynamic_laser_detector.hpp"
#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/evaluation/static_structure.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/scanner_profile.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "ros2_compat/testing/time_control.hpp"
#include "scratch_folder.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;

const fs::path REALDATA = QUILLON_REALDATA_DIR;
const fs::path DEFAULT_DETECTOR_CONFIG = QUILLON_DETECTOR_CONFIG;

std::vector<sensor_msgs::msg::LaserScan> firstScannersScans(const std::string & recording)
{
  BagReader reader;
  reader.open(REALDATA / "bags" / recording);
  reader.setTopicFilter({"/scan_01"});
  std::vector<sensor_msgs::msg::LaserScan> scans;
  BagMessage message;
  while (reader.readNext(message)) {
    scans.push_back(deserialize<sensor_msgs::msg::LaserScan>(message));
  }
  return scans;
}

// A copy of a recording without the transforms of one frame: a robot that never had it.
fs::path withoutFrame(const std::string & recording, const std::string & frame)
{
  const fs::path copy = quillon_test::scratch(recording + "_without_" + frame);
  BagReader reader;
  reader.open(REALDATA / "bags" / recording);
  BagWriter writer;
  writer.open(copy);
  for (const auto & topic : reader.topics()) {
    writer.createTopic(
      topic.name, topic.type, topic.serialization_format, topic.offered_qos_profiles);
  }
  BagMessage message;
  while (reader.readNext(message)) {
    if (message.topic != "/tf_static" && message.topic != "/tf") {
      writer.write(message.topic, message.timestamp_ns, message.data);
      continue;
    }
    auto transforms = deserialize<tf2_msgs::msg::TFMessage>(message);
    auto & list = transforms.transforms;
    list.erase(
      std::remove_if(
        list.begin(), list.end(), [&frame](const auto & t) { return t.child_frame_id == frame; }),
      list.end());
    writer.write(message.topic, message.timestamp_ns, transforms);
  }
  return copy;
}

// Returns moving and counted, of some kind.
struct Share
{
  int64_t moving = 0;
  int64_t returns = 0;
  double value() const { return static_cast<double>(moving) / static_cast<double>(returns); }
};

// The returns the stand-in marks moving in one scan of a scanner at rest (the others are
// infinite).
sensor_msgs::msg::LaserScan movingReturns(
  orvane::perception::DynamicLaserDetector & detector, const sensor_msgs::msg::LaserScan & scan)
{
  auto moving = std::make_shared<sensor_msgs::msg::LaserScan>();
  auto still = std::make_shared<sensor_msgs::msg::LaserScan>();
  detector.Process(
    std::make_shared<const sensor_msgs::msg::LaserScan>(scan), geometry_msgs::msg::Pose(), moving,
    still);
  return *moving;
}

class RealRecordingsTest : public ::testing::Test
{
protected:
  void TearDown() override { rclcpp::shutdown(); }

  // The first scanner's list of the recording under the 0.5 m gate, with the defaults or a
  // profile.
  GateScores firstList(
    const std::string & recording, const std::optional<std::string> & profile,
    const ReplayOptions & nodes = {})
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
    const BagReplay replay = replayBag(REALDATA / "bags" / recording, BagReplayOptions(nodes));
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
  for (const Case & c : {Case{std::nullopt, 9, 220.0}, Case{"lidar_768_7p5hz", 2, 10.0}}) {
    SCOPED_TRACE(c.profile.value_or("defaults"));
    const GateScores scores = firstList("negative_2", c.profile);
    EXPECT_LE(scores.false_positive_ids, c.false_ids);
    EXPECT_LE(scores.false_positives_per_minute, c.false_per_minute);
  }
}

// The same room with the geometric detector, the robot's own body left out of the scans.
TEST_F(RealRecordingsTest, AnEmptyRoomSeenWhileDrivingGivesTheGeometricDetectorNoFalsePedestrians)
{
  ReplayOptions nodes;
  nodes.geometric_detector = true;
  nodes.trailscan_parameters.emplace_back(
    "self_filter.scan1_angle_ranges", std::vector<double>{-2.3562, -2.2550, 2.2856, 2.3531});
  const GateScores scores = firstList("negative_2", std::string("lidar_768_7p5hz"), nodes);
  EXPECT_LE(scores.false_positive_ids, 1);
  EXPECT_LE(scores.false_positives_per_minute, 5.0);
}

// A person walks towards and away from a scanner at rest, on the labelled scans.
TEST_F(RealRecordingsTest, APersonWalkingBeforeAScannerAtRestIsFound)
{
  const GateScores scores = firstList("positive_2", std::string("lidar_768_7p5hz"));
  EXPECT_GT(scores.walking.recall, 0.83);
  EXPECT_GT(scores.precision, 0.85);
}

// A recording of 2014 replayed offline: trailscan measures scan ages on the replay's clock, so its
// performance lines say how long the scans waited, not how many years ago they were made.
TEST_F(RealRecordingsTest, AnOldRecordingReplayedOfflineLogsAgesInReplayTime)
{
  // Warnings are paced in system time: a day later than any earlier test, the first one is
  // written.
  const int64_t a_day_later_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count() +
                                 86400LL * 1000000000LL;
  ros2_compat::testing::ScopedFakeSystemTime tomorrow(a_day_later_ns);
  ros2_compat::testing::LogCapture log(ros2_compat::testing::ConsoleOutput::Suppress);
  firstList("positive_2", std::nullopt);
  std::vector<double> ages;
  for (const std::string & message : log.messages()) {
    for (const char * field : {"input_age=", "output_age="}) {
      const auto at =
        message.rfind("[PERF] sensor=", 0) == 0 ? message.find(field) : std::string::npos;
      if (at != std::string::npos) {
        ages.push_back(std::strtod(message.c_str() + at + std::string(field).size(), nullptr));
      }
    }
  }
  ASSERT_GE(ages.size(), 2u) << "a performance line, with two ages";
  for (const double age_ms : ages) {
    EXPECT_GE(age_ms, 0.0);
    EXPECT_LT(age_ms, 1000.0);
  }
}

// A robot with one scanner records no "/scan_02" and no mount for it: the replay runs trailscan
// on scanner 1 alone, says so, and gives lists of scanner 1 and fused lists.
TEST_F(RealRecordingsTest, AOneScannerRecordingReplaysWithoutTheSecondMount)
{
  const fs::path bag = withoutFrame("positive_2", "base_scan_02");
  rclcpp::init(0, nullptr);
  const BagReplay replay = replayBag(bag, BagReplayOptions{});
  EXPECT_TRUE(replay.summary.single_scanner);
  EXPECT_EQ(replay.summary.scans_processed, replay.summary.scans_in);
  EXPECT_EQ(replay.summary.lists_out.at("/objects_laser1"), replay.summary.scans_in);
  EXPECT_GT(replay.summary.lists_out.at("/objects_laser"), 0u);
  EXPECT_EQ(replay.summary.lists_out.at("/objects_laser2"), 0u);
}

// A scanner at rest whose driver writes +inf for no echo (two thirds of its readings): its walls
// now and then bring no echo back on a beam, and people walk about in space that only +inf beams
// saw empty. The walls stay static; the people in the open move.
TEST(RealScansThroughTheStandIn, WallsThatLoseTheirEchoStayStaticAndPeopleInTheOpenMove)
{
  const auto scans = firstScannersScans("demo_stationary_20_40s");
  ASSERT_EQ(scans.size(), 201u);
  const StaticStructure structure(scans);
  // Open beams: no structure, and no echo in most scans.
  std::vector<bool> open(scans.front().ranges.size());
  for (std::size_t i = 0; i < open.size(); ++i) {
    const auto echoes = std::count_if(
      scans.begin(), scans.end(), [i](const auto & s) { return std::isfinite(s.ranges[i]); });
    open[i] = echoes < static_cast<long>(scans.size() / 2);
  }
  orvane::perception::DynamicLaserDetector detector(DEFAULT_DETECTOR_CONFIG.string());
  Share walls;
  Share people;
  for (const auto & scan : scans) {
    const sensor_msgs::msg::LaserScan moving = movingReturns(detector, scan);
    for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
      const float r = scan.ranges[i];
      Share * kind = structure.isStructureReturn(i, r)          ? &walls
                     : open[i] && std::isfinite(r) && r <= 3.6f ? &people
                                                                : nullptr;
      if (kind != nullptr) {
        ++kind->returns;
        kind->moving += std::isfinite(moving.ranges[i]) ? 1 : 0;
      }
    }
  }
  EXPECT_GT(walls.returns, 20000);
  // Taking every +inf for free space marked a few tenths of a percent of them.
  EXPECT_LE(walls.value(), 0.001);
  EXPECT_GT(people.returns, 1000);
  EXPECT_GE(people.value(), 0.75);
}

// positive_2: someone walks along the beams of a scanner at rest, and behind them the room sends
// back nothing its driver reports as a distance (0.0 and error codes). Part of each leg then lies
// on beams that met only such readings before, and nothing says whether those spots were free:
// with unseen_join_range_gap they move with the moving returns beside them, so more of the walker
// moves, while the room's structure stays static either way.
TEST(RealScansThroughTheStandIn, AWalkerBeforeSilenceMovesMoreWhenUnseenReturnsJoinTheirLeg)
{
  const auto scans = firstScannersScans("positive_2");
  const StaticStructure structure(scans);
  const GroundTruth truth =
    readGroundTruthCsv((REALDATA / "ground_truth" / "positive_2_ground_truth.csv").string());
  const auto walker_and_structure = [&](double gap) {
    const fs::path config = quillon_test::scratch("unseen_join.yaml");
    std::ofstream(config) << "dynamic_laser_detector:\n  at_rest_margin_share: 0.33\n"
                          << "  unseen_join_range_gap: " << gap << "\n";
    orvane::perception::DynamicLaserDetector detector(config.string());
    Share walker;
    Share walls;
    for (const auto & scan : scans) {
      const sensor_msgs::msg::LaserScan moving = movingReturns(detector, scan);
      const int64_t stamp =
        static_cast<int64_t>(scan.header.stamp.sec) * 1000000000LL + scan.header.stamp.nanosec;
      const auto frame = std::find_if(
        truth.frames.begin(), truth.frames.end(),
        [&](const auto & f) { return std::llabs(f.stamp_ns - stamp) < 30000000LL; });
      for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
        const float r = scan.ranges[i];
        const double a = scan.angle_min + static_cast<double>(i) * scan.angle_increment;
        const bool on_walker =
          frame != truth.frames.end() && std::isfinite(r) && r >= scan.range_min &&
          std::any_of(frame->people.begin(), frame->people.end(), [&](const auto & p) {
            return std::hypot(r * std::cos(a) - p.x, r * std::sin(a) - p.y) < 0.3;
          });
        Share * kind = on_walker ? &walker : structure.isStructureReturn(i, r) ? &walls : nullptr;
        if (kind != nullptr) {
          ++kind->returns;
          kind->moving += std::isfinite(moving.ranges[i]) ? 1 : 0;
        }
      }
    }
    EXPECT_GT(walker.returns, 1000);
    EXPECT_GT(walls.returns, 20000);
    EXPECT_LE(walls.value(), 0.001) << gap;
    return walker.value();
  };
  const double without = walker_and_structure(0.0);
  const double with = walker_and_structure(0.1);
  EXPECT_GT(with, without + 0.05) << without << " -> " << with;
}
