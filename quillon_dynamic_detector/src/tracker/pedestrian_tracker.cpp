#include "quillon_dynamic_detector/pedestrian_tracker.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <set>
#include <utility>

#include "quillon_dynamic_detector/lost_track_memory.hpp"
#include "quillon_dynamic_detector/object_classification.hpp"
#include "quillon_dynamic_detector/static_centroid.hpp"
#include "quillon_dynamic_detector/track_markers.hpp"
#include "quillon_dynamic_detector/tracker_logger.hpp"
#include "rclcpp/logging.hpp"

namespace quillon_dynamic_detector
{
namespace
{

// m/s; a published pedestrian at least this fast has a heading that
// "tracker.association_across_factor" measures across (a standing person has none).
constexpr float WALKING_HEADING_MIN_SPEED = 0.5f;

Eigen::Vector2f detectionPosition(const Track::Object & detection)
{
  return Eigen::Vector2f(
    static_cast<float>(detection.pose.position.x), static_cast<float>(detection.pose.position.y));
}

// How well two velocities point the same way: 1 when either track stands still, otherwise the
// cosine of the angle between them.
float velocityAlignment(const Track & a, const Track & b, float zero_speed)
{
  const float speed_a = a.velocity().norm();
  const float speed_b = b.velocity().norm();
  if (speed_a <= zero_speed || speed_b <= zero_speed) {
    return 1.0f;
  }
  return std::clamp(a.velocity().dot(b.velocity()) / (speed_a * speed_b), -1.0f, 1.0f);
}

}  // namespace

PedestrianTracker::PedestrianTracker(const TrackerConfig & config, bool export_track_ids)
: config_(config),
  export_track_ids_(export_track_ids),
  lost_tracks_(config.reidentify_time, config.reidentify_reach_growth, config.reidentify_margin)
{
}

void PedestrianTracker::update(
  const std::vector<Object> & detections, const ClusterList & static_clusters,
  const std::vector<float> & geometry_scores, double t, const ScanSight * sight)
{
  for (Track & track : tracks_) {
    track.predict(t);
  }
  const PlanarPoints detection_positions = collectDetectionPositions(detections, geometry_scores);
  std::vector<bool> track_matched(tracks_.size(), false);
  std::vector<bool> detection_matched(detections.size(), false);
  correctMatchedTracks(
    detections, detection_positions, geometry_scores, t, track_matched, detection_matched);
  retainOrMissUnmatchedTracks(static_clusters, track_matched, t, sight);
  if (sight && config_.seen_empty_timeout > 0.0f) {
    endTracksSeenEmpty(*sight, track_matched, t);
  }
  rememberStaticClusters(static_clusters, t);
  for (Track & track : tracks_) {
    track.updateClassification();
  }
  if (config_.reidentify_time > 0.0f) {
    reidentifyNewPedestrians(t);
  }
  for (Track & track : tracks_) {
    track.was_published = track.was_published || track.isPublished();
  }
  for (std::size_t j = 0; j < detections.size(); ++j) {
    if (!detection_matched[j] && detection_positions[j].allFinite()) {
      considerBirth(j, detections[j], detection_positions[j], geometry_scores, t);
    }
  }
  removeDeletedTracks();
  mergeDuplicateTracks();
  removeDeletedTracks();
}

PlanarPoints PedestrianTracker::collectDetectionPositions(
  const std::vector<Object> & detections, const std::vector<float> & geometry_scores)
{
  // An unusable detection keeps its index but gets no position, so that it is neither
  // associated nor born.
  const Eigen::Vector2f nowhere =
    Eigen::Vector2f::Constant(std::numeric_limits<float>::quiet_NaN());
  PlanarPoints positions;
  positions.reserve(detections.size());
  for (std::size_t j = 0; j < detections.size(); ++j) {
    positions.push_back(
      isValidDetection(detections, geometry_scores, j) ? detectionPosition(detections[j])
                                                       : nowhere);
  }
  return positions;
}

void PedestrianTracker::correctMatchedTracks(
  const std::vector<Object> & detections, const PlanarPoints & detection_positions,
  const std::vector<float> & geometry_scores, double t, std::vector<bool> & track_matched,
  std::vector<bool> & detection_matched)
{
  PlanarPoints track_positions;
  std::vector<float> gates;
  track_positions.reserve(tracks_.size());
  gates.reserve(tracks_.size());
  for (const Track & track : tracks_) {
    track_positions.push_back(track.position());
    gates.push_back(associationGate(track, t));
  }
  const std::vector<TrackDetectionPair> pairs =
    associateNearest(track_positions, detection_positions, gates, rivalRules());
  for (const auto & [i, j] : pairs) {
    // Without a shape score the track keeps its own.
    const float score =
      static_cast<std::size_t>(j) < geometry_scores.size() ? geometry_scores[j] : -1.0f;
    tracks_[i].updateDynamic(detection_positions[j], detections[j], t, score);
    track_matched[i] = true;
    detection_matched[j] = true;
  }
}

RivalRules PedestrianTracker::rivalRules() const
{
  RivalRules rules;
  const bool weighs_across = config_.association_across_factor > 1.0f;
  const bool stopped_yield = config_.stopped_yield_distance > 0.0f;
  if (!weighs_across && !stopped_yield) {
    return rules;
  }
  rules.across_factor = config_.association_across_factor;
  for (const Track & track : tracks_) {
    rules.rivals.push_back(track.isEstablished());
    if (weighs_across) {
      const Eigen::Vector2f velocity = track.velocity();
      const float speed = velocity.norm();
      const bool walks = track.isPublished() && speed >= WALKING_HEADING_MIN_SPEED;
      rules.headings.push_back(walks ? Eigen::Vector2f(velocity / speed) : Eigen::Vector2f::Zero());
    }
    if (stopped_yield) {
      // Walked here and held on their static clusters last scan: someone standing starts
      // walking from where they stand, and a walker passing by with a track of their own is
      // somebody else. A track that stands where it was born (on furniture) does not yield.
      const float yield = config_.stopped_yield_distance;
      const bool walked_here = (track.position() - track.birth_position).norm() >= yield;
      const bool standing = track.consecutive_static_updates > 0 && walked_here;
      rules.yield_distances.push_back(standing ? yield : 0.0f);
    }
  }
  return rules;
}

float PedestrianTracker::associationGate(const Track & track, double t) const
{
  const float acceleration = config_.refind_max_acceleration;
  const bool found_again = track.misses > 0 || track.state == TrackState::Coasting;
  if (!(acceleration > 0.0f) || !found_again || track.was_published) {
    return config_.dynamic_gate;
  }
  // Predicted at constant velocity from the last detection: the rest is what the person could
  // have changed of their velocity since.
  const float gap = static_cast<float>(std::max(t - track.detected_time, 0.0));
  const float reach = config_.refind_margin + 0.5f * acceleration * gap * gap;
  return std::min(config_.dynamic_gate, reach);
}

bool PedestrianTracker::isValidDetection(
  const std::vector<Object> & detections, const std::vector<float> & geometry_scores,
  std::size_t index)
{
  const Object & detection = detections[index];
  const bool finite_position = detectionPosition(detection).allFinite();
  const bool finite_score =
    index >= geometry_scores.size() || std::isfinite(geometry_scores[index]);
  if (finite_position && finite_score) {
    return true;
  }
  RCLCPP_WARN_THROTTLE(
    trackerLogger(), log_clock_, 1000,
    "[TRACK] drop_invalid_detection det=%zu x=%.2f y=%.2f geo=%.2f", index,
    detection.pose.position.x, detection.pose.position.y,
    index < geometry_scores.size() ? static_cast<double>(geometry_scores[index]) : -1.0);
  return false;
}

void PedestrianTracker::retainOrMissUnmatchedTracks(
  const ClusterList & static_clusters, const std::vector<bool> & track_matched, double t,
  const ScanSight * sight)
{
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    if (track_matched[i]) {
      continue;
    }
    Track & track = tracks_[i];
    // A stopped pedestrian often merges into the static returns; follow the nearest static
    // cluster instead of losing the track.
    if (track.canRetainStatic()) {
      const auto centroid = findNearestStaticCentroid(
        config_, track.position(), static_clusters,
        [&](const Eigen::Vector2f & c) { return !stoodThereBeforeTrack(c, track); });
      if (centroid) {
        track.updateStatic(*centroid, t);
        continue;
      }
    }
    if (sight && isHiddenPedestrian(track, *sight, t)) {
      track.markHidden();
      continue;
    }
    track.markMissed();
  }
}

