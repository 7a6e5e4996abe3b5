#include "quillon_dynamic_detector/track.hpp"

#include <algorithm>

#include "quillon_dynamic_detector/object_classification.hpp"

namespace quillon_dynamic_detector
{

Track::Track(
  int32_t track_id, const Eigen::Vector2f & z, const Object & birth_detection, float geometry_score,
  const TrackerConfig * tracker_config, double t)
: id(track_id),
  config(tracker_config),
  detection(birth_detection),
  last_time(t),
  detected_time(t),
  detected_position(z),
  moved_time(t),
  score(geometry_score),
  consistency_ema(tracker_config->motion_default_consistency),
  birth_position(z),
  birth_time(t)
{
  x << z.x(), z.y(), 0.0f, 0.0f;
  const float p = config->initial_position_covariance;
  const float v = config->initial_velocity_covariance;
  P = Eigen::Vector4f(p, p, v, v).asDiagonal();
  F.setIdentity();
  H << 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f;
  Q.setZero();
  R = Eigen::Vector2f::Constant(config->measurement_noise).asDiagonal();
}

float Track::predictionStep(double t) const
{
  const float dt = static_cast<float>(t - last_time);
  // Written so that a non-finite step also falls back to the default.
  return dt > 0.0f && dt <= config->max_dt ? dt : config->default_dt;
}

Eigen::Vector2f Track::predictedPosition(double t) const
{
  return position() + predictionStep(t) * velocity();
}

void Track::predict(double t)
{
  const float dt = predictionStep(t);
  F.setIdentity();
  F(0, 2) = dt;
  F(1, 3) = dt;
  Q.setZero();
  Q(0, 0) = Q(1, 1) = config->process_noise_position * dt * dt;
  Q(2, 2) = Q(3, 3) = config->process_noise_velocity * dt;
  x = F * x;
  P = F * P * F.transpose() + Q;
  updateMotionStatistics();
  last_time = t;
}

void Track::correct(const Eigen::Vector2f & z, double t)
{
  const Eigen::Vector2f y = z - H * x;
  const Eigen::Matrix2f S = H * P * H.transpose() + R;
  const float det = S(0, 0) * S(1, 1) - S(0, 1) * S(1, 0);
  Eigen::Matrix2f adjugate;
  adjugate << S(1, 1), -S(0, 1), -S(1, 0), S(0, 0);
  const Eigen::Matrix2f S_inverse = adjugate * (1.0f / det);
  const Eigen::Matrix<float, 4, 2> K = P * H.transpose() * S_inverse;
  x += K * y;
  P = (Eigen::Matrix4f::Identity() - K * H) * P;
  hits += 1;
  last_time = t;
  detected_time = t;
  detected_position = position();
  misses = 0;
  updateMotionStatistics();
  if (
    (state == TrackState::Tentative && hits >= config->confirm_threshold) ||
    state == TrackState::Coasting) {
    state = TrackState::Confirmed;
  }
}

void Track::updateDynamic(
  const Eigen::Vector2f & z, const Object & new_detection, double t, float geometry_score)
{
  correct(z, t);
  detection = new_detection;
  // A negative score means the detection came without one.
  if (geometry_score >= 0.0f) {
    score = geometry_score;
  }
  consecutive_static_updates = 0;
  moved_time = t;
  dynamic_updates += 1;
  max_speed = std::max(max_speed, velocity().norm());
}

void Track::updateStatic(const Eigen::Vector2f & z, double t)
{
  correct(z, t);
  consecutive_static_updates += 1;
}

void Track::updateMotionStatistics()
{
  const Eigen::Vector2f a = velocity();
  const float s = a.norm();
  if (!has_previous_velocity) {
    has_previous_velocity = true;
    speed_ema = s;
    consistency_ema = config->motion_default_consistency;
    previous_velocity = a;
    return;
  }
  const Eigen::Vector2f & b = previous_velocity;
  const float sb = b.norm();
  const float zero_speed = config->motion_zero_speed_threshold;
  float consistency;
  if (s <= zero_speed && sb <= zero_speed) {
    consistency = config->motion_stationary_consistency;
  } else if (s <= zero_speed || sb <= zero_speed) {
    consistency = 0.5f;
  } else {
    const float cosine = a.dot(b) / (s * sb);
    consistency = cosine < -1.0f ? 0.0f : (cosine > 1.0f ? 1.0f : (cosine + 1.0f) * 0.5f);
  }
  previous_velocity = a;
  const float speed_alpha = config->motion_speed_ema_alpha;
  const float consistency_alpha = config->motion_consistency_alpha;
  speed_ema = s * (1.0f - speed_alpha) + speed_ema * speed_alpha;
  consistency_ema = consistency * (1.0f - consistency_alpha) + consistency_ema * consistency_alpha;
}

Track::Object Track::toObject() const
{
  Object object = detection;
  object.pose.position.x = x[0];
  object.pose.position.y = x[1];
  const float shift_x = x[0] - static_cast<float>(detection.pose.position.x);
  const float shift_y = x[1] - static_cast<float>(detection.pose.position.y);
  for (auto & point : object.polygon) {
    point.x += shift_x;
    point.y += shift_y;
  }
  object.classification = classificationOf(isPedestrian());
  object.velocity_x = x[2];
  object.velocity_y = x[3];
  object.speed = speed_ema;
  return object;
}

}  // namespace quillon_dynamic_detector
