#include <algorithm>
#include <cmath>

#include "quillon_dynamic_detector/track.hpp"

namespace quillon_dynamic_detector
{

void Track::markMissed()
{
  misses += 1;
  if (state == TrackState::Tentative && misses > 1) {
    state = TrackState::Deleted;
  } else if (state == TrackState::Confirmed) {
    state = TrackState::Coasting;
  } else if (state == TrackState::Coasting && misses > config->max_coasting_frames) {
    state = TrackState::Deleted;
  }
}

void Track::markHidden()
{
  if (state == TrackState::Confirmed) {
    state = TrackState::Coasting;
  }
}

bool Track::canRetainStatic() const
{
  if (!isPublished()) {
    return false;
  }
  if (dynamic_updates < config->min_dynamic_updates_for_static_retention) {
    return false;
  }
  // last_time is the scan being handled: the tracker predicts every track to it first.
  if (config->stopped_hold_time > 0.0f) {
    if (!(last_time - moved_time <= static_cast<double>(config->stopped_hold_time))) {
      return false;
    }
  } else if (consecutive_static_updates >= config->max_consecutive_static_updates) {
    return false;
  }
  if (
    config->static_retention_max_speed > 0.0f &&
    !(std::hypot(x[2], x[3]) < config->static_retention_max_speed)) {
    return false;
  }
  // Only a track that has really moved is kept alive beside a static obstacle.
  if (max_speed >= config->min_motion_for_static_retention) {
    return true;
  }
  return (position() - birth_position).norm() >= config->min_displacement_for_static_retention;
}

void Track::mergeFrom(const Track & drop)
{
  const bool drop_is_published = drop.isPublished();
  const bool keep_outranks_drop = isPublished() && drop.hits <= hits && drop.score <= score;
  const bool take_drop_detection = (drop_is_published && !keep_outranks_drop) ||
                                   drop.detection.point_count > detection.point_count;

  const float keep_weight = static_cast<float>(std::max(hits, 1));
  const float drop_weight = static_cast<float>(std::max(drop.hits, 1));
  const float weight_sum = keep_weight + drop_weight;
  x = (drop.x * drop_weight + x * keep_weight) / weight_sum;
  P = (drop.P * drop_weight + P * keep_weight) / weight_sum;

  hits = std::max(hits, drop.hits);
  score = std::max(score, drop.score);
  misses = std::min(misses, drop.misses);
  max_speed = std::max(max_speed, drop.max_speed);
  dynamic_updates = std::max(dynamic_updates, drop.dynamic_updates);
  consecutive_static_updates =
    std::min(consecutive_static_updates, drop.consecutive_static_updates);
  birth_position = (birth_position + drop.birth_position) * 0.5f;
  left_birth_place = left_birth_place || drop.left_birth_place;
  birth_time = std::min(birth_time, drop.birth_time);
  last_time = std::max(last_time, drop.last_time);
  if (drop.detected_time > detected_time) {
    detected_time = drop.detected_time;
    detected_position = drop.detected_position;
  }
  was_published = was_published || drop.was_published;
  moved_time = std::max(moved_time, drop.moved_time);
  speed_ema = std::max(speed_ema, drop.speed_ema);
  consistency_ema = std::max(consistency_ema, drop.consistency_ema);
  has_previous_velocity = has_previous_velocity || drop.has_previous_velocity;
  previous_velocity = velocity();

  if (take_drop_detection) {
    detection = drop.detection;
  }
  judged_pedestrian = isPedestrian();
  if (state == TrackState::Coasting && drop.state == TrackState::Confirmed) {
    state = TrackState::Confirmed;
  }
}

}  // namespace quillon_dynamic_detector
