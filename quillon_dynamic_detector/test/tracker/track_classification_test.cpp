#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quillon_dynamic_detector/track.hpp"
#include "tracker_builders.hpp"

namespace
{

using quillon_dynamic_detector::Track;
using quillon_dynamic_detector::TrackerConfig;
using quillon_dynamic_detector::TrackState;
using tracker_builders::makeTrack;

// Motion confidence with the default weights is 0.25 * consistency + 0.6 * hit term + 0.15 *
// covariance term: a track with many hits and settled velocity variance is trusted
// (m = 0.75 + 0.25 * consistency), a new one with wide velocity variance is not
// (m = 0.25 * consistency).
void makeTrusted(Track & track, float consistency)
{
  track.hits = 10;
  track.P(2, 2) = track.P(3, 3) = 0.0f;
  track.consistency_ema = consistency;
}

void makeUntrusted(Track & track)
{
  track.hits = 1;
  track.P(2, 2) = track.P(3, 3) = 1.5f;
  track.consistency_ema = 0.5f;
}

struct Judgement
{
  std::string name;
  TrackState state;
  int32_t flag;
  float score;
  float speed_ema;
  float speed;
  bool trusted;
  float consistency;  // when trusted
  int32_t expected_flag;
};

TEST(TrackClassification, MotionConfidenceCombinesConsistencyHitsAndCovariance)
{
  const TrackerConfig config;
  Track track = makeTrack(config, 0, 0, 0);
  track.hits = 3;
  track.P(2, 2) = track.P(3, 3) = 0.3f;
  track.consistency_ema = 0.8f;
  // 0.25 * 0.8 + 0.6 * (2 / 3) + 0.15 * (1 - 0.6 / 3)
  EXPECT_NEAR(0.72f, track.motionConfidence(), 1e-6f);
  track.state = TrackState::Coasting;
  EXPECT_NEAR(0.52f, track.motionConfidence(), 1e-6f);

  track.state = TrackState::Confirmed;
  track.hits = 0;  // the hit term has no lower bound
  EXPECT_NEAR(0.2f - 0.2f + 0.12f, track.motionConfidence(), 1e-6f);
  track.hits = 100;  // but is capped at one
  track.P(2, 2) = -1.0f;
  track.P(3, 3) = 0.5f;  // a negative variance sum counts as zero
  EXPECT_NEAR(0.2f + 0.6f + 0.15f, track.motionConfidence(), 1e-6f);
  track.consistency_ema = 2.0f;
  EXPECT_EQ(1.0f, track.motionConfidence());  // clamped
  track.hits = -10;
  EXPECT_EQ(0.0f, track.motionConfidence());
}

TEST(TrackClassification, KeepAndUpgradeHysteresisWithStandingStillRule)
{
  const TrackerConfig config;  // keep 0.3, upgrade 0.45, keep_due_to_stop 0.1, hard max 5.5
  const std::vector<Judgement> cases = {
    {"confirmed pedestrian stops", TrackState::Confirmed, 1, 0.0f, 0.02f, 0.0f, true, 0.5f, 1},
    {"coasting pedestrian stops", TrackState::Coasting, 1, -1.0f, 0.09f, 0.0f, true, 0.5f, 1},
    {"tentative pedestrian stops", TrackState::Tentative, 1, 0.0f, 0.02f, 0.0f, true, 0.5f, 0},
    {"at keep_due_to_stop the score decides", TrackState::Confirmed, 1, 0.0f, 0.1f, 0.1f, false,
     0.0f, 0},
    {"pedestrian keeps with lower score", TrackState::Confirmed, 1, 0.4f, 1.0f, 1.0f, false, 0.0f,
     1},
    {"non-pedestrian needs upgrade score", TrackState::Confirmed, 0, 0.4f, 1.0f, 1.0f, false, 0.0f,
     0},
    {"pedestrian below keep", TrackState::Confirmed, 1, 0.29f, 1.0f, 1.0f, false, 0.0f, 0},
    {"walking speed band lifts", TrackState::Confirmed, 0, 0.3f, 1.0f, 1.0f, true, 0.2f, 1},
    {"walking speed band not enough", TrackState::Confirmed, 0, 0.2f, 1.0f, 1.0f, true, 0.2f, 0},
    {"medium speed band lifts", TrackState::Confirmed, 0, 0.4f, 3.0f, 3.0f, true, 0.2f, 1},
    {"high speed penalty", TrackState::Confirmed, 1, 0.4f, 4.0f, 4.0f, true, 0.2f, 0},
    {"untrusted: no speed band", TrackState::Confirmed, 1, 0.4f, 4.0f, 4.0f, false, 0.0f, 1},
    {"hard limit beats any score", TrackState::Confirmed, 1, 5.0f, 1.0f, 5.6f, true, 0.2f, 0},
    {"hard limit needs trust", TrackState::Confirmed, 1, 5.0f, 1.0f, 5.6f, false, 0.0f, 1},
    {"consistency bonus lifts", TrackState::Confirmed, 0, 0.36f, 0.09f, 0.09f, true, 1.0f, 1},
    {"consistency bonus not enough", TrackState::Confirmed, 0, 0.34f, 0.09f, 0.09f, true, 1.0f, 0},
    {"stop bonus only when not tentative", TrackState::Confirmed, 0, 0.41f, 0.01f, 0.01f, true,
     0.2f, 1},
    {"no stop bonus when tentative", TrackState::Tentative, 0, 0.41f, 0.01f, 0.01f, true, 0.2f, 0},
  };
  for (const Judgement & c : cases) {
    Track track = makeTrack(config, 0, 0, 0, c.speed, 0.0f, c.state, c.flag);
    track.score = c.score;
    track.speed_ema = c.speed_ema;
    if (c.trusted) {
      makeTrusted(track, c.consistency);
    } else {
      makeUntrusted(track);
    }
    track.updateClassification();
    EXPECT_EQ(c.expected_flag, track.detection.classification) << c.name;
    EXPECT_EQ(c.score, track.score) << c.name << ": the pedestrian score is not stored";
  }
}

}  // namespace