bool PedestrianTracker::isHiddenPedestrian(
  const Track & track, const ScanSight & sight, double t) const
{
  return config_.occluded_coast_time > 0.0f && track.isPublished() &&
         t - track.detected_time <= static_cast<double>(config_.occluded_coast_time) &&
         sight.at(track.position()) == PlaceSight::Hidden;
}

void PedestrianTracker::endTracksSeenEmpty(
  const ScanSight & sight, const std::vector<bool> & track_matched, double t)
{
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    Track & track = tracks_[i];
    const PlaceSight seen = track_matched[i] ? PlaceSight::Unknown : sight.at(track.position());
    const bool empty = seen == PlaceSight::SeenThrough || seen == PlaceSight::OutOfView;
    if (!empty || track.state == TrackState::Deleted) {
      track.seen_empty_since.reset();
      continue;
    }
    if (!track.seen_empty_since) {
      track.seen_empty_since = t;
    }
    if (t - *track.seen_empty_since >= static_cast<double>(config_.seen_empty_timeout)) {
      RCLCPP_INFO(
        trackerLogger(), "[TRACK] end_seen_empty track=%d x=%.2f y=%.2f %s for %.2fs", track.id,
        static_cast<double>(track.position().x()), static_cast<double>(track.position().y()),
        seen == PlaceSight::OutOfView ? "out_of_view" : "seen_through",
        t - *track.seen_empty_since);
      track.state = TrackState::Deleted;
    }
  }
}

