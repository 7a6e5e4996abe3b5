#include "quillon_dynamic_detector/scan_pipeline.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include <Eigen/Core>

#include "quillon_dynamic_detector/cluster_split.hpp"
#include "quillon_dynamic_detector/detection_builder.hpp"
#include "quillon_dynamic_detector/leg_cluster_merging.hpp"
#include "quillon_dynamic_detector/scan_sight.hpp"
#include "quillon_dynamic_detector/swept_motion.hpp"
#include "quillon_dynamic_detector/tracking_frame.hpp"
#include "quillon_dynamic_detector/trailscan_logger.hpp"
#include "quillon_dynamic_detector/transform_lookup.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/logging.hpp"
#include "rclcpp/time.hpp"

namespace quillon_dynamic_detector
{
namespace
{

using SteadyClock = std::chrono::steady_clock;
using sensor_msgs::msg::LaserScan;

long wholeMilliseconds(SteadyClock::time_point from, SteadyClock::time_point to)
{
  return static_cast<long>(
    std::chrono::duration_cast<std::chrono::nanoseconds>(to - from).count() / 1000000);
}

void runDetector(
  orvane::perception::DynamicLaserDetector & detector, const LaserScan::ConstSharedPtr & scan,
  const geometry_msgs::msg::Pose & pose, const LaserScan::SharedPtr & dynamic_scan,
  const LaserScan::SharedPtr & static_scan)
{
  detector.Process(scan, pose, dynamic_scan, static_scan);
}

void runDetector(
  GeometricMotionDetector & detector, const LaserScan::ConstSharedPtr & scan,
  const geometry_msgs::msg::Pose & pose, const LaserScan::SharedPtr & dynamic_scan,
  const LaserScan::SharedPtr & static_scan)
{
  detector.processScan(scan, pose, dynamic_scan, static_scan);
}

// The closed detector shows nothing of its inner working: its debug topics get empty clouds.
void publishDetectorClouds(
  const orvane::perception::DynamicLaserDetector &, const LaserScan & scan,
  const std::string & output_frame, const CloudPublisher & raw_candidate_cloud_pub,
  const CloudPublisher & confirmed_cloud_pub, const CloudPublisher & local_map_cloud_pub)
{
  const pcl::PointCloud<pcl::PointXYZ> empty;
  publishCloud(empty, scan, output_frame, raw_candidate_cloud_pub);
  publishCloud(empty, scan, output_frame, confirmed_cloud_pub);
  publishCloud(empty, scan, ODOM_FRAME, local_map_cloud_pub);
}

void publishDetectorClouds(
  const GeometricMotionDetector & detector, const LaserScan & scan,
  const std::string & output_frame, const CloudPublisher & raw_candidate_cloud_pub,
  const CloudPublisher & confirmed_cloud_pub, const CloudPublisher & local_map_cloud_pub)
{
  publishCloud(detector.rawCandidateCloud(), scan, output_frame, raw_candidate_cloud_pub);
  publishCloud(detector.confirmedCloud(), scan, output_frame, confirmed_cloud_pub);
  publishCloud(detector.localStaticMapCloud(), scan, ODOM_FRAME, local_map_cloud_pub);
}

// A stamp with negative seconds is no ROS time (rclcpp::Time would throw).
bool hasValidStamp(const LaserScan & scan) { return scan.header.stamp.sec >= 0; }

// NaN or infinite angles would turn beams into NaN points, which PCL's search refuses with an
// assertion. Finite settings can still overflow for later beams (i x increment), so the last
// beam's angle is checked too, computed as clustering computes it; beams between the first and
// the last lie between their angles.
bool hasFiniteAngles(const LaserScan & scan)
{
  const float last_index = scan.ranges.empty() ? 0.0F : static_cast<float>(scan.ranges.size() - 1);
  return std::isfinite(scan.angle_min) && std::isfinite(scan.angle_increment) &&
         std::isfinite(last_index * scan.angle_increment + scan.angle_min);
}

// The tracker's update with the scan's detections and static clusters carried into the frame
// where it tracks, at the stamp's pose or, with `swept`, each at its own beam's moment.
void trackInFrame(
  const PlanarMotion & frame_from_scanner, const SweptMotion * swept, const Detections & detections,
  const ClusterList & static_clusters, double stamp_s, PedestrianTracker & tracker,
  const ScanSight * sight)
{
  std::vector<quillon_protocol::msg::Object> moved_detections = detections.objects;
  ClusterList moved_clusters = static_clusters;
  if (swept) {
    swept->toFrame(moved_detections);
    swept->toFrame(moved_clusters);
  } else {
    frame_from_scanner.apply(moved_detections);
    frame_from_scanner.apply(moved_clusters);
  }
  tracker.update(moved_detections, moved_clusters, detections.scores, stamp_s, sight);
}

// The scanner's motion over the scan's sweep in the tracking frame, from its pose at the end of
// the sweep when odom has it already, else from its pose one sweep before the stamp; empty
// without the scan's timing or either pose (the first scans of a run).
std::optional<SweptMotion> sweptMotion(
  const std::shared_ptr<tf2_ros::Buffer> & tf_buffer, const LaserScan & scan,
  const std::string & output_frame, const rclcpp::Time & stamp,
  const Eigen::Matrix4f & frame_from_scanner)
{
  const std::optional<double> sweep = SweptMotion::sweepDuration(scan);
  if (!sweep) {
    return std::nullopt;
  }
  for (const double seconds : {*sweep, -*sweep}) {
    // tf2 reads a time of zero as "the latest transform", and nothing lies before it.
    const int64_t other_ns = stamp.nanoseconds() + std::llround(seconds * 1e9);
    if (other_ns <= 0) {
      continue;
    }
    const std::optional<Eigen::Matrix4f> other = findTransformMatrix(
      tf_buffer, ODOM_FRAME, output_frame, rclcpp::Time(other_ns, stamp.get_clock_type()));
    if (other) {
      return SweptMotion::fromPoses(frame_from_scanner, *other, seconds, scan);
    }
  }
  return std::nullopt;
}

// The scanner's place and heading in the frame a transform carries its points into.
ScannerPose scannerPose(const Eigen::Matrix4f & frame_from_scanner)
{
  ScannerPose pose;
  pose.origin = Eigen::Vector2f(frame_from_scanner(0, 3), frame_from_scanner(1, 3));
  pose.yaw = std::atan2(frame_from_scanner(1, 0), frame_from_scanner(0, 0));
  return pose;
}

// Every track the tracker holds, in the scanner's frame, for a tool that watches the tracker.
std::vector<TrackSnapshot> snapshotTracks(
  const PedestrianTracker & tracker, const std::optional<PlanarMotion> & scanner_from_frame)
{
  std::vector<TrackSnapshot> snapshots;
  snapshots.reserve(tracker.tracks().size());
  for (const Track & track : tracker.tracks()) {
    quillon_protocol::msg::Object place;
    place.pose.position.x = track.position().x();
    place.pose.position.y = track.position().y();
    if (scanner_from_frame) {
      scanner_from_frame->apply(place);
    }
    snapshots.push_back(TrackSnapshot{
      track.id, track.state, track.isPedestrian(), static_cast<float>(place.pose.position.x),
      static_cast<float>(place.pose.position.y)});
  }
  return snapshots;
}

// Where the tracker expects its published pedestrians at least `min_age_s` old at `stamp_s`, in
// the scanner's frame.
std::vector<ExpectedPerson> expectedPeopleInScan(
  const PedestrianTracker & tracker, double stamp_s, double min_age_s,
  const std::optional<PlanarMotion> & scanner_from_frame, const SweptMotion * swept)
{
  std::vector<ExpectedPerson> places = tracker.predictedPublishedPlaces(stamp_s, min_age_s);
  if (swept) {
    swept->toScanner(places);
  } else if (scanner_from_frame) {
    scanner_from_frame->apply(places);
  }
  return places;
}

// The moving clusters cut between the people the tracker expects at `stamp_s`, when it is set to.
ClusterList splitBetweenTracks(
  const ClusterList & clusters, const PedestrianTracker & tracker, double stamp_s,
  const std::optional<PlanarMotion> & scanner_from_frame, const SweptMotion * swept,
  const ClusteringConfig & clustering)
{
  const float min_distance = tracker.config().split_cluster_distance;
  if (!(min_distance > 0.0f)) {
    return clusters;
  }
  return splitClustersBetweenPlaces(
    clusters,
    expectedPeopleInScan(
      tracker, stamp_s, tracker.config().split_min_track_age, scanner_from_frame, swept),
    min_distance, static_cast<std::size_t>(std::max(clustering.min_cluster_size, 1)));
}

}  // namespace

template <typename Detector>
ScanOutcome processLaserScan(
  const LaserScan::ConstSharedPtr & scan, const std::shared_ptr<tf2_ros::Buffer> & tf_buffer,
  Detector & detector, Clusterer & clusterer, const CloudPublisher & dynamic_cloud_pub,
  const CloudPublisher & static_cloud_pub, const CloudPublisher & raw_candidate_cloud_pub,
  const CloudPublisher & confirmed_cloud_pub, const CloudPublisher & local_map_cloud_pub,
  const ObjectListPublisher & objects_pub, const MarkerPublisher & markers_pub,
  const std::string & sensor_name, const std::string & output_frame,
  const ClusteringConfig & clustering, const ClusterMergeConfig & cluster_merge,
  const ClassifierConfig & classifier, double max_input_age_ms, PedestrianTracker & tracker,
  TrackingFrame tracking_frame, const SelfFilter & self_filter, const ScanObservers & observers,
  const rclcpp::Clock::SharedPtr & age_clock)
{
  const auto t0 = SteadyClock::now();
  // Ages are measured against system time, whatever clock the node uses, unless the caller
  // hands in the clock to measure them on; warnings are paced in system time either way.
  rclcpp::Clock clock(RCL_ROS_TIME);
  rclcpp::Clock & age_on = age_clock ? *age_clock : clock;
  if (!hasValidStamp(*scan)) {
    RCLCPP_WARN_THROTTLE(
      trailscanLogger(), clock, 1000,
      "[INPUT] drop_invalid_stamp sensor=%s stamp=%d.%09u: not a valid ROS time",
      sensor_name.c_str(), scan->header.stamp.sec, scan->header.stamp.nanosec);
    return ScanOutcome::kMalformed;
  }
  if (!hasFiniteAngles(*scan)) {
    RCLCPP_WARN_THROTTLE(
      trailscanLogger(), clock, 1000,
      "[INPUT] drop_malformed_scan sensor=%s angle_min=%f angle_increment=%f: angles must be "
      "finite",
      sensor_name.c_str(), scan->angle_min, scan->angle_increment);
    return ScanOutcome::kMalformed;
  }
  if (scan->ranges.size() > MAX_SCAN_BEAMS) {
    RCLCPP_WARN_THROTTLE(
      trailscanLogger(), clock, 1000,
      "[INPUT] drop_oversized_scan sensor=%s beams=%zu limit=%zu: too many beams to cluster in "
      "time",
      sensor_name.c_str(), scan->ranges.size(), MAX_SCAN_BEAMS);
    return ScanOutcome::kMalformed;
  }
  const rclcpp::Time stamp(scan->header.stamp, RCL_ROS_TIME);
  const double input_age_ms = (age_on.now() - stamp).seconds() * 1000.0;
  if (input_age_ms > max_input_age_ms) {
    RCLCPP_WARN_THROTTLE(
      trailscanLogger(), clock, 1000,
      "[PERF] drop_stale_frame sensor=%s input_age=%.1fms threshold=%.1fms", sensor_name.c_str(),
      input_age_ms, max_input_age_ms);
    return ScanOutcome::kStale;
  }

  Eigen::Matrix4f odom_from_base;
  if (!getTransformMatrix(tf_buffer, ODOM_FRAME, ROBOT_BASE_FRAME, stamp, odom_from_base)) {
    return ScanOutcome::kNoTransform;
  }
  // Tracking in odom needs the scanner's own pose too; looked up before anything is published.
  std::optional<PlanarMotion> odom_from_scanner;
  std::optional<SweptMotion> swept;
  Eigen::Matrix4f tracking_from_output = Eigen::Matrix4f::Identity();
  if (tracking_frame != TrackingFrame::Scanner) {
    if (!getTransformMatrix(tf_buffer, ODOM_FRAME, output_frame, stamp, tracking_from_output)) {
      return ScanOutcome::kNoTransform;
    }
    odom_from_scanner = PlanarMotion::fromMatrix(tracking_from_output);
  }
  if (tracking_frame == TrackingFrame::OdomAtBeamTime) {
    swept = sweptMotion(tf_buffer, *scan, output_frame, stamp, tracking_from_output);
  }
  const SweptMotion * swept_or_none = swept ? &*swept : nullptr;
  const geometry_msgs::msg::Pose pose = poseFromMatrix(odom_from_base);
  const LaserScan::ConstSharedPtr seen = removeRobotReturns(scan, self_filter);
  auto dynamic_scan = std::make_shared<LaserScan>();
  auto static_scan = std::make_shared<LaserScan>();
  runDetector(detector, seen, pose, dynamic_scan, static_scan);
  const auto t1 = SteadyClock::now();
  if (observers.detector_output) {
    observers.detector_output(*seen, *dynamic_scan, *static_scan);
  }

  publishDetectorClouds(
    detector, *scan, output_frame, raw_candidate_cloud_pub, confirmed_cloud_pub,
    local_map_cloud_pub);
  const ClusteringContext context{clustering, clusterer, scan->range_min};
  ClusterList dynamic_clusters;
  extractClusters(context, dynamic_scan, dynamic_clusters);
  // Static clusters keep the full size at every range: small far ones (chair legs that flicker)
  // would hold lost walkers on furniture.
  ClusteringConfig static_clustering = clustering;
  static_clustering.far_min_cluster_size = 0;
  static_clustering.leg_min_cluster_size = 0;
  ClusterList static_clusters;
  extractClusters(
    ClusteringContext{static_clustering, clusterer, scan->range_min}, static_scan, static_clusters);
  const auto scanner_from_odom =
    odom_from_scanner ? std::optional<PlanarMotion>(odom_from_scanner->inverse()) : std::nullopt;
  // Small far legs beside their planted foot are kept where the tracker expects a person.
  const bool small_legs_near_people =
    clustering.leg_min_cluster_size > 0 && clustering.tracked_leg_reach > 0.0;
  dynamic_clusters = assembleMovingClusters(
    dynamic_clusters, static_clusters, static_scan, context, cluster_merge,
    small_legs_near_people
      ? expectedPeopleInScan(tracker, stamp.seconds(), 0.0, scanner_from_odom, swept_or_none)
      : std::vector<ExpectedPerson>{});
  dynamic_clusters = splitBetweenTracks(
    dynamic_clusters, tracker, stamp.seconds(), scanner_from_odom, swept_or_none, clustering);
  const auto t2 = SteadyClock::now();

  const Detections detections = buildDetections(dynamic_clusters, classifier);
  publishCloud(
    buildColouredClusterCloud(dynamic_clusters, 0), *scan, output_frame, dynamic_cloud_pub);
  // Static clusters continue the colours where the moving ones stopped.
  publishCloud(
    buildColouredClusterCloud(static_clusters, dynamic_clusters.size()), *scan, output_frame,
    static_cloud_pub);
  // The tracker sees the scan only when it ends or keeps tracks on what the scan shows.
  std::optional<ScanSight> sight;
  if (tracker.config().seen_empty_timeout > 0.0f || tracker.config().occluded_coast_time > 0.0f) {
    if (swept) {
      sight.emplace(
        *seen, [&swept](const Eigen::Vector2f & place) { return swept->toScanner(place); });
    } else {
      sight.emplace(*seen, scannerPose(tracking_from_output));
    }
  }
  const ScanSight * sight_or_none = sight ? &*sight : nullptr;
  if (odom_from_scanner) {
    trackInFrame(
      *odom_from_scanner, swept_or_none, detections, static_clusters, stamp.seconds(), tracker,
      sight_or_none);
  } else {
    tracker.update(
      detections.objects, static_clusters, detections.scores, stamp.seconds(), sight_or_none);
  }
  const auto t3 = SteadyClock::now();
  if (observers.tracker_output) {
    observers.tracker_output(*seen, detections.objects, snapshotTracks(tracker, scanner_from_odom));
  }

  quillon_protocol::msg::ObjectList objects;
  objects.header.stamp = scan->header.stamp;
  objects.header.frame_id = output_frame;
  objects.sensor_name = sensor_name;
  objects.sensor_type = 3;
  objects.objects = tracker.exportTracks();
  if (scanner_from_odom) {
    scanner_from_odom->apply(objects.objects);
  }
  objects_pub->publish(objects);
  visualization_msgs::msg::MarkerArray markers;
  markers.markers = scanner_from_odom
                      ? tracker.buildMarkers(
                          output_frame, scan->header.stamp,
                          [&](quillon_protocol::msg::Object & o) { scanner_from_odom->apply(o); })
                      : tracker.buildMarkers(output_frame, scan->header.stamp);
  if (!markers.markers.empty()) {
    markers_pub->publish(markers);
  }
  const auto t4 = SteadyClock::now();

  const double output_age_ms =
    (age_on.now() - rclcpp::Time(objects.header.stamp, RCL_ROS_TIME)).seconds() * 1000.0;
  RCLCPP_WARN_THROTTLE(
    trailscanLogger(), clock, 1000,
    "[PERF] sensor=%s input_age=%.1fms output_age=%.1fms detector=%ldms cluster=%ldms "
    "tracker=%ldms publish=%ldms total=%ldms dyn_clusters=%zu static_clusters=%zu "
    "detections=%zu published=%zu",
    sensor_name.c_str(), input_age_ms, output_age_ms, wholeMilliseconds(t0, t1),
    wholeMilliseconds(t1, t2), wholeMilliseconds(t2, t3), wholeMilliseconds(t3, t4),
    wholeMilliseconds(t0, t4), dynamic_clusters.size(), static_clusters.size(),
    detections.objects.size(), objects.objects.size());
  return ScanOutcome::kProcessed;
}

template ScanOutcome processLaserScan<orvane::perception::DynamicLaserDetector>(
  const LaserScan::ConstSharedPtr &, const std::shared_ptr<tf2_ros::Buffer> &,
  orvane::perception::DynamicLaserDetector &, Clusterer &, const CloudPublisher &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const ObjectListPublisher &, const MarkerPublisher &, const std::string &, const std::string &,
  const ClusteringConfig &, const ClusterMergeConfig &, const ClassifierConfig &, double,
  PedestrianTracker &, TrackingFrame, const SelfFilter &, const ScanObservers &,
  const rclcpp::Clock::SharedPtr &);

template ScanOutcome processLaserScan<GeometricMotionDetector>(
  const LaserScan::ConstSharedPtr &, const std::shared_ptr<tf2_ros::Buffer> &,
  GeometricMotionDetector &, Clusterer &, const CloudPublisher &, const CloudPublisher &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const ObjectListPublisher &, const MarkerPublisher &, const std::string &, const std::string &,
  const ClusteringConfig &, const ClusterMergeConfig &, const ClassifierConfig &, double,
  PedestrianTracker &, TrackingFrame, const SelfFilter &, const ScanObservers &,
  const rclcpp::Clock::SharedPtr &);

}  // namespace quillon_dynamic_detector
