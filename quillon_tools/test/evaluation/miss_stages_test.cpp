#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "evaluation_builders.hpp"
#include "quillon_tools/evaluation/miss_stage_table.hpp"
#include "quillon_tools/evaluation/miss_stages.hpp"

namespace quillon_tools
{
namespace
{

using test::MS;
using test::person;
using test::truthFrame;
using State = RecordedTrack::State;

constexpr double PI = 3.14159265358979323846;
const RecordedPoint WALKER{2.0F, 0.0F};

RecordedTrack track(float x, float y, State state, bool pedestrian)
{
  RecordedTrack t;
  t.position = {x, y};
  t.state = state;
  t.pedestrian = pedestrian;
  return t;
}

ScanRecord recordAt(int64_t stamp_ns)
{
  ScanRecord record;
  record.stamp_ns = stamp_ns;
  return record;
}

// The walker's record after each stage, one stage passed more each time.
TEST(MissStage, AMissFallsAtTheFirstStageThePersonDidNotPass)
{
  ScanRecord r;
  r.still_returns = {{5.0F, 0.0F}};
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::no_returns);
  r.still_returns.push_back({2.2F, 0.1F});
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::none_moving);
  r.moving_returns = {{1.85F, -0.1F}};
  r.detections = {{{2.6F, 0.0F}, true}};
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::cluster_too_small_or_split);
  // A wider gate reaches that detection; no track yet, so the tracker has not confirmed one.
  EXPECT_EQ(missStage(r, WALKER, 0.75), MissStage::not_yet_confirmed);
  r.detections.push_back({{2.05F, 0.0F}, false});
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::not_pedestrian_by_shape);
  r.detections.back().pedestrian = true;
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::not_yet_confirmed);
  // A track within the gate decides by the tracker's own judgement, the furthest one counting.
  r.tracks = {track(2.1F, 0.0F, State::confirmed, false)};
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::not_pedestrian_by_shape);
  r.tracks.push_back(track(1.9F, 0.1F, State::tentative, true));
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::not_yet_confirmed);
  // Without a track in the gate, one coasting nearby is the track that lost them; a confirmed
  // one there follows somebody else.
  r.tracks = {track(3.2F, 0.0F, State::confirmed, true)};
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::not_yet_confirmed);
  r.tracks.push_back(track(1.0F, 0.8F, State::coasting, true));
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::lost_while_coasting);
  r.tracks.push_back(track(2.1F, -0.2F, State::coasting, true));
  EXPECT_EQ(missStage(r, WALKER, 0.5), MissStage::not_published);
}

// A scanner's list looks in that scanner's newest scan at or before its stamp; the fused list
// in both scanners' (each in its own frame), where the person got furthest counts; a scan too
// old, or none, says nothing; a miss beside an object matched elsewhere needs no scan.
TEST(MissStageTable, TakesTheNewestScanOfTheListsScannerOrTheFurthestOfBoth)
{
  GroundTruth truth;
  truth.mounts = {{"base_scan_01", {0.0, 0.0, 0.0}}, {"base_scan_02", {0.0, 0.0, PI}}};
  for (int64_t t = 0; t <= 600; t += 50) {
    truth.frames.push_back(truthFrame(t * MS, {person(1, 2.0, 0.0)}));
  }
  MissStageTable table({0.5, 0.75});
  EXPECT_TRUE(table.empty());
  ScanRecord seen_moving = recordAt(100 * MS);
  seen_moving.moving_returns = {{2.0F, 0.1F}};
  seen_moving.detections = {{{2.0F, 0.0F}, true}};
  table.add(truth, "base_scan_01", seen_moving);  // added out of order
  table.add(truth, "base_scan_01", recordAt(0));
  ScanRecord seen_still = recordAt(50 * MS);
  seen_still.still_returns = {{-2.0F, 0.0F}};  // scanner 2 faces backwards
  table.add(truth, "base_scan_02", seen_still);
  table.add(truth, "base_scan_03", seen_moving);  // no such mount: nothing kept
  EXPECT_FALSE(table.empty());

  const auto stages = [&](const std::string & frame, std::vector<int64_t> stamps_ms) {
    std::vector<WalkingMiss> misses;
    for (const int64_t stamp : stamps_ms) {
      misses.push_back({stamp * MS, 1});
    }
    return table.stagesOf(misses, frame, 0.5);
  };
  EXPECT_EQ(
    stages("base_scan_01", {60, 100, 120, 500}),
    (std::vector<MissStage>{
      MissStage::no_returns, MissStage::not_yet_confirmed, MissStage::not_yet_confirmed,
      MissStage::not_recorded}));
  EXPECT_EQ(
    stages("base_footprint", {60, 100}),
    (std::vector<MissStage>{MissStage::none_moving, MissStage::not_yet_confirmed}));
  EXPECT_EQ(stages("base_scan_02", {10}), std::vector<MissStage>{MissStage::not_recorded});
  EXPECT_EQ(
    table.stagesOf({{100 * MS, 1, true}}, "base_scan_01", 0.5),
    std::vector<MissStage>{MissStage::matched_elsewhere});
  EXPECT_EQ(
    table.stagesOf({{100 * MS, 2}}, "base_scan_01", 0.75),
    std::vector<MissStage>{MissStage::not_recorded});  // nobody of that id in the truth
  EXPECT_THROW(table.stagesOf({}, "base_scan_01", 0.6), std::invalid_argument);
}

}  // namespace
}  // namespace quillon_tools