// With "tracker.pedestrian_min_displacement", a track is no pedestrian, whatever its shape and
// speed, until a detection of it has once been that far from its birth place (the filter, which
// lags behind, does not count); then it is judged as without the option, also when it comes
// back, and a merge keeps what either track had earned.
TEST(TrackClassification, ATrackBecomesAPedestrianOnlyOnceItHasLeftItsBirthPlace)
{
  TrackerConfig config;
  config.pedestrian_min_displacement = 0.3f;
  Track track = makeTrack(config, 0, 1.0f, 2.0f, 1.0f, 0.0f);  // a walker's speed and shape
  makeTrusted(track, 0.9f);
  track.speed_ema = 1.0f;
  const auto judged_at = [&track](float x) {
    track.detection.pose.position.x = x;
    track.updateClassification();
    return track.isPedestrian();
  };
  track.x[0] = 2.0f;
  EXPECT_FALSE(judged_at(1.0f)) << "the filter alone has moved";
  EXPECT_FALSE(judged_at(1.29f));
  EXPECT_TRUE(judged_at(1.31f));
  EXPECT_TRUE(judged_at(1.0f)) << "back where it was born";

  Track still = makeTrack(config, 1, 1.0f, 2.0f, 1.0f, 0.0f);
  makeTrusted(still, 0.9f);
  still.speed_ema = 1.0f;
  still.updateClassification();
  EXPECT_FALSE(still.isPedestrian());
  still.mergeFrom(track);
  still.updateClassification();
  EXPECT_TRUE(still.isPedestrian());

  config.pedestrian_min_displacement = 0.0f;
  Track unrestricted = makeTrack(config, 2, 1.0f, 2.0f, 1.0f, 0.0f);
  makeTrusted(unrestricted, 0.9f);
  unrestricted.speed_ema = 1.0f;
  unrestricted.updateClassification();
  EXPECT_TRUE(unrestricted.isPedestrian());
}

namespace
{

// The convex outline of a cluster `length` long and `thickness` thick, centred on (x, y).
std::vector<geometry_msgs::msg::Point32> outlineOf(float x, float y, float length, float thickness)
{
  std::vector<geometry_msgs::msg::Point32> outline(4);
  const float half_l = 0.5f * length;
  const float half_t = 0.5f * thickness;
  const float corners[4][2] = {
    {-half_l, -half_t}, {half_l, -half_t}, {half_l, half_t}, {-half_l, half_t}};
  for (int i = 0; i < 4; ++i) {
    outline[i].x = x + corners[i][0];
    outline[i].y = y + corners[i][1];
  }
  return outline;
}

}  // namespace

// With "tracker.straight_edge_length", a walker-like track whose cluster is a long thin line (a
// wall or panel that moved) is no pedestrian, for a second after its last such cluster too, while
// a pair of legs of the same length is one; the test is off at 0.
TEST(TrackClassification, ATrackOnAStraightEdgeIsNoPedestrianForASecond)
{
  TrackerConfig config;
  config.straight_edge_length = 0.5f;
  config.straight_edge_thickness = 0.03f;
  Track track = makeTrack(config, 0, 1.0f, 2.0f, 1.0f, 0.0f);
  makeTrusted(track, 0.9f);
  track.speed_ema = 1.0f;
  const auto judged_at = [&track](double t, float length, float thickness) {
    track.last_time = t;
    track.detection.polygon = outlineOf(1.0f, 2.0f, length, thickness);
    track.updateClassification();
    return track.isPedestrian();
  };
  EXPECT_TRUE(judged_at(0.0, 0.6f, 0.12f)) << "two legs side by side";
  EXPECT_FALSE(judged_at(0.1, 0.8f, 0.02f)) << "a stretch of wall";
  EXPECT_FALSE(judged_at(0.6, 0.3f, 0.02f)) << "the edge's short end, 0.5 s later";
  EXPECT_FALSE(judged_at(1.1, 0.3f, 0.12f));
  EXPECT_TRUE(judged_at(1.2, 0.3f, 0.12f)) << "over a second since the edge";
  EXPECT_TRUE(judged_at(1.3, 0.45f, 0.02f)) << "shorter than the length";

  config.straight_edge_length = 0.0f;
  Track unrestricted = makeTrack(config, 1, 1.0f, 2.0f, 1.0f, 0.0f);
  makeTrusted(unrestricted, 0.9f);
  unrestricted.speed_ema = 1.0f;
  unrestricted.detection.polygon = outlineOf(1.0f, 2.0f, 0.8f, 0.02f);
  unrestricted.updateClassification();
  EXPECT_TRUE(unrestricted.isPedestrian());
}