bool PedestrianTracker::stoodThereBeforeTrack(
  const Eigen::Vector2f & static_centroid, const Track & track) const
{
  if (!(config_.static_retention_memory > 0.0f)) {
    return false;
  }
  const auto first_seen = static_memory_.firstSeenNear(static_centroid);
  return first_seen && *first_seen <= track.birth_time;
}

void PedestrianTracker::rememberStaticClusters(const ClusterList & static_clusters, double t)
{
  if (!(config_.static_retention_memory > 0.0f)) {
    return;
  }
  static_memory_.forget(t, static_cast<double>(config_.static_retention_memory));
  for (const ClusterCloud & cluster : static_clusters) {
    if (const auto centroid = planarCentroid(cluster)) {
      static_memory_.observe(*centroid, t);
    }
  }
}

void PedestrianTracker::reidentifyNewPedestrians(double t)
{
  lost_tracks_.forget(t);
  std::vector<std::size_t> new_pedestrians;
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    const Track & track = tracks_[i];
    if (track.state == TrackState::Deleted) {
      if (track.was_published) {
        lost_tracks_.remember(
          {track.id, track.detected_position, track.velocity(), track.detected_time});
      }
    } else if (track.isPublished() && !track.was_published) {
      new_pedestrians.push_back(i);
    }
  }
  for (const std::size_t i : new_pedestrians) {
    Track & track = tracks_[i];
    const auto lost_id =
      lost_tracks_.claim({track.birth_position, track.birth_time}, birthsBesides(track));
    if (lost_id) {
      RCLCPP_INFO(
        trackerLogger(), "[TRACK] reidentify track=%d as=%d x=%.2f y=%.2f", track.id, *lost_id,
        static_cast<double>(track.birth_position.x()),
        static_cast<double>(track.birth_position.y()));
      track.id = *lost_id;
    }
  }
}

std::vector<LostTrackMemory::Newcomer> PedestrianTracker::birthsBesides(const Track & track) const
{
  std::vector<LostTrackMemory::Newcomer> births;
  for (const Track & other : tracks_) {
    if (&other != &track && other.state != TrackState::Deleted) {
      births.push_back({other.birth_position, other.birth_time});
    }
  }
  return births;
}

void PedestrianTracker::considerBirth(
  std::size_t index, const Object & detection, const Eigen::Vector2f & position,
  const std::vector<float> & geometry_scores, double t)
{
  if (config_.birth_max_range > 0.0f && !(detection.range <= config_.birth_max_range)) {
    return;
  }
  float score;
  if (index < geometry_scores.size()) {
    score = geometry_scores[index];
  } else {
    score = isPedestrian(detection) ? 0.5f : 0.0f;
  }
  if (score < config_.init_score_threshold) {
    return;
  }

  // A small fragment beside an established track is most likely a piece of that person.
  const bool small = detection.point_count <= config_.new_track_suppression_max_points &&
                     detection.width <= config_.new_track_suppression_max_width &&
                     detection.length <= config_.new_track_suppression_max_length;
  if (small) {
    float distance = 0.0f;
    const Track * near_track = findSuppressingTrack(position, distance);
    if (near_track) {
      RCLCPP_INFO(
        trackerLogger(),
        "[TRACK] suppress_new_track det=%zu near_track=%d dist=%.2f geo=%.2f points=%u "
        "width=%.2f length=%.2f",
        index, near_track->id, static_cast<double>(distance), static_cast<double>(score),
        static_cast<unsigned int>(detection.point_count), detection.width, detection.length);
      return;
    }
  }

  tracks_.emplace_back(next_track_id_, position, detection, score, &config_, t);
  next_track_id_ += 1;
}

const Track * PedestrianTracker::findSuppressingTrack(
  const Eigen::Vector2f & position, float & distance) const
{
  const Track * nearest = nullptr;
  float best_distance = config_.new_track_suppression_distance;
  for (const Track & track : tracks_) {
    if (track.state == TrackState::Deleted) {
      continue;
    }
    if (!track.isEstablished() && track.hits < config_.confirm_threshold) {
      continue;
    }
    const float d = (track.position() - position).norm();
    if (d < best_distance) {
      best_distance = d;
      nearest = &track;
    }
  }
  distance = best_distance;
  return nearest;
}

