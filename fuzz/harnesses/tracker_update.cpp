// The tracker's update alone, fed detection lists decoded from the input over many scans: people
// walking and standing, duplicates, hundreds of detections, unusable positions and scores, score
// lists shorter than the detections, static clusters with and without finite points, and stamps
// that repeat, go back and jump. After every scan the tracks, the exported objects and the
// markers are checked.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "finite_checks.hpp"
#include "fuzzed_bytes.hpp"
#include "fuzzed_objects.hpp"
#include "invariant.hpp"
#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "rcutils/logging.h"
#include "unique_ids.hpp"

namespace
{

using quillon_dynamic_detector::ClusterList;
using quillon_dynamic_detector::PedestrianTracker;
using quillon_dynamic_detector::TrackerConfig;
using quillon_fuzz::FuzzedBytes;
using quillon_fuzz::invariantBroken;
using quillon_protocol::msg::Object;

// Association and duplicate merging compare every track with every detection and every other
// track on every scan, and the search drifts towards inputs that keep every scan full: inputs of
// a crowd (hundreds of tracks) are a rare kind of their own with few scans, the others small.
constexpr std::size_t DETECTION_COUNTS[] = {0, 1, 1, 2, 2, 3, 4, 6, 8, 12};
constexpr std::size_t CROWD_COUNTS[] = {30, 80, 150};
constexpr int MAX_SCANS = 6;
constexpr int MAX_CROWD_SCANS = 2;
constexpr float UNUSABLE_SCORES[] = {
  std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
  -std::numeric_limits<float>::infinity(), -1.0f};
// A cluster's outline has at most its points; long ones only slow the run here.
constexpr std::size_t MAX_OUTLINE = 16;

// The defaults, or settings at the edges of what start-up accepts.
TrackerConfig decodeConfig(FuzzedBytes & in)
{
  TrackerConfig c;
  const uint8_t variant = in.byte();
  if (variant & 1U) {
    c.confirm_threshold = 1;
    c.duplicate_track_merge_hits = 1;
  }
  if (variant & 2U) {
    c.max_coasting_frames = variant & 4U ? 0 : 1000;
  } else if (variant & 4U) {
    c.reidentify_time = 5.0f;  // lost pedestrians' ids are taken up again
  }
  if (variant & 8U) {
    c.static_retention_max_speed = 0.5f;
    c.min_dynamic_updates_for_static_retention = 0;
    c.refind_max_acceleration = 2.0f;  // tracks found again after a miss reach less far
    c.refind_margin = variant & 128U ? 0.0f : 0.5f;
  }
  if (variant & 16U) {
    c.dynamic_gate = 5.0f;
    c.duplicate_track_distance = 2.0f;
    c.duplicate_track_velocity_angle = -1.0f;
    c.association_across_factor = 3.0f;  // walkers weigh detections a rival lies nearer to
  }
  if (variant & 32U) {
    c.init_score_threshold = 0.0f;
    c.new_track_suppression_distance = 0.0f;
    c.birth_max_range = variant & 128U ? 2.0f : 0.0f;  // far detections only continue tracks
  }
  if (variant & 64U) {
    c.static_retention_memory = variant & 128U ? 1.0e-3f : 10.0f;  // remembers static clusters
    c.keep_due_to_stop_min_displacement = 0.5f;  // a walker who stops stays a pedestrian
    c.stopped_hold_time = 30.0f;
    c.stopped_yield_distance = 0.3f;  // someone standing leaves a passer-by's detection
  }
  return c;
}

// Where the scan's clock goes: on by a scan period mostly, sometimes repeated, back, far ahead.
double nextStamp(FuzzedBytes & in, double t)
{
  const uint8_t mode = in.byte();
  switch (mode % 10) {
    case 6:
      return t;
    case 7:
      return t - 0.05 * (1 + mode % 40);
    case 8:
      return t + 3600.0;
    case 9:
      return mode > 128 ? 0.0 : -1e6;
    default:
      return t + 0.025 * (1 + mode % 8);
  }
}

// Clouds end a million metres from the scanner and odometry adds the robot's place; beyond that
// a finite position is none the pipeline can hand the tracker (its Kalman sums would overflow).
double reachablePosition(double v)
{
  constexpr double LIMIT = 1e7;
  return std::isfinite(v) ? std::clamp(v, -LIMIT, LIMIT) : v;
}

// A detection's outline lies around its centre, as the detection builder draws it.
void outlineAround(Object & o)
{
  const bool finite = std::isfinite(o.pose.position.x) && std::isfinite(o.pose.position.y);
  for (std::size_t k = 0; k < o.polygon.size(); ++k) {
    o.polygon[k].x = (finite ? static_cast<float>(o.pose.position.x) : 0.0f) + 0.1f * (k % 7);
    o.polygon[k].y = (finite ? static_cast<float>(o.pose.position.y) : 0.0f) - 0.1f * (k % 5);
  }
}

// A few people: each walks from where it was decoded at its own velocity.
struct Walker
{
  Object object;
  double vx;
  double vy;
};

std::vector<Object> decodeDetections(
  FuzzedBytes & in, const std::vector<Walker> & walkers, int scan_index, bool crowd)
{
  std::vector<Object> detections;
  const std::size_t count = crowd ? in.pick(CROWD_COUNTS) : in.pick(DETECTION_COUNTS);
  const uint8_t layout = in.byte();
  for (std::size_t k = 0; k < count; ++k) {
    const Walker & w = walkers[(layout + k) % walkers.size()];
    Object o = w.object;
    o.pose.position.x += w.vx * scan_index + 0.4 * static_cast<double>(k / walkers.size() % 25);
    o.pose.position.y += w.vy * scan_index + 0.7 * static_cast<double>(k / walkers.size() / 25);
    o.pose.position.x = reachablePosition(o.pose.position.x);
    o.pose.position.y = reachablePosition(o.pose.position.y);
    outlineAround(o);
    detections.push_back(std::move(o));
  }
  // A copy of one detection (two clusters of one person) and a glitch in one position.
  if (!detections.empty() && in.flag()) {
    detections.push_back(detections[in.below(static_cast<uint32_t>(detections.size()))]);
  }
  if (!detections.empty() && in.flag()) {
    detections[in.below(static_cast<uint32_t>(detections.size()))].pose.position.y =
      reachablePosition(quillon_fuzz::coordinateOrSpecial(in));
  }
  return detections;
}

std::vector<float> decodeScores(FuzzedBytes & in, std::size_t detections)
{
  const std::size_t lengths[] = {detections, detections, detections / 2, 0};
  std::vector<float> scores(in.pick(lengths));
  for (float & s : scores) {
    const uint8_t code = in.byte();
    s = code < 8 ? UNUSABLE_SCORES[code % 4] : (code - 8) / 200.0f;
  }
  return scores;
}

// Static clusters near the walkers, some of them without a finite point or empty.
ClusterList decodeStaticClusters(FuzzedBytes & in, const std::vector<Object> & detections)
{
  ClusterList clusters;
  const int count = in.byte() % 4;
  for (int k = 0; k < count && !detections.empty(); ++k) {
    auto cloud = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
    const Object & near = detections[in.below(static_cast<uint32_t>(detections.size()))];
    const int points = in.byte() % 12;
    for (int p = 0; p < points; ++p) {
      cloud->push_back(pcl::PointXYZ(
        static_cast<float>(near.pose.position.x) + 0.02f * p,
        static_cast<float>(near.pose.position.y) + 0.1f, 0.0f));
    }
    if (!cloud->empty() && in.flag()) {
      (*cloud)[0].x = std::numeric_limits<float>::quiet_NaN();
      cloud->is_dense = in.flag();
    }
    clusters.push_back(cloud);
  }
  return clusters;
}

void checkTracker(
  const PedestrianTracker & tracker, std::size_t tracks_before, std::size_t detections,
  int32_t next_id_before)
{
  const auto & tracks = tracker.tracks();
  if (tracks.size() > tracks_before + detections) {
    invariantBroken("tracker holds more tracks than it had plus the detections of the scan");
  }
  std::vector<int32_t> ids;
  for (const auto & track : tracks) {
    if (track.id < 0 || track.id >= tracker.nextTrackId()) {
      invariantBroken("track id " + std::to_string(track.id) + " was never handed out");
    }
    ids.push_back(track.id);
  }
  quillon_fuzz::requireUniqueIds(ids, "tracks");
  if (tracker.nextTrackId() < next_id_before) {
    invariantBroken("next track id went back");
  }
  const std::size_t pairs = tracks_before + detections;
  if (tracker.duplicatePairHits().size() > pairs * pairs) {
    invariantBroken("duplicate pair hits grow beyond the pairs of tracks");
  }
}

void checkOutputs(PedestrianTracker & tracker, int scan_index)
{
  quillon_protocol::msg::ObjectList list;
  list.objects = tracker.exportTracks();
  if (list.objects.size() > tracker.tracks().size()) {
    invariantBroken("more exported objects than tracks");
  }
  quillon_fuzz::requireFiniteObjects(list, "exported tracks");
  builtin_interfaces::msg::Time stamp;
  stamp.sec = scan_index;
  visualization_msgs::msg::MarkerArray markers;
  markers.markers = tracker.buildMarkers("base_scan_01", stamp);
  quillon_fuzz::requireFiniteMarkers(markers, "track markers");
  quillon_fuzz::requireUniqueMarkerIds(markers.markers, "track markers");
  if (tracker.markerIds().size() > list.objects.size()) {
    invariantBroken("marker ids remembered for tracks that are not published");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  // Dropped detections and duplicate merges are logged per scan; their lines would drown the run.
  static const bool quiet = [] {
    return rcutils_logging_set_logger_level("laser_tracker", RCUTILS_LOG_SEVERITY_FATAL) ==
           RCUTILS_RET_OK;
  }();
  (void)quiet;
  FuzzedBytes in(data, size);
  PedestrianTracker tracker(decodeConfig(in));
  std::vector<Walker> walkers(1 + in.byte() % 4);
  for (Walker & w : walkers) {
    w.object = quillon_fuzz::decodeObject(in, false);
    if (w.object.polygon.size() > MAX_OUTLINE) {
      w.object.polygon.resize(MAX_OUTLINE);
    }
    w.vx = 0.01 * static_cast<int8_t>(in.byte());
    w.vy = 0.01 * static_cast<int8_t>(in.byte());
  }
  const uint8_t length = in.byte();
  const bool crowd = length >= 248;  // one input in thirty-two
  const int scans = 1 + length % (crowd ? MAX_CROWD_SCANS : MAX_SCANS);
  double t = 1700000000.0;
  std::size_t statics_seen = 0;
  for (int k = 0; k < scans && !in.empty(); ++k) {
    t = nextStamp(in, t);
    const std::vector<Object> detections = decodeDetections(in, walkers, k, crowd);
    const std::vector<float> scores = decodeScores(in, detections.size());
    const ClusterList statics = decodeStaticClusters(in, detections);
    const std::size_t tracks_before = tracker.tracks().size();
    const int32_t next_id_before = tracker.nextTrackId();
    tracker.update(detections, statics, scores, t);
    checkTracker(tracker, tracks_before, detections.size(), next_id_before);
    checkOutputs(tracker, k);
    statics_seen += statics.size();
    if (tracker.staticMemory().size() > statics_seen) {
      invariantBroken("static memory holds more cells than static clusters seen");
    }
  }
  return 0;
}
