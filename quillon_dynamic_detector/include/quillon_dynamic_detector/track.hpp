#ifndef QUILLON_DYNAMIC_DETECTOR__TRACK_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRACK_HPP_

#include <cstdint>
#include <optional>

#include <Eigen/Core>

#include "quillon_dynamic_detector/object_classification.hpp"
#include "quillon_dynamic_detector/tracker_config.hpp"
#include "quillon_protocol/msg/object.hpp"

namespace quillon_dynamic_detector
{

enum class TrackState : int32_t
{
  Tentative = 0,
  Confirmed = 1,
  Coasting = 2,
  Deleted = 3,
};

// One object followed by a tracker: a constant-velocity Kalman filter on the plane (state px, py,
// vx, vy in single precision) plus the counters and motion averages the tracker decides with.
// The stored detection's `classification` is the track's pedestrian flag (1 = pedestrian).
struct Track
{
  EIGEN_MAKE_ALIGNED_OPERATOR_NEW

  using Object = quillon_protocol::msg::Object;

  // Birth of a `Tentative` track at z with one hit; `config` must outlive the track.
  Track(
    int32_t track_id, const Eigen::Vector2f & z, const Object & birth_detection,
    float geometry_score, const TrackerConfig * tracker_config, double t);

  // Kalman filter and motion averages.
  // s; the step from the last update to t, or "tracker.default_dt" when that is out of range.
  float predictionStep(double t) const;
  // Where predict(t) would move the track, leaving it as it is.
  Eigen::Vector2f predictedPosition(double t) const;
  void predict(double t);
  void correct(const Eigen::Vector2f & z, double t);
  void updateDynamic(
    const Eigen::Vector2f & z, const Object & new_detection, double t, float geometry_score);
  void updateStatic(const Eigen::Vector2f & z, double t);
  void updateMotionStatistics();

  // Pedestrian judgement.
  float motionConfidence() const;
  void updateClassification();
  // Stands where a walk of at least "tracker.keep_due_to_stop_min_displacement" took it, and was
  // judged a pedestrian in the last scan.
  bool stoppedAfterWalking() const;
  void setPedestrianFlag(bool pedestrian);

  // Lifecycle.
  void markMissed();
  // No detection, but the scan hides the track's place: it coasts without counting a miss.
  void markHidden();
  bool canRetainStatic() const;
  void mergeFrom(const Track & drop);

  // The track as a published object: the stored detection moved to the filtered state.
  Object toObject() const;

  Eigen::Vector2f position() const { return x.head<2>(); }
  Eigen::Vector2f velocity() const { return x.tail<2>(); }
  bool isPedestrian() const { return quillon_dynamic_detector::isPedestrian(detection); }
  // Confirmed or coasting: the states that may be published and merged as duplicates.
  bool isEstablished() const
  {
    return state == TrackState::Confirmed || state == TrackState::Coasting;
  }
  bool isPublished() const { return isEstablished() && isPedestrian(); }

  int32_t id;
  TrackState state = TrackState::Tentative;
  const TrackerConfig * config;
  Eigen::Vector4f x;
  Eigen::Matrix4f P;
  Eigen::Matrix4f F;
  Eigen::Matrix<float, 2, 4> H;
  Eigen::Matrix4f Q;
  Eigen::Matrix2f R;
  int32_t hits = 1;
  int32_t misses = 0;
  Object detection;
  double last_time;
  double detected_time;               // s; of the last detection (dynamic or static) or the birth
  Eigen::Vector2f detected_position;  // the filtered position at detected_time
  double moved_time;                  // s; of the last dynamic detection or the birth
  float score;
  Eigen::Vector2f previous_velocity = Eigen::Vector2f::Zero();
  float speed_ema = 0.0f;
  float consistency_ema;
  bool has_previous_velocity = false;
  int32_t dynamic_updates = 1;
  int32_t consecutive_static_updates = 0;
  float max_speed = 0.0f;
  Eigen::Vector2f birth_position;
  double birth_time;  // s; the earlier of the two when tracks merge
  // Has been "tracker.pedestrian_min_displacement" or farther from its birth place.
  bool left_birth_place = false;
  // s; when its detection last lay on a straight edge ("tracker.straight_edge_length")
  std::optional<double> straight_edge_time;
  // s; since when the scans have shown the track's place empty without a break
  std::optional<double> seen_empty_since;
  // Has been published: the tracker offers a lost pedestrian's id only to a track that has not,
  // and narrows only such a track's gate ("tracker.refind_max_acceleration").
  bool was_published = false;
  // The flag this track's last classification gave: a matched track's stored detection carries
  // the newest detection's shape instead ("tracker.keep_due_to_stop_min_displacement").
  bool judged_pedestrian = false;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACK_HPP_