void PedestrianTracker::mergeDuplicateTracks()
{
  if (tracks_.size() < 2) {
    duplicate_pair_hits_.clear();
    return;
  }
  std::set<TrackIdPair> seen_pairs;
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    for (std::size_t j = i + 1; j < tracks_.size(); ++j) {
      // Both states are tested for every pair: a track dropped by an earlier merge of this pass
      // has handed its state on and takes no further part.
      if (tracks_[i].isEstablished() && tracks_[j].isEstablished()) {
        considerDuplicatePair(tracks_[i], tracks_[j], seen_pairs);
      }
    }
  }
  for (auto it = duplicate_pair_hits_.begin(); it != duplicate_pair_hits_.end();) {
    it = seen_pairs.count(it->first) ? std::next(it) : duplicate_pair_hits_.erase(it);
  }
}

void PedestrianTracker::considerDuplicatePair(
  Track & first, Track & second, std::set<TrackIdPair> & seen_pairs)
{
  const float distance = (first.position() - second.position()).norm();
  if (!(distance <= config_.duplicate_track_distance)) {
    return;
  }
  const float alignment = velocityAlignment(first, second, config_.motion_zero_speed_threshold);
  if (!(alignment >= config_.duplicate_track_velocity_angle)) {
    return;
  }
  const TrackIdPair key(std::min(first.id, second.id), std::max(first.id, second.id));
  seen_pairs.insert(key);
  const int32_t count = ++duplicate_pair_hits_[key];
  RCLCPP_INFO(
    trackerLogger(),
    "[TRACK_DUPLICATE] candidate track_a=%d track_b=%d dist=%.2f align=%.2f hits=%d/%d", first.id,
    second.id, static_cast<double>(distance), static_cast<double>(alignment), count,
    config_.duplicate_track_merge_hits);
  if (count < config_.duplicate_track_merge_hits) {
    return;
  }
  const bool keep_second =
    second.hits > first.hits || (second.hits == first.hits && first.score < second.score);
  Track & keep = keep_second ? second : first;
  Track & drop = keep_second ? first : second;
  RCLCPP_INFO(
    trackerLogger(),
    "[TRACK_DUPLICATE] merge keep=%d drop=%d dist=%.2f align=%.2f keep_hits=%d drop_hits=%d "
    "keep_geo=%.2f drop_geo=%.2f",
    keep.id, drop.id, static_cast<double>(distance), static_cast<double>(alignment), keep.hits,
    drop.hits, static_cast<double>(keep.score), static_cast<double>(drop.score));
  keep.mergeFrom(drop);
  drop.state = TrackState::Deleted;
}

void PedestrianTracker::removeDeletedTracks()
{
  tracks_.erase(
    std::remove_if(
      tracks_.begin(), tracks_.end(),
      [](const Track & track) { return track.state == TrackState::Deleted; }),
    tracks_.end());
}

std::vector<ExpectedPerson> PedestrianTracker::predictedPublishedPlaces(
  double t, double min_age) const
{
  std::vector<ExpectedPerson> places;
  for (const Track & track : tracks_) {
    // A stopped person held on static clusters has no moving cluster to share.
    if (
      track.isPublished() && track.consecutive_static_updates == 0 &&
      t - track.birth_time >= min_age) {
      places.push_back({track.predictedPosition(t), track.velocity()});
    }
  }
  return places;
}

std::vector<PedestrianTracker::Object> PedestrianTracker::exportTracks() const
{
  std::vector<Object> objects;
  for (const Track & track : tracks_) {
    if (track.isPublished()) {
      objects.push_back(track.toObject());
      if (export_track_ids_) {
        objects.back().reserved_0 = static_cast<double>(track.id);
      }
    }
  }
  return objects;
}

std::vector<visualization_msgs::msg::Marker> PedestrianTracker::buildMarkers(
  const std::string & frame_id, const builtin_interfaces::msg::Time & stamp,
  const std::function<void(Object &)> & to_frame)
{
  std::set<int32_t> current_ids;
  for (const Track & track : tracks_) {
    if (track.isPublished()) {
      current_ids.insert(track.id);
    }
  }
  // Markers are large messages: growing the array would copy every one built so far.
  MarkerVector markers;
  markers.reserve(3 * (current_ids.size() + marker_ids_.size()));
  for (const Track & track : tracks_) {
    if (track.isPublished()) {
      Object object = track.toObject();
      if (to_frame) {
        to_frame(object);
      }
      appendTrackMarkers(track, object, frame_id, stamp, markers);
    }
  }
  for (const int32_t vanished_id : marker_ids_) {
    if (current_ids.count(vanished_id) == 0) {
      appendTrackMarkerDeletions(vanished_id, markers);
    }
  }
  marker_ids_ = std::move(current_ids);
  return markers;
}

}  // namespace quillon_dynamic_detector
