// What --debug-topics records of each scan's pipeline comes back from the result bag as the
// error analysis needs it; a record missing one of its clouds, or unreadable, is left out.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/detector_returns.hpp"
#include "quillon_tools/runner/float_cloud.hpp"
#include "quillon_tools/runner/pipeline_records.hpp"
#include "quillon_tools/runner/result_bag.hpp"
#include "scratch_folder.hpp"

namespace
{

using namespace quillon_tools;
using quillon_dynamic_detector::TrackSnapshot;
using quillon_dynamic_detector::TrackState;
using quillon_test::scratch;
using sensor_msgs::msg::LaserScan;

constexpr int64_t MS = 1000000;

LaserScan scanAt(int64_t stamp_ms, const std::vector<float> & ranges)
{
  LaserScan scan;
  scan.header.stamp.sec = static_cast<int32_t>(stamp_ms / 1000);
  scan.header.stamp.nanosec = static_cast<uint32_t>((stamp_ms % 1000) * MS);
  scan.header.frame_id = "base_scan_01";
  scan.angle_min = 0.0F;
  scan.angle_increment = 1.5707964F;
  scan.range_min = 0.1F;
  scan.range_max = 10.0F;
  scan.ranges = ranges;
  return scan;
}

quillon_protocol::msg::Object detectionAt(double x, double y, int32_t classification)
{
  quillon_protocol::msg::Object o;
  o.pose.position.x = x;
  o.pose.position.y = y;
  o.classification = classification;
  return o;
}

void writeWholeRecord(
  BagWriter & bag, const std::string & scan_topic, const LaserScan & scan, const LaserScan & moving,
  const LaserScan & still, const std::vector<quillon_protocol::msg::Object> & detections,
  const std::vector<TrackSnapshot> & tracks)
{
  const int64_t stamp = stampNanoseconds(scan.header.stamp);
  bag.write(detectorMovingTopic(scan_topic), stamp, classCloud(scan, moving));
  bag.write(detectorStaticTopic(scan_topic), stamp, classCloud(scan, still));
  bag.write(detectionCloudTopic(scan_topic), stamp, detectionCloud(scan, detections));
  bag.write(trackCloudTopic(scan_topic), stamp, trackCloud(scan, tracks));
}

}  // namespace

TEST(PipelineRecords, ComeBackFromTheResultBagWholeOrNotAtAll)
{
  const auto bag = scratch("pipeline_records");
  {
    BagWriter writer;
    writer.open(bag);
    createResultTopics(writer);
    const LaserScan scan = scanAt(1000, {2.0F, 3.0F});
    const LaserScan moving = scanAt(1000, {0.0F, 3.0F});  // beam 1 moves
    const LaserScan still = scanAt(1000, {2.0F, 0.0F});
    writeWholeRecord(
      writer, "/scan_01", scan, moving, still, {detectionAt(0.1, 3.0, 1), detectionAt(2.0, 0.0, 0)},
      {{7, TrackState::Confirmed, true, 0.1F, 2.9F},
       {8, TrackState::Tentative, false, 2.0F, 0.1F},
       {9, TrackState::Coasting, true, -1.0F, 0.5F}});
    // A later scan without its detections and tracks, and one whose tracks are unreadable.
    const LaserScan partial = scanAt(1100, {2.0F});
    writer.write(detectorMovingTopic("/scan_01"), 1100 * MS, classCloud(partial, partial));
    writer.write(detectorStaticTopic("/scan_01"), 1100 * MS, classCloud(partial, LaserScan()));
    const LaserScan broken = scanAt(1200, {});
    writer.write(detectorMovingTopic("/scan_01"), 1200 * MS, classCloud(broken, broken));
    writer.write(detectorStaticTopic("/scan_01"), 1200 * MS, classCloud(broken, broken));
    writer.write(detectionCloudTopic("/scan_01"), 1200 * MS, detectionCloud(broken, {}));
    writer.write(trackCloudTopic("/scan_01"), 1200 * MS, std::vector<uint8_t>{0, 1, 0, 0});
    // Scanner 2 saw nothing at all.
    const LaserScan empty = scanAt(1050, {});
    writeWholeRecord(writer, "/scan_02", empty, empty, empty, {}, {});
  }
  std::map<std::string, std::vector<ScanRecord>> records;
  readPipelineRecords(bag, [&](const std::string & frame, const ScanRecord & record) {
    records[frame].push_back(record);
  });
  ASSERT_EQ(records.size(), 2u);
  ASSERT_EQ(records.at("base_scan_01").size(), 1u);
  const ScanRecord & r = records.at("base_scan_01").front();
  EXPECT_EQ(r.stamp_ns, 1000 * MS);
  ASSERT_EQ(r.moving_returns.size(), 1u);
  EXPECT_NEAR(r.moving_returns[0].x, 0.0, 1e-5);
  EXPECT_NEAR(r.moving_returns[0].y, 3.0, 1e-5);
  ASSERT_EQ(r.still_returns.size(), 1u);
  EXPECT_NEAR(r.still_returns[0].x, 2.0, 1e-5);
  ASSERT_EQ(r.detections.size(), 2u);
  EXPECT_TRUE(r.detections[0].pedestrian);
  EXPECT_FALSE(r.detections[1].pedestrian);
  EXPECT_FLOAT_EQ(r.detections[1].position.x, 2.0F);
  ASSERT_EQ(r.tracks.size(), 3u);
  EXPECT_EQ(r.tracks[0].id, 7);
  EXPECT_EQ(r.tracks[0].state, RecordedTrack::State::confirmed);
  EXPECT_TRUE(r.tracks[0].pedestrian);
  EXPECT_EQ(r.tracks[1].state, RecordedTrack::State::tentative);
  EXPECT_FALSE(r.tracks[1].pedestrian);
  EXPECT_EQ(r.tracks[2].state, RecordedTrack::State::coasting);
  EXPECT_FLOAT_EQ(r.tracks[2].position.x, -1.0F);
  ASSERT_EQ(records.at("base_scan_02").size(), 1u);
  EXPECT_TRUE(records.at("base_scan_02").front().tracks.empty());

  // A result bag recorded without --debug-topics has none.
  const auto plain = scratch("pipeline_records_plain");
  {
    BagWriter writer;
    writer.open(plain);
    createResultTopics(writer);
  }
  bool any = false;
  readPipelineRecords(plain, [&](const auto &, const auto &) { any = true; });
  EXPECT_FALSE(any);
}

