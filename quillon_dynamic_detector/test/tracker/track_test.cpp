#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "quillon_dynamic_detector/track.hpp"
#include "tracker_builders.hpp"

namespace
{

using quillon_dynamic_detector::Track;
using quillon_dynamic_detector::TrackerConfig;
using quillon_dynamic_detector::TrackState;
using tracker_builders::makeDetection;

// One axis of the constant-velocity filter, written out by hand in double precision: the planar
// filter is two such axes that never couple.
struct AxisFilter
{
  double p, v;     // position, velocity
  double a, b, c;  // covariance [[a, b], [b, c]]

  void predict(double dt, double qp, double qv)
  {
    p += dt * v;
    a += 2.0 * dt * b + dt * dt * c + qp * dt * dt;
    b += dt * c;
    c += qv * dt;
  }

  void correct(double z, double r)
  {
    const double s = a + r;
    const double k_p = a / s;
    const double k_v = b / s;
    const double innovation = z - p;
    p += k_p * innovation;
    v += k_v * innovation;
    c -= k_v * b;
    a *= 1.0 - k_p;
    b *= 1.0 - k_p;
  }
};

TEST(Track, TimeStepFallsBackToDefaultWhenNotPositiveOrTooLarge)
{
  TrackerConfig config;
  config.default_dt = 0.2f;
  config.max_dt = 1.0f;
  const auto stepUsed = [&config](double last_time, double t) {
    Track track(0, Eigen::Vector2f::Zero(), makeDetection(0, 0), 1.0f, &config, last_time);
    track.x[2] = 1.0f;
    track.predict(t);
    EXPECT_EQ(track.F(0, 2), track.F(1, 3));
    EXPECT_FLOAT_EQ(config.process_noise_velocity * track.F(0, 2), track.Q(2, 2));
    if (!std::isnan(t)) {
      EXPECT_EQ(t, track.last_time);
    }
    return track.F(0, 2);
  };
  EXPECT_FLOAT_EQ(0.05f, stepUsed(10.0, 10.05));
  EXPECT_FLOAT_EQ(1.0f, stepUsed(10.0, 11.0));   // exactly the largest step is kept
  EXPECT_FLOAT_EQ(0.2f, stepUsed(10.0, 10.0));   // same stamp
  EXPECT_FLOAT_EQ(0.2f, stepUsed(10.0, 9.5));    // older stamp
  EXPECT_FLOAT_EQ(0.2f, stepUsed(10.0, 11.25));  // gap too large
  EXPECT_FLOAT_EQ(0.2f, stepUsed(10.0, std::nan("")));
}

TEST(Track, FilterMatchesHandComputedStepsOnBothAxes)
{
  const TrackerConfig config;
  Track track(0, Eigen::Vector2f::Zero(), makeDetection(0, 0), 1.0f, &config, 0.0);

  // First step with the defaults, by hand: P(0,0) = 0.1 + 0.1^2 * 1 + 0.01 * 0.1^2 = 0.1101,
  // P(0,2) = 0.1, P(2,2) = 1.05; gain 0.1101 / 0.1601 and 0.1 / 0.1601.
  track.predict(0.1);
  EXPECT_NEAR(0.1101f, track.P(0, 0), 1e-7f);
  EXPECT_NEAR(0.1f, track.P(0, 2), 1e-7f);
  EXPECT_NEAR(1.05f, track.P(2, 2), 1e-6f);
  track.correct(Eigen::Vector2f(0.1f, -0.2f), 0.1);
  EXPECT_NEAR(0.06876952f, track.x[0], 1e-6f);
  EXPECT_NEAR(-0.13753904f, track.x[1], 1e-6f);
  EXPECT_NEAR(0.06246096f, track.x[2], 1e-6f);
  EXPECT_NEAR(-0.12492192f, track.x[3], 1e-6f);
  EXPECT_NEAR(0.03438476f, track.P(0, 0), 1e-6f);
  EXPECT_NEAR(0.03123048f, track.P(0, 2), 1e-6f);
  EXPECT_NEAR(0.98753904f, track.P(2, 2), 1e-6f);
  EXPECT_EQ(0.0f, track.P(0, 1));

  AxisFilter x_axis{
    0.1 * 0.1101 / 0.1601, 0.1 * 0.1 / 0.1601, 0.1101 * 0.05 / 0.1601, 0.1 * 0.05 / 0.1601,
    1.05 - 0.01 / 0.1601};
  AxisFilter y_axis{-2.0 * x_axis.p, -2.0 * x_axis.v, x_axis.a, x_axis.b, x_axis.c};
  struct Step
  {
    double t, zx, zy, dt;
  };
  // The third step repeats the stamp and so falls back to the default step.
  const std::vector<Step> steps = {
    {0.2, 0.21, -0.38, 0.1}, {0.35, 0.36, -0.61, 0.15}, {0.35, 0.45, -0.75, 0.1}};
  for (const Step & step : steps) {
    track.predict(step.t);
    track.correct(Eigen::Vector2f(step.zx, step.zy), step.t);
    for (AxisFilter * axis : {&x_axis, &y_axis}) {
      axis->predict(step.dt, 0.01, 0.5);
      axis->correct(axis == &x_axis ? step.zx : step.zy, 0.05);
    }
    EXPECT_NEAR(x_axis.p, track.x[0], 1e-5);
    EXPECT_NEAR(y_axis.p, track.x[1], 1e-5);
    EXPECT_NEAR(x_axis.v, track.x[2], 1e-4);
    EXPECT_NEAR(y_axis.v, track.x[3], 1e-4);
    EXPECT_NEAR(x_axis.a, track.P(0, 0), 1e-5);
    EXPECT_NEAR(y_axis.b, track.P(1, 3), 1e-5);
    EXPECT_NEAR(x_axis.c, track.P(2, 2), 1e-4);
    EXPECT_NEAR(0.0, track.P(0, 1), 1e-7);
  }
  EXPECT_EQ(5, track.hits);
}

TEST(Track, MotionStatisticsStartAtFirstCallThenAverage)
{
  TrackerConfig config;
  config.motion_default_consistency = 0.2f;
  config.motion_stationary_consistency = 0.9f;
  config.motion_speed_ema_alpha = 0.6f;
  config.motion_consistency_alpha = 0.75f;

  // First call (the first prediction of a new track): speed 0, default consistency.
  Track born(0, Eigen::Vector2f::Zero(), makeDetection(0, 0), 1.0f, &config, 0.0);
  born.consistency_ema = 0.7f;
  born.predict(0.1);
  EXPECT_TRUE(born.has_previous_velocity);
  EXPECT_EQ(0.0f, born.speed_ema);
  EXPECT_EQ(0.2f, born.consistency_ema);
  EXPECT_EQ(Eigen::Vector2f::Zero(), born.previous_velocity);

  struct Case
  {
    Eigen::Vector2f previous, current;
    float consistency;
  };
  const std::vector<Case> cases = {
    {{1.0f, 0.0f}, {2.0f, 0.0f}, 1.0f},     // same direction
    {{1.0f, 0.0f}, {-1.0f, 0.0f}, 0.0f},    // opposite
    {{0.0f, 1.0f}, {1.0f, 0.0f}, 0.5f},     // perpendicular
    {{0.0f, 0.0f}, {1.0f, 0.0f}, 0.5f},     // starts moving
    {{0.0f, 1.0f}, {0.05f, 0.0f}, 0.5f},    // stops: 0.05 counts as standing
    {{0.03f, 0.0f}, {-0.04f, 0.0f}, 0.9f},  // both standing
  };
  for (const Case & c : cases) {
    Track track(0, Eigen::Vector2f::Zero(), makeDetection(0, 0), 1.0f, &config, 0.0);
    track.has_previous_velocity = true;
    track.previous_velocity = c.previous;
    track.speed_ema = 1.5f;
    track.consistency_ema = 0.4f;
    track.x.tail<2>() = c.current;
    track.updateMotionStatistics();
    const float speed = c.current.norm();
    EXPECT_FLOAT_EQ(speed * 0.4f + 1.5f * 0.6f, track.speed_ema);
    EXPECT_FLOAT_EQ(c.consistency * 0.25f + 0.4f * 0.75f, track.consistency_ema);
    EXPECT_EQ(c.current, track.previous_velocity);
  }
}

TEST(Track, DynamicAndStaticCorrectionsKeepTheirOwnBooks)
{
  const TrackerConfig config;
  Track track(0, Eigen::Vector2f::Zero(), makeDetection(0, 0), 0.6f, &config, 0.0);
  track.consecutive_static_updates = 4;
  auto next = makeDetection(0.1, 0.0);
  next.classification = 0;
  track.predict(0.1);
  track.updateDynamic(Eigen::Vector2f(0.1f, 0.0f), next, 0.1, -1.0f);
  EXPECT_EQ(0.6f, track.score) << "a negative score means none";
  EXPECT_EQ(next, track.detection);
  EXPECT_EQ(0, track.consecutive_static_updates);
  EXPECT_EQ(2, track.dynamic_updates);
  EXPECT_FLOAT_EQ(track.velocity().norm(), track.max_speed);

  track.max_speed = 5.0f;
  track.predict(0.2);
  track.updateDynamic(Eigen::Vector2f(0.3f, 0.0f), next, 0.2, 0.0f);
  EXPECT_EQ(0.0f, track.score);
  EXPECT_EQ(5.0f, track.max_speed) << "never lowered";

  track.misses = 2;
  track.predict(0.3);
  track.updateStatic(Eigen::Vector2f(0.5f, 0.1f), 0.3);
  EXPECT_EQ(4, track.hits);
  EXPECT_EQ(0, track.misses);
  EXPECT_EQ(1, track.consecutive_static_updates);
  EXPECT_EQ(3, track.dynamic_updates);
  EXPECT_EQ(0.0f, track.score);
  EXPECT_EQ(5.0f, track.max_speed);
}

TEST(Track, CorrectionsConfirmTentativeAndCoastingTracks)
{
  for (int32_t threshold : {0, 1, 2, 3}) {
    TrackerConfig config;
    config.confirm_threshold = threshold;
    Track track(0, Eigen::Vector2f::Zero(), makeDetection(0, 0), 1.0f, &config, 0.0);
    EXPECT_EQ(TrackState::Tentative, track.state) << "never confirmed at birth";
    int corrections = 0;
    while (track.state == TrackState::Tentative) {
      track.correct(Eigen::Vector2f::Zero(), 0.0);
      ++corrections;
    }
    EXPECT_EQ(threshold <= 2 ? 1 : 2, corrections) << "confirm_threshold " << threshold;
  }

  const TrackerConfig config;
  Track coasting = tracker_builders::makeTrack(config, 0, 0, 0, 0, 0, TrackState::Coasting);
  coasting.updateStatic(Eigen::Vector2f::Zero(), 0.1);
  EXPECT_EQ(TrackState::Confirmed, coasting.state);
  Track deleted = tracker_builders::makeTrack(config, 0, 0, 0, 0, 0, TrackState::Deleted);
  deleted.correct(Eigen::Vector2f::Zero(), 0.1);
  EXPECT_EQ(TrackState::Deleted, deleted.state);
}

}  // namespace
