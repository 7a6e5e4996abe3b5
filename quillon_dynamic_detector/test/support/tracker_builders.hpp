// Builders for tests of the pedestrian tracker: detections and tracks in a chosen situation,
// and runs of scans.
#ifndef TRACKER_BUILDERS_HPP_
#define TRACKER_BUILDERS_HPP_

#include <cstdint>
#include <utility>
#include <vector>

#include <Eigen/Core>

#include "cluster_builders.hpp"
#include "object_builders.hpp"
#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "quillon_dynamic_detector/track.hpp"
#include "quillon_dynamic_detector/tracker_config.hpp"

namespace tracker_builders
{

using quillon_dynamic_detector::ClusterList;
using quillon_dynamic_detector::PedestrianTracker;
using quillon_dynamic_detector::Track;
using quillon_dynamic_detector::TrackerConfig;
using quillon_dynamic_detector::TrackState;
using Object = quillon_protocol::msg::Object;

struct DetectionShape
{
  int32_t classification = 1;
  int32_t point_count = 40;
  double width = 0.4;
  double length = 0.4;
};

// A person-sized detection (too large to be suppressed) unless `shape` says otherwise.
inline Object makeDetection(double x, double y, const DetectionShape & shape = DetectionShape())
{
  Object detection = object_builders::objectAt(x, y, shape.point_count);
  detection.classification = shape.classification;
  detection.width = shape.width;
  detection.length = shape.length;
  return detection;
}

// A leg-sized fragment: below every default suppression size limit.
inline Object makeSmallDetection(double x, double y, int32_t classification = 1)
{
  DetectionShape shape;
  shape.classification = classification;
  shape.point_count = 8;
  shape.width = 0.1;
  shape.length = 0.1;
  return makeDetection(x, y, shape);
}

// A track born at (x, y) and then put into the given state with the given velocity.
inline Track makeTrack(
  const TrackerConfig & config, int32_t id, float x, float y, float vx = 0.0f, float vy = 0.0f,
  TrackState state = TrackState::Confirmed, int32_t classification = 1)
{
  Object detection = makeDetection(x, y);
  detection.classification = classification;
  Track track(id, Eigen::Vector2f(x, y), detection, 0.8f, &config, 0.0);
  track.x[2] = vx;
  track.x[3] = vy;
  track.state = state;
  return track;
}

// Runs `scans` tracker updates 0.1 s apart from `start_time`, each with the detections that
// `detections_at(scan)` gives and the scores `scores`.
template <typename DetectionsAt>
double runScans(
  PedestrianTracker & tracker, int scans, double start_time, DetectionsAt detections_at,
  const std::vector<float> & scores, const ClusterList & static_clusters = ClusterList())
{
  double t = start_time;
  for (int scan = 0; scan < scans; ++scan, t += 0.1) {
    tracker.update(detections_at(scan), static_clusters, scores, t);
  }
  return t;
}

inline std::vector<int32_t> trackIds(const PedestrianTracker & tracker)
{
  std::vector<int32_t> ids;
  for (const Track & track : tracker.tracks()) {
    ids.push_back(track.id);
  }
  return ids;
}

}  // namespace tracker_builders

#endif  // TRACKER_BUILDERS_HPP_
