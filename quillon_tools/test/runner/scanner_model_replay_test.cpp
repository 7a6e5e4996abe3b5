// A scanner model's scans reach trailscan as a real driver's do: when their sweep ends, after
// the 100 Hz odometry that covers their stamp. In memory and through a bag, every scan finds
// its robot pose and gives an object list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/scenario_bag.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"
#include "rclcpp/rclcpp.hpp"
#include "scratch_folder.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

using namespace quillon_tools;

namespace
{

class ScannerModelReplayTest : public ::testing::Test
{
protected:
  void SetUp() override { rclcpp::init(0, nullptr); }
  void TearDown() override { rclcpp::shutdown(); }
};

constexpr int64_t SWEEP_NS = 100000000;  // 270 of 360 degrees at 7.5 Hz

}  // namespace

TEST_F(ScannerModelReplayTest, EveryScanFindsItsPoseInTheOdometryStream)
{
  Scenario scenario = makeScenario("corridor_walkers");
  scenario.scanner = "lidar_768_7p5hz";
  SimulatorConfig config;
  config.duration_s = 4.0;
  const ScenarioReplay replay = replayScenario(scenario, config, ReplayOptions{});
  ASSERT_EQ(replay.truth.frames.size(), 61u);  // 4 s of two scanners at 7.5 Hz
  const auto scans_of = [&replay](const std::string & frame) {
    return std::count_if(
      replay.truth.frames.begin(), replay.truth.frames.end(),
      [&](const auto & f) { return f.scanner_frame == frame; });
  };
  EXPECT_EQ(replay.outputs.lists.at("/objects_laser1").size(), scans_of("base_scan_01"));
  EXPECT_EQ(replay.outputs.lists.at("/objects_laser2").size(), scans_of("base_scan_02"));

  const auto bag = quillon_test::scratch("bag");
  writeScenarioBag(scenario, config, bag);
  BagReader reader;
  reader.open(bag);
  BagMessage message;
  size_t samples = 0;
  size_t scans = 0;
  int64_t latest_odometry_ns = 0;
  while (reader.readNext(message)) {
    if (message.topic == "/tf") {
      const auto tf = deserialize<tf2_msgs::msg::TFMessage>(message);
      ASSERT_EQ(tf.transforms.size(), 1u);
      EXPECT_EQ(stampNanoseconds(tf.transforms[0].header.stamp), message.timestamp_ns);
      latest_odometry_ns = message.timestamp_ns;
      ++samples;
    } else if (message.topic != "/tf_static") {
      const auto scan = deserialize<sensor_msgs::msg::LaserScan>(message);
      const int64_t stamp_ns = stampNanoseconds(scan.header.stamp);
      EXPECT_NEAR(static_cast<double>(message.timestamp_ns - stamp_ns), SWEEP_NS, 1000.0);
      EXPECT_GE(latest_odometry_ns, stamp_ns);
      ++scans;
    }
  }
  EXPECT_EQ(scans, 61u);
  EXPECT_GT(samples, 400u);

  for (const auto clock : {ReplayClockSource::kHeaderStamps, ReplayClockSource::kReceiveTimes}) {
    BagReplayOptions options;
    options.clock = clock;
    const BagReplay replayed = replayBag(bag, options);
    EXPECT_EQ(replayed.summary.scans_processed, 61u);
    EXPECT_EQ(replayed.summary.scans_no_transform, 0u);
  }
}
