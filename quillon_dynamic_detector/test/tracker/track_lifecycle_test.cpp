#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/static_centroid.hpp"
#include "quillon_dynamic_detector/track.hpp"
#include "tracker_builders.hpp"

namespace
{

using cluster_builders::makeCluster;
using cluster_builders::makeLeg;
using quillon_dynamic_detector::findNearestStaticCentroid;
using quillon_dynamic_detector::Track;
using quillon_dynamic_detector::TrackerConfig;
using quillon_dynamic_detector::TrackState;
using tracker_builders::makeTrack;

int missesUntilDeleted(Track & track)
{
  int misses = 0;
  while (track.state != TrackState::Deleted && misses < 100) {
    track.markMissed();
    ++misses;
  }
  return misses;
}

TEST(TrackLifecycle, MissesDemoteAndDeleteByState)
{
  TrackerConfig config;
  config.max_coasting_frames = 0;
  Track confirmed = makeTrack(config, 0, 0, 0);
  confirmed.markMissed();
  EXPECT_EQ(TrackState::Coasting, confirmed.state) << "with no coasting frames, still coasts once";
  confirmed.markMissed();
  EXPECT_EQ(TrackState::Deleted, confirmed.state);

  config.max_coasting_frames = 10;
  Track coasting = makeTrack(config, 0, 0, 0);
  EXPECT_EQ(11, missesUntilDeleted(coasting));
  EXPECT_EQ(11, coasting.misses);

  Track tentative = makeTrack(config, 0, 0, 0, 0, 0, TrackState::Tentative);
  tentative.markMissed();
  EXPECT_EQ(TrackState::Tentative, tentative.state);
  tentative.correct(Eigen::Vector2f::Zero(), 0.1);  // resets the count (and confirms)
  tentative.state = TrackState::Tentative;
  tentative.markMissed();
  EXPECT_EQ(TrackState::Tentative, tentative.state) << "misses must be in a row";
  tentative.markMissed();
  EXPECT_EQ(TrackState::Deleted, tentative.state);
}

TEST(TrackLifecycle, StaticRetentionOnlyForEstablishedPedestriansThatMoved)
{
  const TrackerConfig config;  // 3 dynamic updates, 120 static in a row, 0.15 m/s, 0.2 m
  const auto retainable = [&config]() {
    Track track = makeTrack(config, 0, 1.0f, 1.0f);
    track.dynamic_updates = 3;
    track.max_speed = 0.15f;
    return track;
  };
  EXPECT_TRUE(retainable().canRetainStatic());

  struct Case
  {
    std::string name;
    void (*change)(Track &);
    bool expected;
  };
  const std::vector<Case> cases = {
    {"coasting", [](Track & t) { t.state = TrackState::Coasting; }, true},
    {"tentative", [](Track & t) { t.state = TrackState::Tentative; }, false},
    {"deleted", [](Track & t) { t.state = TrackState::Deleted; }, false},
    {"not a pedestrian", [](Track & t) { t.detection.classification = 0; }, false},
    {"too few dynamic updates", [](Track & t) { t.dynamic_updates = 2; }, false},
    {"last static update allowed", [](Track & t) { t.consecutive_static_updates = 119; }, true},
    {"static updates used up", [](Track & t) { t.consecutive_static_updates = 120; }, false},
    {"slow and never left its birth place", [](Track & t) { t.max_speed = 0.14f; }, false},
    {"slow but walked away",
     [](Track & t) {
       t.max_speed = 0.14f;
       t.x[0] += 0.25f;
     },
     true},
  };
  for (const Case & c : cases) {
    Track track = retainable();
    c.change(track);
    EXPECT_EQ(c.expected, track.canRetainStatic()) << c.name;
  }

  // With a speed limit, a walker whose detections drop out is not held; one who slowed down is.
  TrackerConfig limited;
  limited.static_retention_max_speed = 0.3f;
  Track walker = makeTrack(limited, 0, 1.0f, 1.0f, 0.6f, 0.6f);
  walker.dynamic_updates = 3;
  walker.max_speed = 1.0f;
  EXPECT_FALSE(walker.canRetainStatic());
  walker.x[2] = walker.x[3] = 0.2f;
  EXPECT_TRUE(walker.canRetainStatic());
}

TEST(TrackLifecycle, NearestStaticCentroidWithinGate)
{
  const TrackerConfig config;  // static gate 0.5
  const Eigen::Vector2f origin(0.0f, 0.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();

  auto sparse = makeCluster({{0.1f, 0.4f}, {nan, nan}, {0.3f, 0.4f}});
  sparse->is_dense = false;
  auto unusable = makeCluster({{nan, 0.0f}});
  unusable->is_dense = false;
  const quillon_dynamic_detector::ClusterList clusters = {
    makeCluster({}),
    nullptr,
    unusable,
    makeLeg(1.0f, 0.0f),
    sparse,
    makeCluster({{0.0f, 0.3f}}),
    makeCluster({{-0.3f, 0.0f}})};
  const auto nearest = findNearestStaticCentroid(config, origin, clusters);
  ASSERT_TRUE(nearest.has_value());
  EXPECT_EQ(Eigen::Vector2f(0.0f, 0.3f), *nearest) << "the earlier of two at equal distance";

  // Finite points only, for a cloud that is not marked dense.
  const auto from_sparse = findNearestStaticCentroid(config, Eigen::Vector2f(0.2f, 0.4f), {sparse});
  ASSERT_TRUE(from_sparse.has_value());
  EXPECT_FLOAT_EQ(0.2f, from_sparse->x());

  EXPECT_FALSE(findNearestStaticCentroid(config, origin, {makeCluster({{0.5f, 0.0f}})}))
    << "exactly at the gate";
  EXPECT_FALSE(findNearestStaticCentroid(config, origin, {unusable}));
  EXPECT_FALSE(findNearestStaticCentroid(config, origin, {}));
}

TEST(TrackLifecycle, MergeFromWeighsStateByHitsAndCombinesBooks)
{
  const TrackerConfig config;
  Track keep = makeTrack(config, 1, 0.0f, 0.0f, 1.0f, 0.0f, TrackState::Coasting);
  keep.hits = 4;
  keep.P.setIdentity();
  keep.score = 0.5f;
  keep.misses = 2;
  keep.max_speed = 1.0f;
  keep.dynamic_updates = 4;
  keep.consecutive_static_updates = 3;
  keep.birth_position = Eigen::Vector2f(0.0f, 0.0f);
  keep.last_time = 2.0;
  keep.speed_ema = 0.9f;
  keep.consistency_ema = 0.8f;
  Track drop = makeTrack(config, 2, 0.3f, 0.6f, 0.4f, 0.3f, TrackState::Confirmed);
  drop.hits = 2;
  drop.P = 4.0f * Eigen::Matrix4f::Identity();
  drop.score = 0.7f;
  drop.misses = 0;
  drop.max_speed = 1.5f;
  drop.dynamic_updates = 2;
  drop.consecutive_static_updates = 5;
  drop.birth_position = Eigen::Vector2f(1.0f, 2.0f);
  drop.last_time = 1.9;
  drop.speed_ema = 0.5f;
  drop.consistency_ema = 0.9f;
  drop.has_previous_velocity = true;
  drop.detection.point_count = 12;

  keep.mergeFrom(drop);
  // weights 4 (keep) and 2 (drop)
  EXPECT_TRUE(keep.x.isApprox(Eigen::Vector4f(0.1f, 0.2f, 0.8f, 0.1f)));
  EXPECT_TRUE(keep.P.isApprox(2.0f * Eigen::Matrix4f::Identity()));
  EXPECT_EQ(1, keep.id);
  EXPECT_EQ(4, keep.hits);
  EXPECT_EQ(0.7f, keep.score);
  EXPECT_EQ(0, keep.misses);
  EXPECT_EQ(1.5f, keep.max_speed);
  EXPECT_EQ(4, keep.dynamic_updates);
  EXPECT_EQ(3, keep.consecutive_static_updates);
  EXPECT_EQ(Eigen::Vector2f(0.5f, 1.0f), keep.birth_position);
  EXPECT_EQ(2.0, keep.last_time);
  EXPECT_EQ(0.9f, keep.speed_ema);
  EXPECT_EQ(0.9f, keep.consistency_ema);
  EXPECT_TRUE(keep.has_previous_velocity);
  EXPECT_EQ(keep.velocity(), keep.previous_velocity);
  EXPECT_EQ(TrackState::Confirmed, keep.state) << "a confirmed drop revives a coasting keep";
  EXPECT_EQ(12, keep.detection.point_count) << "the drop's better score wins its detection";

  Track zero_hits = makeTrack(config, 3, 1.0f, 0.0f);
  zero_hits.hits = 0;
  Track other = makeTrack(config, 4, 0.0f, 0.0f, 0.0f, 0.0f, TrackState::Coasting);
  other.hits = 1;
  zero_hits.mergeFrom(other);
  EXPECT_FLOAT_EQ(0.5f, zero_hits.x[0]) << "no hits still weighs one";
  EXPECT_EQ(TrackState::Confirmed, zero_hits.state);
}

TEST(TrackLifecycle, MergeFromTakesDetectionOfTheBetterPedestrianOrTheLargerCluster)
{
  const TrackerConfig config;
  struct Case
  {
    std::string name;
    int32_t keep_flag, drop_flag;
    TrackState drop_state;
    int32_t drop_hits;
    float drop_score;
    int32_t drop_points;
    bool takes_drop;
  };
  // The keep is a confirmed track with 5 hits, score 0.5 and 20 points.
  const std::vector<Case> cases = {
    {"weaker pedestrian drop", 1, 1, TrackState::Confirmed, 5, 0.5f, 20, false},
    {"drop with higher score", 1, 1, TrackState::Coasting, 5, 0.6f, 20, true},
    {"drop with more hits", 1, 1, TrackState::Confirmed, 6, 0.5f, 20, true},
    {"keep is no pedestrian", 0, 1, TrackState::Confirmed, 1, 0.1f, 20, true},
    {"tentative drop", 0, 1, TrackState::Tentative, 9, 0.9f, 20, false},
    {"drop no pedestrian", 0, 0, TrackState::Confirmed, 9, 0.9f, 20, false},
    {"drop with more points", 1, 0, TrackState::Tentative, 1, 0.0f, 21, true},
  };
  for (const Case & c : cases) {
    Track keep = makeTrack(config, 0, 0, 0, 0, 0, TrackState::Confirmed, c.keep_flag);
    keep.hits = 5;
    keep.score = 0.5f;
    keep.detection.point_count = 20;
    Track drop = makeTrack(config, 1, 0, 0, 0, 0, c.drop_state, c.drop_flag);
    drop.hits = c.drop_hits;
    drop.score = c.drop_score;
    drop.detection.point_count = c.drop_points;
    drop.detection.width = 0.77;
    keep.mergeFrom(drop);
    EXPECT_EQ(c.takes_drop, keep.detection == drop.detection) << c.name;
    EXPECT_EQ(c.takes_drop ? c.drop_flag : c.keep_flag, keep.detection.classification) << c.name;
  }
}

}  // namespace
