#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_tools/runner/replay_runner.hpp"
#include "rclcpp/rclcpp.hpp"

using quillon_tools::ReplayOptions;
using quillon_tools::ReplayOutputs;
using quillon_tools::ReplayRunner;

namespace
{

// Recorded long ago: a live run would drop every scan as stale.
constexpr int64_t START_NS = 1000LL * 1000000000LL;
constexpr int64_t PERIOD_NS = 100000000LL;

geometry_msgs::msg::TransformStamped transform(
  const std::string & parent, const std::string & child, int64_t stamp_ns)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.frame_id = parent;
  t.child_frame_id = child;
  t.header.stamp.sec = static_cast<int32_t>(stamp_ns / 1000000000LL);
  t.header.stamp.nanosec = static_cast<uint32_t>(stamp_ns % 1000000000LL);
  return t;
}

// A person walking past scanner 1 (scanner 2 sees an empty room), replayed from start to end.
ReplayOutputs replayWalk(bool geometric)
{
  ReplayOptions options;
  options.geometric_detector = geometric;
  ReplayRunner runner(options);
  tf2_msgs::msg::TFMessage mounts;
  mounts.transforms = {
    transform("base_footprint", "base_scan_01", 0), transform("base_footprint", "base_scan_02", 0)};
  runner.feedStaticTransforms(mounts, START_NS);
  EXPECT_TRUE(runner.start());
  for (int k = 0; k < 45; ++k) {
    const int64_t stamp = START_NS + k * PERIOD_NS;
    tf2_msgs::msg::TFMessage odom;
    odom.transforms = {transform("odom", "base_footprint", stamp)};
    runner.feedTransforms(odom, stamp);
    cluster_builders::Room room;
    if (k >= 10) {
      cluster_builders::addWalkingPerson(room, -2.0F, 1.5F, 1.0F, 0.1F * (k - 10));
    }
    for (const char * topic : {"/scan_01", "/scan_02"}) {
      auto scan = cluster_builders::makeRoomScan(
        cluster_builders::Room(topic[7] == '1' ? room : cluster_builders::Room()));
      scan->header.stamp = odom.transforms[0].header.stamp;
      scan->header.frame_id = topic[7] == '1' ? "base_scan_01" : "base_scan_02";
      runner.feedScan(topic, *scan, stamp);
    }
  }
  // Scanner 1's tracker holds at least the walker it publishes; the empty room leaves scanner 2's
  // tracker with nothing.
  const auto & last_list = runner.outputs().lists.at("/objects_laser1").back().list;
  EXPECT_GE(runner.trackCount(0), std::max<std::size_t>(last_list.objects.size(), 1));
  EXPECT_EQ(runner.trackCount(1), 0u);
  return runner.outputs();
}

class ReplayRunnerTest : public ::testing::Test
{
protected:
  void SetUp() override { rclcpp::init(0, nullptr); }
  void TearDown() override { rclcpp::shutdown(); }
};

}  // namespace

// Old stamps are processed, every scan gives a list on its scanner's topic and a fused list, the
// walker comes out of the fusion moving with it, and a second replay gives the very same lists.
TEST_F(ReplayRunnerTest, ReplaysOldRecordingsDeterministically)
{
  for (const bool geometric : {false, true}) {
    SCOPED_TRACE(geometric ? "geometric detector" : "closed detector");
    const ReplayOutputs first = replayWalk(geometric);
    ASSERT_EQ(first.lists.at("/objects_laser1").size(), 45u);
    ASSERT_EQ(first.lists.at("/objects_laser2").size(), 45u);
    ASSERT_EQ(first.lists.at("/objects_laser").size(), 90u);
    const auto & fused = first.lists.at("/objects_laser").back().list;
    EXPECT_EQ(fused.header.frame_id, "base_footprint");
    EXPECT_EQ(fused.header.stamp.sec, 1004);
    bool walker_found = false;
    for (const auto & o : fused.objects) {
      walker_found |= o.classification == 1 && std::abs(o.pose.position.y - 1.5) < 0.3 &&
                      std::abs(o.velocity_x - 1.0) < 0.3;
    }
    EXPECT_TRUE(walker_found);

    const ReplayOutputs second = replayWalk(geometric);
    for (const auto & [topic, lists] : first.lists) {
      ASSERT_EQ(second.lists.at(topic).size(), lists.size()) << topic;
      for (std::size_t i = 0; i < lists.size(); ++i) {
        EXPECT_EQ(second.lists.at(topic)[i].list, lists[i].list) << topic << " list " << i;
      }
    }
    EXPECT_EQ(second.markers, first.markers);
  }
}

TEST_F(ReplayRunnerTest, RefusesToStartWithoutTheMountsAndUnknownScanTopics)
{
  ReplayRunner runner(ReplayOptions{});
  EXPECT_FALSE(runner.start());
  EXPECT_EQ(runner.trackCount(0), 0u);
  EXPECT_THROW(runner.trackCount(2), std::out_of_range);
  EXPECT_THROW(
    runner.feedScan("/scan_03", sensor_msgs::msg::LaserScan(), START_NS), std::invalid_argument);
}