// A cloud read by field names gives back what was written; one without a named field, of another
// type or shorter than it claims gives nothing.
TEST(FloatCloud, ReadsNamedFieldsBackAndRefusesCloudsThatDoNotHoldThem)
{
  std_msgs::msg::Header header;
  const auto cloud = floatCloud(header, {"x", "y", "id"}, {1.0F, 2.0F, 7.0F, 3.0F, 4.0F, 8.0F});
  EXPECT_EQ(cloud.width, 2u);
  const auto ids = readFloatFields(cloud, {"id", "x"});
  ASSERT_TRUE(ids.has_value());
  EXPECT_EQ(*ids, (std::vector<float>{7.0F, 1.0F, 8.0F, 3.0F}));
  EXPECT_FALSE(readFloatFields(cloud, {"x", "state"}).has_value());
  auto other_type = cloud;
  other_type.fields[2].datatype = sensor_msgs::msg::PointField::INT32;
  EXPECT_FALSE(readFloatFields(other_type, {"id"}).has_value());
  auto short_data = cloud;
  short_data.data.resize(short_data.data.size() - 1);
  EXPECT_FALSE(readFloatFields(short_data, {"x"}).has_value());
}

// A replay's recorder keeps, scan by scan, the stage each truth person reached: the walker is
// seen moving and tracked but not yet confirmed in one scan, and seen still in the next.
TEST(MissStageRecorder, KeepsTheStageOfEachScanAsTheReplayPassesIt)
{
  GroundTruth truth;
  truth.mounts = {{"base_scan_01", {0.0, 0.0, 0.0}}};
  for (const int64_t stamp_ms : {1000, 1100}) {
    TruthFrame frame;
    frame.stamp_ns = stamp_ms * MS;
    PersonState walker;
    walker.id = 1;
    walker.x = 2.0;
    frame.people = {walker};
    truth.frames.push_back(frame);
  }
  MissStageTable table({0.5});
  MissStageRecorder recorder(truth, table);
  ReplayOptions options;
  recorder.observe(options);

  const LaserScan scan = scanAt(1000, {2.0F, 3.0F});
  options.on_detector_output(
    "/scan_01", scan, scanAt(1000, {2.0F, 0.0F}), scanAt(1000, {0.0F, 3.0F}));
  options.on_tracker_output(
    "/scan_01", scan, {detectionAt(2.0, 0.05, 1)}, {{3, TrackState::Tentative, true, 2.0F, 0.0F}});
  const LaserScan later = scanAt(1100, {2.0F, 3.0F});
  options.on_detector_output("/scan_01", later, scanAt(1100, {}), later);
  options.on_tracker_output("/scan_01", later, {}, {});

  EXPECT_EQ(
    table.stagesOf({{1000 * MS, 1}, {1100 * MS, 1}}, "base_scan_01", 0.5),
    (std::vector<MissStage>{MissStage::not_yet_confirmed, MissStage::none_moving}));
}
