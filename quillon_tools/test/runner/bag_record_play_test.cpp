// quillon_bag_play and quillon_bag_record as separate processes over DDS, in this test's own
// network namespace: what one plays, the other must record byte for byte on the same topics;
// what the player leaves out, it counts.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "fresh_network_environment.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/scenario_bag.hpp"
#include "scratch_folder.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using quillon_test::scratch;

// Per topic, the messages' bytes in the order they were received.
std::map<std::string, std::vector<std::vector<uint8_t>>> messagesByTopic(const fs::path & bag)
{
  quillon_tools::BagReader reader;
  reader.open(bag);
  std::map<std::string, std::vector<std::vector<uint8_t>>> by_topic;
  quillon_tools::BagMessage m;
  while (reader.readNext(m)) {
    by_topic[m.topic].push_back(m.data);
  }
  return by_topic;
}

tf2_msgs::msg::TFMessage transformAt(int32_t sec)
{
  tf2_msgs::msg::TFMessage message;
  message.transforms.resize(1);
  message.transforms[0].header.stamp.sec = sec;
  message.transforms[0].header.frame_id = "odom";
  message.transforms[0].child_frame_id = "base_footprint";
  message.transforms[0].transform.rotation.w = 1.0;
  return message;
}

}  // namespace

TEST(BagRecordPlay, RecordsWhatIsPlayedByteForByte)
{
  ASSERT_EQ(FreshNetworkEnvironment::error(), "") << "no network namespace of its own";
  const auto played = scratch("played");
  quillon_tools::SimulatorConfig config;
  config.duration_s = 1.0;
  quillon_tools::writeScenarioBag(
    quillon_tools::makeScenario(quillon_tools::DEFAULT_SCENARIO), config, played);
  const auto recorded = scratch("recorded");

  ChildProcess recorder(
    {BAG_RECORD_EXECUTABLE, recorded.string(), "/tf_static", "/tf", "/scan_01", "/scan_02"},
    over_dds);
  ASSERT_TRUE(recorder.wait_for_output("recording", 30s)) << recorder.output();
  ChildProcess player({BAG_PLAY_EXECUTABLE, played.string(), "--wait-for-subscribers"}, over_dds);
  EXPECT_EQ(player.wait_for_exit(30s), 0) << player.output();
  recorder.send_signal(SIGINT);
  ASSERT_EQ(recorder.wait_for_exit(30s), 0) << recorder.output();

  const auto want = messagesByTopic(played);
  const auto got = messagesByTopic(recorded);
  ASSERT_EQ(want.size(), 4u);
  for (const auto & [topic, messages] : want) {
    ASSERT_EQ(got.count(topic), 1u) << topic << "\n" << recorder.output() << player.output();
    const auto & received = got.at(topic);
    if (topic == "/scan_01" || topic == "/scan_02") {
      // Scans travel best effort, as sensor data do: a loaded machine may drop a few, but what
      // arrives is byte for byte what was played, in order.
      EXPECT_GE(received.size() * 4, messages.size() * 3) << topic << "\n" << recorder.output();
      auto next = messages.begin();
      for (size_t i = 0; i < received.size(); ++i) {
        next = std::find(next, messages.end(), received[i]);
        ASSERT_NE(next, messages.end()) << topic << " message " << i << " was never played";
        ++next;
      }
      continue;
    }
    ASSERT_EQ(received.size(), messages.size()) << topic << "\n" << recorder.output();
    for (size_t i = 0; i < messages.size(); ++i) {
      EXPECT_EQ(received[i], messages[i]) << topic << " message " << i;
    }
  }
  quillon_tools::BagReader reader;
  reader.open(recorded);
  for (const auto & topic : reader.topics()) {
    EXPECT_FALSE(topic.offered_qos_profiles.empty()) << topic.name;
  }
}

// A message received at a negative time and one whose stamp --restamp cannot move are left out,
// and the closing summary counts them by reason. The negative time must not become the start of
// playing either, or the player would wait decades for the rest.
TEST(BagRecordPlay, PlayerCountsWhatItSkips)
{
  ASSERT_EQ(FreshNetworkEnvironment::error(), "") << "no network namespace of its own";
  const auto bag = scratch("skips");
  {
    quillon_tools::BagWriter writer;
    writer.open(bag);
    constexpr int64_t MS = 1000000;
    constexpr int64_t RECORDED = 1700000000000 * MS;
    writer.write("/tf", -1000 * MS, transformAt(1700000000));
    writer.write("/tf", RECORDED, transformAt(1700000000));
    writer.write("/tf", RECORDED + 10 * MS, transformAt(2147483647));  // moved past 2^31 s
    writer.write("/tf", RECORDED + 20 * MS, transformAt(1700000000));
  }
  ChildProcess player({BAG_PLAY_EXECUTABLE, bag.string(), "--restamp"}, over_dds);
  ASSERT_EQ(player.wait_for_exit(30s), 0) << player.output();
  EXPECT_NE(
    player.output().find("messages published:\n"
                         "       2  /tf\n"
                         "messages skipped:\n"
                         "       1  received at a negative time (before 1970)\n"
                         "       1  with a stamp --restamp cannot move"),
    std::string::npos)
    << player.output();
}
