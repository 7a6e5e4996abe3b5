// What the player leaves out by a message's receive time, where its time line starts, and the
// summary lines that tell a user so.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/playback_skips.hpp"
#include "scratch_folder.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;

constexpr int64_t SECOND_NS = 1000000000LL;

using quillon_test::scratch;

BagMessage receivedAt(const std::string & topic, int64_t timestamp_ns)
{
  BagMessage message;
  message.topic = topic;
  message.timestamp_ns = timestamp_ns;
  return message;
}

int64_t startOf(const std::vector<int64_t> & receive_times_ns)
{
  const auto bag = scratch("bag");
  {
    BagWriter writer;
    writer.open(bag);
    writer.createTopic("/tf", "tf2_msgs/msg/TFMessage");
    for (const int64_t t : receive_times_ns) {
      writer.write("/tf", t, std::vector<uint8_t>{0, 1, 0, 0, 0, 0, 0, 0});
    }
  }
  BagReader reader;
  reader.open(bag);
  return playbackStartTime(reader);
}

}  // namespace

// A message received at a negative time is skipped, not played decades before the rest, and
// does not move the start of playing; static transforms always go out.
TEST(PlaybackSkips, NegativeReceiveTimesAreSkippedAndDoNotMoveTheStart)
{
  EXPECT_EQ(
    startOf({-5 * SECOND_NS, 1700000000 * SECOND_NS, 1700000001 * SECOND_NS}),
    1700000000 * SECOND_NS);
  EXPECT_EQ(startOf({3 * SECOND_NS, 0}), 0);
  EXPECT_EQ(startOf({-1}), 0);
  EXPECT_EQ(startOf({}), 0);

  const int64_t start = 10 * SECOND_NS;
  EXPECT_EQ(
    skipByReceiveTime(receivedAt("/scan_01", -1), start), PlaybackSkip::NegativeReceiveTime);
  EXPECT_EQ(
    skipByReceiveTime(receivedAt("/scan_01", start - 1), start), PlaybackSkip::BeforeStartOffset);
  EXPECT_EQ(skipByReceiveTime(receivedAt("/scan_01", start), start), std::nullopt);
  EXPECT_EQ(skipByReceiveTime(receivedAt("/tf", start + 1), start), std::nullopt);
  EXPECT_EQ(skipByReceiveTime(receivedAt("/tf_static", -1), start), std::nullopt);
  EXPECT_EQ(skipByReceiveTime(receivedAt("/tf_static", start - 1), start), std::nullopt);
}

// Counts add up by reason and are listed in a fixed order, only where something was skipped.
TEST(PlaybackSkips, SummaryListsEachReasonThatOccurred)
{
  PlaybackSkipCounts counts;
  EXPECT_TRUE(counts.lines().empty());
  counts.add(PlaybackSkip::Unreadable);
  counts.add(PlaybackSkip::NegativeReceiveTime, 2);
  counts.add(PlaybackSkip::NegativeReceiveTime);
  counts.add(PlaybackSkip::UnknownType, 0);
  EXPECT_EQ(counts.count(PlaybackSkip::NegativeReceiveTime), 3u);
  EXPECT_EQ(counts.count(PlaybackSkip::UnmappableStamp), 0u);
  EXPECT_EQ(
    counts.lines(), (std::vector<std::string>{
                      "       3  received at a negative time (before 1970)",
                      "       1  unreadable (not a valid message of the topic's type)"}));
}
