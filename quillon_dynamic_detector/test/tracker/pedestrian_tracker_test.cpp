#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "quillon_dynamic_detector/scan_sight.hpp"
#include "rcutils/logging.h"
#include "ros2_compat/testing/log_capture.hpp"
#include "scan_builders.hpp"
#include "tracker_builders.hpp"

namespace
{

using quillon_dynamic_detector::ClusterList;
using quillon_dynamic_detector::PedestrianTracker;
using quillon_dynamic_detector::ScannerPose;
using quillon_dynamic_detector::ScanSight;
using quillon_dynamic_detector::Track;
using quillon_dynamic_detector::TrackerConfig;
using quillon_dynamic_detector::TrackState;
using ros2_compat::testing::ConsoleOutput;
using ros2_compat::testing::LogCapture;
using tracker_builders::DetectionShape;
using tracker_builders::makeDetection;
using tracker_builders::makeSmallDetection;
using tracker_builders::runScans;
using tracker_builders::trackIds;
using Object = quillon_protocol::msg::Object;
using Ids = std::vector<int32_t>;
using PairHits = std::map<PedestrianTracker::TrackIdPair, int32_t>;

// Lines of the tracker's logger at `severity` whose text contains `text`.
std::size_t countTrackerLogs(const LogCapture & log, int severity, const std::string & text)
{
  std::size_t count = 0;
  for (const auto & record : log.records()) {
    if (
      record.logger == "laser_tracker" && record.severity == severity &&
      record.message.find(text) != std::string::npos) {
      ++count;
    }
  }
  return count;
}

// The robot's scanner with every beam meeting a wall at `range`.
sensor_msgs::msg::LaserScan wallAt(float range)
{
  namespace builders = quillon_dynamic_detector::builders;
  return *builders::makeScan(
    builders::SCANNER_BEAMS, builders::SCANNER_ANGLE_MIN, builders::SCANNER_ANGLE_INCREMENT, range,
    0.0);
}

const Track & trackWithId(const PedestrianTracker & tracker, int32_t id)
{
  for (const Track & track : tracker.tracks()) {
    if (track.id == id) {
      return track;
    }
  }
  throw std::out_of_range("no track with that id");
}

TEST(PedestrianTracker, BirthScoresAndIdsThatAreNeverReused)
{
  PedestrianTracker tracker{TrackerConfig()};  // birth needs a score of 0.2
  DetectionShape not_pedestrian;
  not_pedestrian.classification = 0;
  // Scores for the first two detections only: the others fall back to 0.5 for a pedestrian
  // classification and 0.0 otherwise.
  tracker.update(
    {makeDetection(0, 0), makeDetection(2, 0), makeDetection(4, 0),
     makeDetection(6, 0, not_pedestrian)},
    {}, {0.2f, 0.19f}, 0.0);
  EXPECT_EQ((Ids{0, 1}), trackIds(tracker));
  EXPECT_EQ(0.2f, trackWithId(tracker, 0).score);
  EXPECT_EQ(0.5f, trackWithId(tracker, 1).score);
  EXPECT_EQ(4.0f, trackWithId(tracker, 1).x[0]);
  EXPECT_EQ(TrackState::Tentative, trackWithId(tracker, 1).state);

  // Tentative tracks are removed at their second miss in a row; ids are never handed out again.
  tracker.update({makeDetection(10, 0), makeDetection(12, 0)}, {}, {}, 0.1);
  EXPECT_EQ((Ids{0, 1, 2, 3}), trackIds(tracker));
  tracker.update({}, {}, {}, 0.2);
  EXPECT_EQ((Ids{2, 3}), trackIds(tracker));
  tracker.update({makeDetection(0, 0)}, {}, {}, 0.3);
  EXPECT_EQ((Ids{4}), trackIds(tracker));
  EXPECT_EQ(5, tracker.nextTrackId());
}

TEST(PedestrianTracker, AssociatedDetectionReplacesScoreOnlyWhenOneIsGiven)
{
  PedestrianTracker tracker{TrackerConfig()};
  tracker.update({makeDetection(0, 0)}, {}, {0.7f}, 0.0);
  tracker.update({makeDetection(0.05, 0)}, {}, {}, 0.1);
  EXPECT_EQ(0.7f, tracker.tracks().at(0).score);
  EXPECT_EQ(2, tracker.tracks().at(0).hits);
  tracker.update({makeDetection(0.1, 0)}, {}, {0.4f}, 0.2);
  EXPECT_EQ(0.4f, tracker.tracks().at(0).score);
}

TEST(PedestrianTracker, NewTrackIsClassifiedFromTheScanAfterItsBirth)
{
  PedestrianTracker tracker{TrackerConfig()};
  // Score 0.25: enough for a birth, not enough to stay a pedestrian (0.3).
  tracker.update({makeDetection(0, 0)}, {}, {0.25f}, 0.0);
  EXPECT_EQ(1, tracker.tracks().at(0).detection.classification);
  tracker.update({}, {}, {}, 0.1);
  EXPECT_EQ(0, tracker.tracks().at(0).detection.classification);
}

TEST(PedestrianTracker, SmallDetectionsBesideConfirmedOrCoastingTracksAreSuppressed)
{
  TrackerConfig config;
  config.dynamic_gate = 0.2f;  // narrower than the suppression distance (0.45)
  PedestrianTracker tracker(config);
  runScans(tracker, 2, 0.0, [](int) { return std::vector<Object>{makeDetection(0, 0)}; }, {0.8f});
  ASSERT_EQ(TrackState::Confirmed, tracker.tracks().at(0).state);

  LogCapture log(ConsoleOutput::Suppress);
  DetectionShape too_long;
  too_long.point_count = 8;
  too_long.width = 0.1;
  too_long.length = 0.61;
  tracker.update(
    {makeSmallDetection(0.3, 0), makeDetection(0, -0.3, too_long), makeSmallDetection(0.6, 0),
     makeSmallDetection(0.2, -0.5)},
    {}, {0.8f, 0.8f, 0.8f, 0.8f}, 0.2);
  // Track 0 missed and coasts; the small fragment 0.3 m from it is taken for part of it. The
  // long one, the one 0.6 m away and the one beside the new tentative track are born.
  EXPECT_EQ(TrackState::Coasting, trackWithId(tracker, 0).state);
  EXPECT_EQ((Ids{0, 1, 2, 3}), trackIds(tracker));
  EXPECT_EQ(1u, log.count("suppress_new_track"));
  EXPECT_EQ(
    1u, countTrackerLogs(
          log, RCUTILS_LOG_SEVERITY_INFO,
          "[TRACK] suppress_new_track det=0 near_track=0 dist=0.30 geo=0.80 points=8 width=0.10 "
          "length=0.10"));

  // When one hit confirms, a track born earlier in the same scan already suppresses; the
  // suppression distance itself is outside.
  config.confirm_threshold = 1;
  PedestrianTracker one_hit(config);
  one_hit.update(
    {makeDetection(0, 0), makeSmallDetection(0.3, 0), makeSmallDetection(0, 0.45)}, {}, {}, 0.0);
  EXPECT_EQ((Ids{0, 1}), trackIds(one_hit));
  EXPECT_EQ(0.0f, trackWithId(one_hit, 1).x[0]);
  EXPECT_EQ(1u, log.count("suppress_new_track det=1 near_track=0 dist=0.30 geo=0.50"));
}

TEST(PedestrianTracker, StoppedPedestrianFollowsStaticClusterForLimitedScans)
{
  TrackerConfig config;
  config.max_consecutive_static_updates = 2;
  PedestrianTracker tracker(config);
  const std::vector<float> scores = {0.8f};
  double t = runScans(
    tracker, 6, 0.0, [](int scan) { return std::vector<Object>{makeDetection(0.1 * scan, 0)}; },
    scores);
  const auto walker = [&tracker]() -> const Track & { return tracker.tracks().at(0); };
  ASSERT_EQ(TrackState::Confirmed, walker().state);
  ASSERT_EQ(1, walker().detection.classification);

  const ClusterList wall = {cluster_builders::makeBody(0.5f, 0.0f)};
  for (int scan = 1; scan <= 2; ++scan, t += 0.1) {
    tracker.update({}, wall, scores, t);
    EXPECT_EQ(TrackState::Confirmed, walker().state);
    EXPECT_EQ(scan, walker().consecutive_static_updates);
    EXPECT_EQ(0, walker().misses);
  }
  tracker.update({}, wall, scores, t);
  EXPECT_EQ(TrackState::Coasting, walker().state) << "static corrections used up";
  EXPECT_EQ(1, walker().misses);

  tracker.update({makeDetection(0.5, 0)}, wall, scores, t + 0.1);
  EXPECT_EQ(0, walker().consecutive_static_updates);
  tracker.update({}, wall, scores, t + 0.2);
  EXPECT_EQ(TrackState::Confirmed, walker().state) << "a dynamic correction renews the allowance";
  EXPECT_EQ(1, walker().consecutive_static_updates);

  // A pedestrian that never walked gets no help from the static cluster beside it.
  PedestrianTracker standing(config);
  t = runScans(
    standing, 6, 0.0, [](int) { return std::vector<Object>{makeDetection(0.5, 0)}; }, scores);
  const int32_t hits = standing.tracks().at(0).hits;
  standing.update({}, wall, scores, t);
  EXPECT_EQ(TrackState::Coasting, standing.tracks().at(0).state);
  EXPECT_EQ(hits, standing.tracks().at(0).hits);
}

// With a static memory, a walker whose detections drop out beside a table leg that stood there
// before they came is not pinned to it, while a person who stops is still held on the legs that
// turned static where they stand.
TEST(PedestrianTracker, StaticMemoryHoldsTracksOnlyOnStaticClustersNewerThanTheTrack)
{
  const std::vector<float> scores = {0.8f};
  const ClusterList table_leg = {cluster_builders::makeBody(0.5f, 0.0f)};
  const auto walk = [](int scan) { return std::vector<Object>{makeDetection(0.1 * scan, 0)}; };
  // The leg is seen at -1 s, hidden while the walker comes (born at 0 s) and seen again as the
  // walker's detections drop out beside it.
  const auto walk_past_the_leg = [&](PedestrianTracker & tracker) {
    tracker.update({}, table_leg, scores, -1.0);
    return runScans(tracker, 6, 0.0, walk, scores);
  };
  const auto held_on_the_leg = [&](float memory_s) {
    TrackerConfig config;
    config.static_retention_memory = memory_s;
    PedestrianTracker tracker(config);
    tracker.update({}, table_leg, scores, walk_past_the_leg(tracker));
    return tracker.tracks().at(0).consecutive_static_updates == 1;
  };
  EXPECT_TRUE(held_on_the_leg(0.0f)) << "without a memory any static cluster holds";
  EXPECT_FALSE(held_on_the_leg(5.0f));
  EXPECT_TRUE(held_on_the_leg(0.5f)) << "the leg was forgotten, so it came back as new";

  TrackerConfig config;
  config.static_retention_memory = 5.0f;
  PedestrianTracker stopping(config);
  double t = walk_past_the_leg(stopping);
  // The person's legs turn static 0.3 m off the path, farther than the old table leg.
  const ClusterList with_stopped_legs = {table_leg[0], cluster_builders::makeBody(0.55f, 0.3f)};
  for (int scan = 1; scan <= 3; ++scan, t += 0.1) {
    stopping.update({}, with_stopped_legs, scores, t);
    EXPECT_EQ(scan, stopping.tracks().at(0).consecutive_static_updates);
    EXPECT_GT(stopping.tracks().at(0).x[1], 0.05f) << "drawn to the new cluster, not the leg";
  }
  stopping.update({}, {}, scores, t + 6.0);
  EXPECT_EQ(0u, stopping.staticMemory().size()) << "cells unseen for 5 s are forgotten";
}

// With "tracker.stopped_hold_time", a person who stops is held on the legs that turned static
// where they stand for that long since they last moved, however many scans that takes; then the
// hold ends. A table leg that stood there before the walker came still holds nothing.
TEST(PedestrianTracker, AStoppedPedestrianIsHeldForTheHoldTimeButNotOnATableLegTheyPassed)
{
  TrackerConfig config;
  config.max_consecutive_static_updates = 2;
  config.stopped_hold_time = 1.05f;
  config.static_retention_memory = 5.0f;
  const std::vector<float> scores = {0.8f};
  const auto walk = [](int scan) { return std::vector<Object>{makeDetection(0.1 * scan, 0)}; };

  PedestrianTracker stopping(config);
  double t = runScans(stopping, 6, 0.0, walk, scores);
  const ClusterList stopped_legs = {cluster_builders::makeBody(0.55f, 0.0f)};
  for (int scan = 1; scan <= 10; ++scan, t += 0.1) {  // 0.1 s to 1.0 s after the last step
    stopping.update({}, stopped_legs, scores, t);
    const Track & held = stopping.tracks().at(0);
    EXPECT_EQ(scan, held.consecutive_static_updates);
    EXPECT_TRUE(held.isPublished()) << scan;
  }
  stopping.update({}, stopped_legs, scores, t);
  EXPECT_EQ(TrackState::Coasting, stopping.tracks().at(0).state) << "held 1.05 s at most";

  PedestrianTracker passing(config);
  const ClusterList table_leg = {cluster_builders::makeBody(0.5f, 0.0f)};
  passing.update({}, table_leg, scores, -1.0);
  passing.update({}, table_leg, scores, runScans(passing, 6, 0.0, walk, scores));
  EXPECT_EQ(0, passing.tracks().at(0).consecutive_static_updates);
  EXPECT_EQ(TrackState::Coasting, passing.tracks().at(0).state);
}

// With "tracker.stopped_yield_distance", someone who walked 1 m and stands, held on their static
// legs, keeps their place while a walker with a track of their own passes 0.8 m away, and their
// track still takes their own first step when they walk on, even 0.6 m or more from where it
// stood (no other track lies nearer). A track that stands 0.3 m from where it was born (one that
// came up on furniture) and the held track without the key take the passer's detection.
TEST(PedestrianTracker, AStandingPersonKeepsTheirPlaceWhileAWalkerPassesByAndWalksOnFromIt)
{
  // Walks along x from `walk_from` to 0.5 and stands there 0.5 s on legs that turned static;
  // then `detections_at` gives each scan's moving detections for `scans` scans. Returns where
  // the standing person's track went.
  const auto standing_track_after =
    [](float yield_distance, double walk_from, int scans, auto detections_at) {
      TrackerConfig config;
      config.stopped_hold_time = 10.0f;
      config.stopped_yield_distance = yield_distance;
      PedestrianTracker tracker(config);
      const std::vector<float> scores = {0.8f};
      const int steps = static_cast<int>(std::lround((0.5 - walk_from) / 0.1)) + 1;
      double t = runScans(
        tracker, steps, 0.0,
        [&](int scan) { return std::vector<Object>{makeDetection(walk_from + 0.1 * scan, 0)}; },
        scores);
      const ClusterList standing_legs = {cluster_builders::makeBody(0.5f, 0.0f)};
      const int32_t standing_id = tracker.tracks().at(0).id;
      t = runScans(
        tracker, 5, t, [](int) { return std::vector<Object>{}; }, scores, standing_legs);
      EXPECT_GT(tracker.tracks().at(0).consecutive_static_updates, 0) << "held";
      runScans(tracker, scans, t, detections_at, scores, standing_legs);
      return trackWithId(tracker, standing_id).position();
    };
  const auto passer = [](int scan) {
    return std::vector<Object>{makeDetection(-0.3 + 0.1 * scan, 0.8)};
  };
  const auto first_step = [](int) { return std::vector<Object>{makeDetection(1.2, 0)}; };
  EXPECT_NEAR(0.0f, standing_track_after(0.5f, -0.5, 16, passer).y(), 0.01f) << "passes by";
  EXPECT_GT(standing_track_after(0.0f, -0.5, 16, passer).y(), 0.2f) << "without the key";
  EXPECT_GT(standing_track_after(0.5f, 0.2, 16, passer).y(), 0.2f) << "stands where it was born";
  EXPECT_GT(standing_track_after(0.5f, -0.5, 1, first_step).x(), 0.7f) << "walks on";
}

// With "tracker.keep_due_to_stop_min_displacement", a walker who stops stays a pedestrian while
// they stand even once their legs no longer look like a pedestrian's (together, or beside a
// chair); a track that stops near where it was born (it slid onto a chair leg) gets no such
// hold, and without the key the standing walker is dropped as before.
TEST(PedestrianTracker, AWalkerWhoStopsStaysAPedestrianWhenTheirLegsNoLongerLookLikeOne)
{
  DetectionShape no_pedestrian;
  no_pedestrian.classification = 0;
  struct Approach
  {
    int steps;
    double step;  // m per scan
    bool walker_shape;
  };
  const Approach walker{16, 0.1, true};        // 1.5 m at 1 m/s
  const Approach short_walk{8, 0.1, true};     // 0.7 m
  const Approach creeping{120, 0.009, false};  // 1.1 m at 0.09 m/s, never pedestrian-shaped
  // Comes along x as `approach` says, stands 2 s with the same shape, then 2 s with a shape
  // that looks like no pedestrian; returns whether the track is published at the end.
  const auto published_after_stop = [&](float min_displacement, const Approach & approach) {
    TrackerConfig config;
    config.keep_due_to_stop_min_displacement = min_displacement;
    PedestrianTracker tracker(config);
    const DetectionShape shape = approach.walker_shape ? DetectionShape() : no_pedestrian;
    const std::vector<float> scores = {approach.walker_shape ? 0.8f : 0.2f};
    const double stop_x = approach.step * (approach.steps - 1);
    const auto at = [&](double x, const DetectionShape & s) {
      return std::vector<Object>{makeDetection(x, 0, s)};
    };
    double t = runScans(
      tracker, approach.steps, 0.0, [&](int scan) { return at(approach.step * scan, shape); },
      scores);
    t = runScans(
      tracker, 20, t, [&](int) { return at(stop_x, shape); }, scores);
    runScans(tracker, 20, t, [&](int) { return at(stop_x, no_pedestrian); }, {0.2f});
    return tracker.tracks().size() == 1 && tracker.tracks().at(0).isPublished();
  };
  EXPECT_TRUE(published_after_stop(1.0f, walker)) << "walked, then stood";
  EXPECT_FALSE(published_after_stop(1.0f, short_walk)) << "stood 0.7 m from its birthplace";
  EXPECT_FALSE(published_after_stop(1.0f, creeping)) << "never a pedestrian";
  EXPECT_FALSE(published_after_stop(0.0f, walker)) << "off";
}

// With "tracker.association_across_factor", a walker whose own detection is missing does not take
// the detection of the companion walking 0.6 m beside them (the companion's track lies nearer to
// it); alone, or beside a track found only once (not yet confirmed), a walker still takes a
// detection beside their line, as someone who turned. Without the key the walker takes their
// companion's detection.
TEST(PedestrianTracker, AWalkerDoesNotTakeTheDetectionOfTheCompanionBesideThem)
{
  // Walks along y = 0 for 20 scans, with a companion along y = 0.6 from scan `companion_from`
  // on; then only the detection on the companion's line is found. Returns how far across their
  // line the walker's track went.
  const auto pulled_across = [](float across_factor, int companion_from) {
    TrackerConfig config;
    config.association_across_factor = across_factor;
    PedestrianTracker tracker(config);
    double t = 0.0;
    for (int scan = 0; scan < 20; ++scan, t += 0.1) {
      std::vector<Object> detections = {makeDetection(0.1 * scan, 0)};
      if (scan >= companion_from) {
        detections.push_back(makeDetection(0.1 * scan, 0.6));
      }
      tracker.update(detections, {}, std::vector<float>(detections.size(), 0.8f), t);
    }
    const Track & walker = tracker.tracks().at(0);
    EXPECT_TRUE(walker.isPublished());
    EXPECT_NEAR(0.0f, walker.position().y(), 0.01f);
    tracker.update({makeDetection(2.0, 0.6)}, {}, {0.8f}, t);
    return tracker.tracks().at(0).position().y();
  };
  EXPECT_GT(pulled_across(1.0f, 0), 0.2f) << "without the key";
  EXPECT_LT(pulled_across(2.0f, 0), 0.05f) << "beside a companion";
  EXPECT_GT(pulled_across(2.0f, 20), 0.2f) << "alone";
  EXPECT_GT(pulled_across(2.0f, 19), 0.2f) << "beside a track found once";
}

// With "tracker.seen_empty_timeout", a track that lost its person ends once the scans have shown
// its place empty (seen through or out of view) for that long without a break; a detection or a
// scan that cannot see the place keeps it. Without the option or the scan it coasts as before.
TEST(PedestrianTracker, ATrackWhosePlaceTheScansShowEmptyEndsAfterTheTimeout)
{
  const auto wall_at_5m = wallAt(5.0f);
  const auto wall_at_2m = wallAt(2.0f);
  const ScanSight seen_through(wall_at_5m, ScannerPose());
  const ScanSight at_its_place(wall_at_2m, ScannerPose());
  const std::vector<float> scores = {0.8f};
  LogCapture log(ConsoleOutput::Suppress);
  // The track stands at (x, 0) for three scans, then gets no detection but the given sights
  // (a detection at its place where `nullptr` comes); returns the scan on which it ended.
  const auto ended_on_scan = [&](float timeout, double x, std::vector<const ScanSight *> sights) {
    TrackerConfig config;
    config.seen_empty_timeout = timeout;
    config.max_coasting_frames = 100;
    PedestrianTracker tracker(config);
    const auto standing = [x](int) { return std::vector<Object>{makeDetection(x, 0)}; };
    double t = runScans(tracker, 3, 0.0, standing, scores);
    for (std::size_t scan = 0; scan < sights.size(); ++scan, t += 0.1) {
      const bool detected = sights[scan] == nullptr;
      tracker.update(
        detected ? std::vector<Object>{makeDetection(x, 0)} : std::vector<Object>{}, {}, scores, t,
        detected ? &seen_through : sights[scan]);
      if (tracker.tracks().empty()) {
        return static_cast<int>(scan) + 1;
      }
    }
    return 0;
  };
  const std::vector<const ScanSight *> through(8, &seen_through);
  EXPECT_EQ(4, ended_on_scan(0.25f, 2.0, through)) << "seen empty at 0, 0.1, 0.2 and 0.3 s";
  EXPECT_EQ(4, ended_on_scan(0.25f, -2.0, through)) << "behind the scanner: out of view";
  EXPECT_EQ(0, ended_on_scan(0.0f, 2.0, through)) << "option off";
  EXPECT_EQ(0, ended_on_scan(0.25f, 2.0, {8, &at_its_place})) << "a return at its place";
  EXPECT_EQ(
    7, ended_on_scan(
         0.25f, 2.0,
         {&seen_through, &seen_through, nullptr, &seen_through, &seen_through, &seen_through,
          &seen_through}))
    << "a detection starts the time anew";
  EXPECT_EQ(
    0,
    ended_on_scan(
      0.25f, 2.0,
      {&seen_through, &seen_through, &at_its_place, &seen_through, &seen_through, &seen_through}));
  EXPECT_EQ(3u, countTrackerLogs(log, RCUTILS_LOG_SEVERITY_INFO, "[TRACK] end_seen_empty track=0"))
    << "once per track that ended";

  // Without the scan the option changes nothing.
  TrackerConfig config;
  config.seen_empty_timeout = 0.25f;
  PedestrianTracker tracker(config);
  const auto standing = [](int) { return std::vector<Object>{makeDetection(2, 0)}; };
  double t = runScans(tracker, 3, 0.0, standing, scores);
  for (int scan = 0; scan < config.max_coasting_frames; ++scan, t += 0.1) {
    tracker.update({}, {}, scores, t);
  }
  EXPECT_EQ(TrackState::Coasting, tracker.tracks().at(0).state);
}

// With "tracker.occluded_coast_time", a pedestrian whose place the scan hides behind nearer
// returns coasts on past max_coasting_frames until that long after its last detection. A place
// the scan sees through gets no such grace, nor does a track that is no pedestrian, and without
// the option a hidden track ends as any other.
TEST(PedestrianTracker, APedestrianHiddenBehindNearerReturnsCoastsForTheOccludedTime)
{
  const auto wall_at_1m = wallAt(1.0f);
  const auto wall_at_5m = wallAt(5.0f);
  const ScanSight hidden(wall_at_1m, ScannerPose());
  const ScanSight seen_through(wall_at_5m, ScannerPose());
  // A track stands at (2, 0) for three scans (detected last at 0.2 s), then gets no detection:
  // how many scans it lives through.
  DetectionShape pedestrian;
  DetectionShape other;
  other.classification = 0;
  const auto scans_lived = [](float coast_time, const ScanSight & sight, DetectionShape shape) {
    TrackerConfig config;
    config.max_coasting_frames = 3;
    config.occluded_coast_time = coast_time;
    PedestrianTracker tracker(config);
    const auto standing = [shape](int) { return std::vector<Object>{makeDetection(2, 0, shape)}; };
    double t = runScans(tracker, 3, 0.0, standing, {0.3f});
    for (int scan = 0; scan < 30; ++scan, t += 0.1) {
      tracker.update({}, {}, {}, t, &sight);
      if (tracker.tracks().empty()) {
        return scan;
      }
    }
    return 30;
  };
  EXPECT_EQ(12, scans_lived(0.95f, hidden, pedestrian)) << "hidden up to 1.15 s, then 3 misses";
  EXPECT_EQ(3, scans_lived(0.0f, hidden, pedestrian)) << "option off";
  EXPECT_EQ(3, scans_lived(0.95f, seen_through, pedestrian));
  EXPECT_EQ(3, scans_lived(0.95f, hidden, other)) << "confirmed, but not a pedestrian";
}

// With "tracker.reidentify_time", a walker lost for a moment takes up their old id when they are
// found again on the way their walk would have taken them since (where it leads, or where they
// were lost: they may have stopped or turned back); a stranger found out of that reach (ahead of
// them or behind), two newcomers who both fit, or a return after the remembered time get new
// ids.
TEST(PedestrianTracker, AReidentifiedWalkerTakesTheOldIdAndAStrangerDoesNot)
{
  // Walker 0 walks along x at 1 m/s until 0.5 s and ends after two misses; from 1.2 s on,
  // `newcomers` walk on from the given places. The ids of the published tracks at the end.
  const auto ids_after_return =
    [](float reidentify_time, std::vector<Eigen::Vector2d> newcomers, double return_time = 1.2) {
      TrackerConfig config;
      config.max_coasting_frames = 2;
      config.reidentify_time = reidentify_time;
      PedestrianTracker tracker(config);
      const std::vector<float> scores(newcomers.size(), 0.8f);
      const auto walk = [](int scan) { return std::vector<Object>{makeDetection(0.1 * scan, 0)}; };
      double t = runScans(tracker, 6, 0.0, walk, scores);
      for (; t < return_time - 0.05; t += 0.1) {
        tracker.update({}, {}, scores, t);
      }
      EXPECT_TRUE(tracker.tracks().empty());
      const auto walk_on = [&](int scan) {
        std::vector<Object> detections;
        for (const Eigen::Vector2d & start : newcomers) {
          detections.push_back(makeDetection(start.x() + 0.1 * scan, start.y()));
        }
        return detections;
      };
      runScans(tracker, 8, t, walk_on, scores);
      Ids published;
      for (const Track & track : tracker.tracks()) {
        EXPECT_TRUE(track.isPublished());
        published.push_back(track.id);
      }
      return published;
    };
  EXPECT_EQ(Ids{0}, ids_after_return(3.0f, {{1.2, 0.0}})) << "where walker 0 could be";
  EXPECT_EQ(Ids{1}, ids_after_return(0.0f, {{1.2, 0.0}})) << "option off";
  EXPECT_EQ(Ids{1}, ids_after_return(3.0f, {{2.5, 0.0}})) << "0.7 s on: 0.85 m from 1.2 m at most";
  EXPECT_EQ(Ids{0}, ids_after_return(3.0f, {{2.0, 0.0}}, 2.0)) << "1.5 s on, where the walk leads";
  EXPECT_EQ(Ids{0}, ids_after_return(3.0f, {{0.0, 0.0}})) << "just behind where they were lost";
  EXPECT_EQ(Ids{1}, ids_after_return(3.0f, {{-0.5, 0.0}})) << "1 m behind: not within 0.85 m";
  EXPECT_EQ((Ids{1, 2}), ids_after_return(3.0f, {{1.2, 0.6}, {1.2, -0.6}})) << "who of the two?";
  EXPECT_EQ(Ids{1}, ids_after_return(3.0f, {{1.2, 0.0}}, 3.7)) << "3.2 s after the last sighting";
}

TEST(PedestrianTracker, ATrackFoundAgainAfterAMissTakesOnlyDetectionsItCouldHaveReached)
{
  // Track 0 walks along x at `speed` for four scans 0.1 s apart (a pedestrian once 0.25 m from
  // where it was born), is missed for three, then is offered a detection at `found_x`. The id of
  // the track that took the detection.
  const auto taker = [](float acceleration, double speed, double found_x) {
    TrackerConfig config;
    config.refind_max_acceleration = acceleration;
    config.pedestrian_min_displacement = 0.25f;
    PedestrianTracker tracker(config);
    const auto walk = [&](int scan) {
      return std::vector<Object>{makeDetection(speed * 0.1 * scan, 0)};
    };
    double t = runScans(tracker, 4, 0.0, walk, {0.8f});
    t = runScans(tracker, 3, t, [](int) { return std::vector<Object>{}; }, {});
    tracker.update({makeDetection(found_x, 0)}, {}, {0.8f}, t);
    for (const Track & track : tracker.tracks()) {
      if (track.detected_time == t) {
        return track.id;
      }
    }
    return -1;
  };
  // Standing still, then 0.4 s unseen: 0.5 m + 1/2 x 2 m/s^2 x (0.4 s)^2 = 0.66 m of reach.
  EXPECT_EQ(1, taker(2.0f, 0.0, 0.8)) << "a still thing is not found 0.8 m on";
  EXPECT_EQ(0, taker(0.0f, 0.0, 0.8)) << "option off: within dynamic_gate";
  EXPECT_EQ(0, taker(2.0f, 0.0, 0.6)) << "someone starting to walk gets 0.6 m";
  // Its filter puts the walker at 0.61 m: 0.89 m off is beyond that reach, not beyond the gate.
  EXPECT_EQ(0, taker(2.0f, 1.5, 1.5)) << "a pedestrian keeps the whole gate";
}

// With birth_max_range, a detection seen farther from the scanner than that starts no track but
// continues one: a walker is followed out past the range, and nothing out there is born. The
// range is the one the scanner saw, not the distance in the tracking frame.
TEST(PedestrianTracker, TracksAreBornOnlyWithinTheBirthRangeAndFollowedBeyondIt)
{
  TrackerConfig config;
  config.birth_max_range = 5.0f;
  const auto seenAt = [](double x, double range) {
    Object detection = makeDetection(x, 0);
    detection.range = range;
    return detection;
  };
  PedestrianTracker far(config);
  far.update({seenAt(1.0, 5.01)}, {}, {0.8f}, 0.0);
  EXPECT_TRUE(far.tracks().empty());
  far.update({seenAt(1.0, 5.0)}, {}, {0.8f}, 0.1);
  EXPECT_EQ(1u, far.tracks().size()) << "5 m itself is within";

  PedestrianTracker walking(config);
  const auto outward = [&](int scan) {
    const double x = 4.6 + 0.1 * scan;
    return std::vector<Object>{seenAt(x, x)};
  };
  const double t = runScans(walking, 10, 0.0, outward, {0.8f});
  ASSERT_EQ(1u, walking.tracks().size());
  EXPECT_EQ(0, walking.tracks()[0].id);
  EXPECT_NEAR(walking.tracks()[0].detected_time, t - 0.1, 1e-9) << "followed out to 5.5 m";

  config.birth_max_range = 0.0f;
  PedestrianTracker anywhere(config);
  anywhere.update({seenAt(1.0, 9.0)}, {}, {0.8f}, 0.0);
  EXPECT_EQ(1u, anywhere.tracks().size());
}

TEST(PedestrianTracker, DuplicatePairMustBeCandidateInConsecutiveScans)
{
  TrackerConfig config;
  // Filtered positions follow the detections closely, so the test controls the distances.
  config.measurement_noise = 1e-4f;
  config.process_noise_position = 1.0f;
  config.dynamic_gate = 5.0f;
  PedestrianTracker tracker(config);
  LogCapture log(ConsoleOutput::Suppress);
  const std::vector<float> scores = {0.6f, 0.8f};
  const auto scan_with_second_at = [&tracker, &scores](double y, double t) {
    tracker.update({makeDetection(0, 0), makeDetection(0, y)}, {}, scores, t);
  };
  scan_with_second_at(0.3, 0.0);
  EXPECT_EQ(PairHits{}, tracker.duplicatePairHits()) << "tentative tracks are no candidates";
  scan_with_second_at(0.3, 0.1);
  EXPECT_EQ((PairHits{{{0, 1}, 1}}), tracker.duplicatePairHits());
  EXPECT_EQ(
    1u, countTrackerLogs(
          log, RCUTILS_LOG_SEVERITY_INFO,
          "[TRACK_DUPLICATE] candidate track_a=0 track_b=1 dist=0.30 align=1.00 hits=1/3"));
  scan_with_second_at(0.9, 0.2);
  EXPECT_EQ(PairHits{}, tracker.duplicatePairHits()) << "a gap restarts the count";
  scan_with_second_at(0.3, 0.3);
  EXPECT_EQ((PairHits{{{0, 1}, 1}}), tracker.duplicatePairHits());
  scan_with_second_at(0.3, 0.4);
  EXPECT_EQ((Ids{0, 1}), trackIds(tracker));
  EXPECT_EQ(0u, log.count("[TRACK_DUPLICATE] merge"));

  scan_with_second_at(0.3, 0.5);
  EXPECT_EQ(1u, log.count("hits=3/3"));
  // Equal hits: the higher score (track 1) is kept.
  EXPECT_EQ(
    1u, countTrackerLogs(log, RCUTILS_LOG_SEVERITY_INFO, "[TRACK_DUPLICATE] merge keep=1 drop=0"));
  EXPECT_EQ(1u, log.count("align=1.00 keep_hits=6 drop_hits=6 keep_geo=0.80 drop_geo=0.60"));
  EXPECT_EQ((Ids{1}), trackIds(tracker));
  EXPECT_EQ((PairHits{{{0, 1}, 3}}), tracker.duplicatePairHits()) << "not reset by the merge";
  EXPECT_NEAR(0.15f, tracker.tracks().at(0).x[1], 0.01f);

  tracker.update({makeDetection(0, 0.15)}, {}, scores, 0.6);
  EXPECT_EQ(PairHits{}, tracker.duplicatePairHits()) << "forgotten with a single track";
}

// A second track on a walker (a leg or a fragment 0.3 m beside them, moving with them) ends
// within duplicate_track_merge_hits scans of both being confirmed; a companion walking alongside
// 0.5 m away keeps their own track.
TEST(PedestrianTracker, ADuplicateBesideAWalkerEndsButACompanionAlongsideStays)
{
  const auto tracks_after = [](int scans, double beside) {
    PedestrianTracker tracker{TrackerConfig()};
    LogCapture log(ConsoleOutput::Suppress);
    runScans(
      tracker, scans, 0.0,
      [beside](int scan) {
        return std::vector<Object>{
          makeDetection(0.1 * scan, 0.0), makeDetection(0.1 * scan + 0.02, beside)};
      },
      {0.8f, 0.6f});
    return tracker.tracks().size();
  };
  EXPECT_EQ(2u, tracks_after(3, 0.3)) << "confirmed at the second scan, two candidate scans";
  EXPECT_EQ(1u, tracks_after(4, 0.3)) << "the third candidate scan merges them";
  EXPECT_EQ(2u, tracks_after(30, 0.5));
}

TEST(PedestrianTracker, OnlyWalkingPublishedTracksOldEnoughAreExpectedAndWhereTheirWalkLeads)
{
  PedestrianTracker tracker{TrackerConfig()};
  LogCapture log(ConsoleOutput::Suppress);
  // Two walkers at 1 m/s along x for a second.
  const double t = runScans(
    tracker, 10, 0.0,
    [](int scan) {
      return std::vector<Object>{makeDetection(0.1 * scan, 0.0), makeDetection(0.1 * scan, 2.0)};
    },
    {0.8f, 0.8f});
  // The second walker stops (only a static cluster where they stand); a newcomer appears.
  tracker.update(
    {makeDetection(1.0, 0.0), makeDetection(3.0, 4.0)}, {cluster_builders::makeLeg(0.95F, 2.0F)},
    {0.8f, 0.8f}, t);
  ASSERT_EQ(3u, tracker.tracks().size());
  const Track & walker = tracker.tracks()[0];
  ASSERT_TRUE(walker.isPublished());
  ASSERT_TRUE(tracker.tracks()[1].isPublished());
  ASSERT_GT(tracker.tracks()[1].consecutive_static_updates, 0);
  const Eigen::Vector2f now = walker.position();
  const auto places = tracker.predictedPublishedPlaces(t + 0.2);
  ASSERT_EQ(1u, places.size());
  EXPECT_TRUE(places[0].place.isApprox(now + 0.2f * walker.velocity()));
  EXPECT_EQ(walker.velocity(), places[0].velocity);
  EXPECT_NEAR(1.2, places[0].place.x(), 0.05);
  EXPECT_EQ(now, walker.position()) << "the expectation leaves the track as it is";
  EXPECT_TRUE(tracker.predictedPublishedPlaces(t + 0.2, 1.3).empty()) << "born 1.2 s before";
}

TEST(PedestrianTracker, TracksPassingInOppositeDirectionsAreNoDuplicates)
{
  PedestrianTracker tracker{TrackerConfig()};
  LogCapture log(ConsoleOutput::Suppress);
  runScans(
    tracker, 11, 0.0,
    [](int scan) {
      return std::vector<Object>{
        makeDetection(-0.5 + 0.1 * scan, 0.0), makeDetection(0.5 - 0.1 * scan, 0.2)};
    },
    {0.8f, 0.8f});
  EXPECT_EQ((Ids{0, 1}), trackIds(tracker));
  EXPECT_EQ(0u, log.count("TRACK_DUPLICATE"));
}

TEST(PedestrianTracker, TrackDroppedByMergeTakesNoFurtherPartInThatPass)
{
  // Track 0 stands between track 1 and track 2 and is a duplicate candidate of both; tracks 1
  // and 2 are too far apart to be one person. When track 0 is merged into track 1, track 2 is a
  // person of its own and must survive.
  PedestrianTracker tracker{TrackerConfig()};
  LogCapture log(ConsoleOutput::Suppress);
  runScans(
    tracker, 4, 0.0,
    [](int) {
      return std::vector<Object>{
        makeDetection(0.3, 0.0), makeDetection(0.0, 0.0), makeDetection(0.6, 0.0)};
    },
    {0.6f, 0.8f, 0.5f});
  EXPECT_EQ(1u, log.count("[TRACK_DUPLICATE] merge keep=1 drop=0"));
  EXPECT_EQ(1u, log.count("[TRACK_DUPLICATE] merge"));
  EXPECT_EQ((Ids{1, 2}), trackIds(tracker));
  EXPECT_EQ(TrackState::Confirmed, trackWithId(tracker, 2).state);
  EXPECT_NEAR(0.6f, trackWithId(tracker, 2).x[0], 1e-5f);
}

TEST(PedestrianTracker, DetectionsWithoutUsablePositionOrScoreAreDroppedAndLogged)
{
  PedestrianTracker tracker{TrackerConfig()};
  LogCapture log(ConsoleOutput::Suppress);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  tracker.update(
    {makeDetection(nan, 0), makeDetection(1, 0), makeDetection(2, 0)}, {},
    {0.8f, 0.8f, std::numeric_limits<float>::infinity()}, 0.0);
  EXPECT_EQ((Ids{0}), trackIds(tracker));
  EXPECT_EQ(1.0f, tracker.tracks().at(0).x[0]);
  // One line per second at most.
  EXPECT_EQ(
    1u, countTrackerLogs(
          log, RCUTILS_LOG_SEVERITY_WARN, "[TRACK] drop_invalid_detection det=0 x=nan y=0.00"));
  EXPECT_EQ(0u, log.count("drop_invalid_detection det=2"));
}

}  // namespace
