#include <algorithm>

#include "quillon_dynamic_detector/object_classification.hpp"
#include "quillon_dynamic_detector/outline_span.hpp"
#include "quillon_dynamic_detector/track.hpp"

namespace quillon_dynamic_detector
{
namespace
{

// s; a track that lay on a straight edge stays no pedestrian this long: the short pieces at the
// ends of a moving edge are too short to tell from legs by themselves.
constexpr double STRAIGHT_EDGE_MEMORY = 1.0;

float clampUnit(float value) { return std::clamp(value, 0.0f, 1.0f); }

bool liesOnStraightEdge(const Track::Object & detection, const TrackerConfig & c)
{
  const OutlineSpan span = outlineSpan(detection.polygon);
  return span.length >= c.straight_edge_length && span.thickness <= c.straight_edge_thickness;
}

}  // namespace

float Track::motionConfidence() const
{
  const float velocity_variance = std::max(P(2, 2) + P(3, 3), 0.0f);
  const float covariance_term =
    clampUnit(1.0f - velocity_variance / config->motion_covariance_norm);
  const float hit_term =
    std::min(static_cast<float>(hits - 1) / config->motion_hit_confidence_divisor, 1.0f);
  const float penalty = state == TrackState::Coasting ? config->coasting_penalty : 0.0f;
  return clampUnit(
    config->motion_consistency_weight * consistency_ema + config->motion_hit_weight * hit_term +
    config->motion_covariance_weight * covariance_term - penalty);
}

void Track::updateClassification()
{
  const TrackerConfig & c = *config;
  const float speed = velocity().norm();
  const float average_speed = speed_ema;
  const float confidence = motionConfidence();

  if (c.pedestrian_min_displacement > 0.0f && !left_birth_place) {
    // Measured on the detections: the filter lags behind a walker who has just been found.
    const Eigen::Vector2f measured(
      static_cast<float>(detection.pose.position.x), static_cast<float>(detection.pose.position.y));
    left_birth_place = (measured - birth_position).norm() >= c.pedestrian_min_displacement;
    if (!left_birth_place) {
      setPedestrianFlag(false);
      return;
    }
  }

  if (c.straight_edge_length > 0.0f) {
    if (liesOnStraightEdge(detection, c)) {
      straight_edge_time = last_time;
    }
    if (straight_edge_time && last_time - *straight_edge_time <= STRAIGHT_EDGE_MEMORY) {
      setPedestrianFlag(false);
      return;
    }
  }

  // Far too fast for a person, and the motion estimate is trustworthy enough to say so.
  if (confidence > 0.4f && speed > c.pedestrian_speed_hard_max) {
    setPedestrianFlag(false);
    return;
  }

  float pedestrian_score = score;
  if (confidence > 0.2f) {
    if (c.pedestrian_speed_min <= average_speed && average_speed <= c.pedestrian_speed_max) {
      pedestrian_score += c.motion_add_weight * confidence;
    } else if (c.pedestrian_speed_max < average_speed && average_speed <= c.medium_speed_max) {
      pedestrian_score += c.medium_speed_add_weight * confidence;
    } else if (average_speed <= c.medium_speed_max) {
      if (average_speed < c.stop_speed_threshold && state != TrackState::Tentative) {
        pedestrian_score += c.stop_protection_bonus;
      }
    } else {
      pedestrian_score -= c.high_speed_penalty_weight * confidence;
    }
  }

  const float k = c.consistency_threshold;
  if (
    confidence > c.consistency_confidence_min && consistency_ema > k &&
    average_speed > c.consistency_speed_min && average_speed < c.pedestrian_speed_max) {
    pedestrian_score += (consistency_ema - k) * c.consistency_bonus_weight / (1.0f - k);
  }

  // A confirmed pedestrian that stands still stays one, whatever its score.
  const bool standing_still =
    state != TrackState::Tentative && !(average_speed >= c.keep_due_to_stop_threshold);
  bool pedestrian;
  if (isPedestrian()) {
    pedestrian = standing_still || pedestrian_score >= c.keep_pedestrian_threshold;
  } else {
    pedestrian = (standing_still && stoppedAfterWalking()) ||
                 pedestrian_score >= c.upgrade_pedestrian_threshold;
  }
  setPedestrianFlag(pedestrian);
}

bool Track::stoppedAfterWalking() const
{
  const float walk = config->keep_due_to_stop_min_displacement;
  return walk > 0.0f && judged_pedestrian && (position() - birth_position).norm() >= walk;
}

void Track::setPedestrianFlag(bool pedestrian)
{
  detection.classification = classificationOf(pedestrian);
  judged_pedestrian = pedestrian;
}

}  // namespace quillon_dynamic_detector
