#ifndef QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_TRACKER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_TRACKER_HPP_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <Eigen/Core>

#include "builtin_interfaces/msg/time.hpp"
#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/expected_person.hpp"
#include "quillon_dynamic_detector/lost_track_memory.hpp"
#include "quillon_dynamic_detector/scan_sight.hpp"
#include "quillon_dynamic_detector/static_cluster_memory.hpp"
#include "quillon_dynamic_detector/track.hpp"
#include "quillon_dynamic_detector/track_association.hpp"
#include "quillon_dynamic_detector/tracker_config.hpp"
#include "rclcpp/clock.hpp"
#include "visualization_msgs/msg/marker.hpp"

namespace quillon_dynamic_detector
{

// Follows the moving objects of one scanner from scan to scan: associates each scan's detections
// with Kalman tracks, keeps stopped pedestrians alive on static clusters, judges which tracks are
// pedestrians, merges tracks that follow the same person and exports the published ones.
// Tracks point at the tracker's own configuration, so a tracker is neither copied nor moved.
class PedestrianTracker
{
public:
  using Object = quillon_protocol::msg::Object;
  using TrackVector = std::vector<Track, Eigen::aligned_allocator<Track>>;
  using TrackIdPair = std::pair<int32_t, int32_t>;

  // With `export_track_ids`, each exported object carries its track id in reserved_0.
  explicit PedestrianTracker(const TrackerConfig & config, bool export_track_ids = false);
  PedestrianTracker(const PedestrianTracker &) = delete;
  PedestrianTracker & operator=(const PedestrianTracker &) = delete;

  // One scan: predict, associate, correct, retain or miss, classify, reidentify, give birth,
  // purge and merge duplicates. `geometry_scores` holds the shape score of each detection by
  // index and may be shorter than `detections`; `t` is the scan stamp in seconds. `sight`, the
  // scan itself in the tracking frame, ends unmatched tracks whose place it shows empty (with
  // "tracker.seen_empty_timeout" above 0) and lets pedestrians whose place it hides coast on
  // (with "tracker.occluded_coast_time" above 0); without a sight neither happens.
  void update(
    const std::vector<Object> & detections, const ClusterList & static_clusters,
    const std::vector<float> & geometry_scores, double t, const ScanSight * sight = nullptr);

  // Fuses pairs of confirmed or coasting tracks that have been duplicate candidates in enough
  // consecutive calls.
  void mergeDuplicateTracks();

  // The published tracks (confirmed or coasting pedestrians) as objects, in track order (the
  // oldest first).
  std::vector<Object> exportTracks() const;

  // Markers of the published tracks, followed by deletions for tracks drawn last time but not
  // now. `to_frame`, when given, carries each track's object into `frame_id` first.
  std::vector<visualization_msgs::msg::Marker> buildMarkers(
    const std::string & frame_id, const builtin_interfaces::msg::Time & stamp,
    const std::function<void(Object &)> & to_frame = nullptr);

  // Where each published track born at least `min_age` seconds before `t` and not held on static
  // clusters is expected at `t`, before the scan of `t` updates it, in track order (the oldest
  // first).
  std::vector<ExpectedPerson> predictedPublishedPlaces(double t, double min_age = 0.0) const;

  const TrackerConfig & config() const { return config_; }
  const TrackVector & tracks() const { return tracks_; }
  int32_t nextTrackId() const { return next_track_id_; }
  const std::set<int32_t> & markerIds() const { return marker_ids_; }
  const std::map<TrackIdPair, int32_t> & duplicatePairHits() const { return duplicate_pair_hits_; }
  const StaticClusterMemory & staticMemory() const { return static_memory_; }

private:
  PlanarPoints collectDetectionPositions(
    const std::vector<Object> & detections, const std::vector<float> & geometry_scores);
  bool isValidDetection(
    const std::vector<Object> & detections, const std::vector<float> & geometry_scores,
    std::size_t index);
  void correctMatchedTracks(
    const std::vector<Object> & detections, const PlanarPoints & detection_positions,
    const std::vector<float> & geometry_scores, double t, std::vector<bool> & track_matched,
    std::vector<bool> & detection_matched);
  // How far from its predicted place a track may take a detection at `t`:
  // "tracker.dynamic_gate", narrower for a track found again after a miss with
  // "tracker.refind_max_acceleration".
  float associationGate(const Track & track, double t) const;
  // What each track heeds of a detection that an established track lies nearer to: with
  // "tracker.association_across_factor" a published pedestrian that walks weighs one beside its
  // line; with "tracker.stopped_yield_distance" a track held on static clusters leaves one at
  // that distance or farther. Empty without either.
  RivalRules rivalRules() const;
  void retainOrMissUnmatchedTracks(
    const ClusterList & static_clusters, const std::vector<bool> & track_matched, double t,
    const ScanSight * sight);
  // A pedestrian lost for at most "tracker.occluded_coast_time" whose place the scan hides.
  bool isHiddenPedestrian(const Track & track, const ScanSight & sight, double t) const;
  void endTracksSeenEmpty(
    const ScanSight & sight, const std::vector<bool> & track_matched, double t);
  bool stoodThereBeforeTrack(const Eigen::Vector2f & static_centroid, const Track & track) const;
  void rememberStaticClusters(const ClusterList & static_clusters, double t);
  // With "tracker.reidentify_time" above 0: remembers the pedestrians whose tracks ended and
  // gives a track that has just become a pedestrian the id of the one it follows on from.
  void reidentifyNewPedestrians(double t);
  // Where and when the other live tracks were born.
  std::vector<LostTrackMemory::Newcomer> birthsBesides(const Track & track) const;
  void considerBirth(
    std::size_t index, const Object & detection, const Eigen::Vector2f & position,
    const std::vector<float> & geometry_scores, double t);
  const Track * findSuppressingTrack(const Eigen::Vector2f & position, float & distance) const;
  void considerDuplicatePair(Track & first, Track & second, std::set<TrackIdPair> & seen_pairs);
  void removeDeletedTracks();

  TrackerConfig config_;
  bool export_track_ids_;
  TrackVector tracks_;
  int32_t next_track_id_ = 0;
  std::set<int32_t> marker_ids_;
  std::map<TrackIdPair, int32_t> duplicate_pair_hits_;
  StaticClusterMemory static_memory_;  // used with "tracker.static_retention_memory" above 0
  LostTrackMemory lost_tracks_;        // used with "tracker.reidentify_time" above 0
  // Only paces the warning about unusable detections.
  rclcpp::Clock log_clock_{RCL_STEADY_TIME};
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_TRACKER_HPP_
