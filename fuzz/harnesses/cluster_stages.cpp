// The per-scan cluster stages without node or detector: one decoded scan split into its moving
// and static beams is clustered, the moving clusters' legs merged, static legs absorbed and the
// clusters cut between expected people, and every cluster measured, scored and turned into a detection, with the clustering and merge
// settings at the edges of what start-up accepts. The features and the shape score also get a
// raw decoded cloud (NaN points, a cloud that claims to be dense). Checks what every stage
// promises about the clusters it hands on.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "finite_checks.hpp"
#include "fuzzed_bytes.hpp"
#include "fuzzed_scans.hpp"
#include "invariant.hpp"
#include "quillon_dynamic_detector/cluster_features.hpp"
#include "quillon_dynamic_detector/cluster_split.hpp"
#include "quillon_dynamic_detector/detection_builder.hpp"
#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/leg_cluster_merging.hpp"
#include "quillon_dynamic_detector/pedestrian_shape_classifier.hpp"
#include "quillon_dynamic_detector/static_leg_absorption.hpp"
#include "rcutils/logging.h"

namespace
{

using namespace quillon_dynamic_detector;
using quillon_fuzz::FuzzedBytes;
using quillon_fuzz::invariantBroken;
using sensor_msgs::msg::LaserScan;

// Clustering costs grow faster than the beams and take most of each input: a third of the
// robot's scanner at most (the whole-path harnesses send full scans), mostly shorter and
// degenerate scans.
constexpr std::size_t BEAM_COUNTS[] = {360, 271, 180, 180, 100, 100, 64, 64, 32, 16, 3, 1, 0};

ClusteringConfig decodeClustering(FuzzedBytes & in)
{
  ClusteringConfig c;
  const double tolerances[] = {0.18, 0.18, 0.05, 0.6, 1e-4};
  const int32_t min_sizes[] = {10, 10, 1, 3, 0};
  const int32_t max_sizes[] = {1000, 1000, 5, 30, 1};
  const double max_ranges[] = {5.0, 5.0, 30.0, 1e9, 0.3};
  c.tolerance = in.pick(tolerances);
  c.min_cluster_size = in.pick(min_sizes);
  c.max_cluster_size = in.pick(max_sizes);
  c.max_range = in.pick(max_ranges);
  const int32_t leg_min_sizes[] = {0, 0, 2, 1, 3};
  c.leg_min_cluster_size = in.pick(leg_min_sizes);
  const double leg_reaches[] = {0.0, 0.5, 1e-4, 2.0};
  c.tracked_leg_reach = in.pick(leg_reaches);
  return c;
}

ClusterMergeConfig decodeMerge(FuzzedBytes & in)
{
  ClusterMergeConfig c;
  const uint8_t variant = in.byte();
  c.enable = (variant & 1U) == 0;
  c.whole_group_within_limits = (variant & 8U) != 0;
  if (variant & 2U) {  // everything is a leg, everything is close
    c.max_centroid_distance = 100.0;
    c.max_radial_distance_diff = 100.0;
    c.max_angle_diff = 4.0;
    c.max_cluster_width = 100.0;
    c.max_cluster_length = 100.0;
    c.max_cluster_area = 1e4;
    c.max_cluster_points = 100000;
  }
  if (variant & 4U) {  // nothing is
    c.max_centroid_distance = 0.0;
    c.max_cluster_points = 0;
  }
  return c;
}

// The beams of `scan` that `moving` marks (or does not), the others without a return.
LaserScan::SharedPtr splitScan(const LaserScan & scan, const std::vector<bool> & moving, bool want)
{
  auto part = std::make_shared<LaserScan>(scan);
  for (std::size_t i = 0; i < part->ranges.size(); ++i) {
    if (moving[i] != want) {
      part->ranges[i] = std::numeric_limits<float>::infinity();
    }
  }
  return part;
}

// The pipeline drops scans whose beam angles are not finite before clustering (PCL's search
// refuses NaN points); the same test, on the first and the last beam.
bool hasFiniteAngles(const LaserScan & scan)
{
  const float last = scan.ranges.empty() ? 0.0F : static_cast<float>(scan.ranges.size() - 1);
  return std::isfinite(scan.angle_min) && std::isfinite(scan.angle_increment) &&
         std::isfinite(last * scan.angle_increment + scan.angle_min);
}

std::size_t pointsIn(const ClusterList & clusters)
{
  std::size_t n = 0;
  for (const auto & c : clusters) {
    n += c ? c->size() : 0;
  }
  return n;
}

std::size_t usableBeams(const LaserScan & scan, const ClusteringConfig & config)
{
  auto cloud = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  laserScanToCloud(std::make_shared<LaserScan>(scan), cloud, config, scan.range_min);
  return cloud->size();
}

void checkClusters(
  const ClusterList & clusters, const ClusteringConfig & config, std::size_t usable,
  const std::string & what)
{
  std::size_t previous = std::numeric_limits<std::size_t>::max();
  for (const auto & cluster : clusters) {
    if (!cluster || cluster->empty()) {
      invariantBroken(what + ": a null or empty cluster");
    }
    const auto n = static_cast<int64_t>(cluster->size());
    if (n < config.min_cluster_size || n > config.max_cluster_size) {
      invariantBroken(what + ": cluster of " + std::to_string(n) + " points outside the limits");
    }
    if (cluster->size() > previous) {
      invariantBroken(what + ": clusters not largest first");
    }
    previous = cluster->size();
    for (const auto & p : cluster->points) {
      const double r = std::hypot(p.x, p.y);
      if (!std::isfinite(r) || r > std::min(config.max_range, MAX_RANGE_MAGNITUDE) * 1.0001) {
        invariantBroken(what + ": point at range " + std::to_string(r));
      }
    }
  }
  if (pointsIn(clusters) > usable) {
    invariantBroken(what + ": more clustered points than usable beams");
  }
}

void checkDetections(const ClusterList & clusters, const Detections & detections)
{
  if (detections.objects.size() != clusters.size() || detections.scores.size() != clusters.size()) {
    invariantBroken("not one detection and one score per cluster");
  }
  quillon_protocol::msg::ObjectList list;
  list.objects = detections.objects;
  quillon_fuzz::requireFiniteObjects(list, "detections");
  for (std::size_t i = 0; i < clusters.size(); ++i) {
    quillon_fuzz::requireFinite(detections.scores[i], "shape score");
    if (detections.objects[i].point_count != static_cast<int32_t>(clusters[i]->size())) {
      invariantBroken("detection point count is not its cluster's");
    }
    if (detections.objects[i].polygon.size() > clusters[i]->size()) {
      invariantBroken("outline with more corners than the cluster has points");
    }
  }
}

// A cloud straight from the bytes: the features must measure its finite points or report NaN.
void measureRawCloud(FuzzedBytes & in)
{
  auto cloud = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  const int points = in.byte() % 40;
  for (int k = 0; k < points; ++k) {
    cloud->push_back(pcl::PointXYZ(quillon_fuzz::rangeOrSpecial(in), 0.05F * (k % 9), 0.0F));
  }
  cloud->is_dense = in.flag();
  ClusterFeatures features;
  try {
    features = computeClusterFeatures(cloud);
  } catch (const std::invalid_argument &) {
    if (!cloud->empty()) {
      invariantBroken("features refused a cloud with points");
    }
    return;
  }
  if (features.point_count != static_cast<int32_t>(cloud->size())) {
    invariantBroken("features count other points than the cloud holds");
  }
  bool any_finite = false;
  for (const auto & p : cloud->points) {
    any_finite = any_finite || (std::isfinite(p.x) && std::isfinite(p.y));
  }
  const bool big = std::abs(features.width) > 1e18 || std::abs(features.length) > 1e18;
  if (any_finite && !big && !(std::isfinite(features.width) && std::isfinite(features.area))) {
    invariantBroken("features of a cloud with finite points are not finite");
  }
  const ShapeScore score = scorePedestrianShape(features, DEFAULT_CLASSIFIER_CONFIG);
  quillon_fuzz::requireFinite(score.score, "shape score of a raw cloud");
}

// Up to four people the tracker expects: on or beside clustered points (where the cuts happen),
// or anywhere, NaN included, with any velocity.
std::vector<ExpectedPerson> decodePlaces(FuzzedBytes & in, const ClusterList & clusters)
{
  std::vector<ExpectedPerson> places;
  const int count = in.byte() % 5;
  for (int k = 0; k < count; ++k) {
    const ClusterCloud & cluster =
      clusters.empty() ? nullptr : clusters[in.byte() % clusters.size()];
    if (cluster && !cluster->empty() && in.flag()) {
      const pcl::PointXYZ & p = cluster->points[in.byte() % cluster->size()];
      places.push_back(
        {{p.x + 0.01F * (in.byte() % 40), p.y - 0.01F * (in.byte() % 40)},
         Eigen::Vector2f::Zero()});
    } else {
      places.push_back(
        {{quillon_fuzz::rangeOrSpecial(in), quillon_fuzz::rangeOrSpecial(in)},
         Eigen::Vector2f::Zero()});
    }
    // Standing, walking either way, or nonsense.
    places.back().velocity = Eigen::Vector2f(
      0.1F * static_cast<float>(in.byte() % 30) - 1.5F, quillon_fuzz::rangeOrSpecial(in));
  }
  return places;
}

void checkSplit(const ClusterList & before, const ClusterList & after, std::size_t min_points)
{
  if (pointsIn(after) != pointsIn(before) || after.size() < before.size()) {
    invariantBroken("the cut lost, invented or duplicated points");
  }
  if (after.size() == before.size()) {
    if (after != before) {
      invariantBroken("a cluster changed without being cut");
    }
    return;
  }
  for (const auto & cluster : after) {
    if (!cluster || cluster->size() < std::max<std::size_t>(min_points, 1)) {
      invariantBroken("a cut left a part below the smallest cluster");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  static const bool quiet = [] {
    return rcutils_logging_set_logger_level("trailscan", RCUTILS_LOG_SEVERITY_FATAL) ==
           RCUTILS_RET_OK;
  }();
  (void)quiet;
  FuzzedBytes in(data, size);
  const ClusteringConfig clustering = decodeClustering(in);
  const ClusterMergeConfig merge = decodeMerge(in);
  const quillon_fuzz::ScanShape shape = quillon_fuzz::decodeScanShape(in, BEAM_COUNTS);
  const LaserScan::SharedPtr scan = quillon_fuzz::buildScan(shape, in.byte() % 8, in);
  if (!hasFiniteAngles(*scan)) {
    measureRawCloud(in);
    return 0;
  }
  // Moving beams in runs, as a detector marks them.
  std::vector<bool> moving(scan->ranges.size(), false);
  const int runs = in.byte() % 8;
  for (int k = 0; k < runs && !moving.empty(); ++k) {
    const uint32_t start = in.below(static_cast<uint32_t>(moving.size()));
    const uint32_t length = 1U + in.byte();
    for (uint32_t i = start; i < moving.size() && i < start + length; ++i) {
      moving[i] = true;
    }
  }
  const LaserScan::SharedPtr dynamic_scan = splitScan(*scan, moving, true);
  const LaserScan::SharedPtr static_scan = splitScan(*scan, moving, false);

  const auto clusterer = makeClusterer(clustering);
  const ClusteringContext context{clustering, *clusterer, scan->range_min};
  ClusterList dynamic_clusters;
  extractClusters(context, dynamic_scan, dynamic_clusters);
  // Small moving clusters stay for the leg merge; the static ones keep the limits.
  ClusteringConfig extracted = clustering;
  if (clustering.leg_min_cluster_size > 0) {
    extracted.min_cluster_size =
      std::min(clustering.min_cluster_size, clustering.leg_min_cluster_size);
  }
  checkClusters(dynamic_clusters, extracted, usableBeams(*dynamic_scan, clustering), "moving");
  ClusteringConfig static_clustering = clustering;
  static_clustering.leg_min_cluster_size = 0;
  const auto static_clusterer = makeClusterer(static_clustering);
  ClusterList static_clusters;
  extractClusters(
    ClusteringContext{static_clustering, *static_clusterer, scan->range_min}, static_scan,
    static_clusters);
  checkClusters(static_clusters, clustering, usableBeams(*static_scan, clustering), "static");

  const ClusterList joined = mergeNearbyLegLikeClusters(dynamic_clusters, merge);
  if (joined.size() > dynamic_clusters.size() || pointsIn(joined) != pointsIn(dynamic_clusters)) {
    invariantBroken("leg merging lost, invented or duplicated points");
  }
  const ClusterList absorbed = absorbNearbyStaticLegLikeClusters(joined, static_clusters, merge);
  if (absorbed.size() != joined.size()) {
    invariantBroken("absorption changed the number of moving clusters");
  }
  for (std::size_t i = 0; i < joined.size(); ++i) {
    if (absorbed[i]->size() < joined[i]->size()) {
      invariantBroken("absorption lost points of a moving cluster");
    }
  }
  if (pointsIn(absorbed) > pointsIn(joined) + pointsIn(static_clusters)) {
    invariantBroken("absorption took a static cluster twice");
  }
  const ClusterList assembled = assembleMovingClusters(
    dynamic_clusters, static_clusters, static_scan, context, merge,
    decodePlaces(in, dynamic_clusters));
  if (pointsIn(assembled) > pointsIn(dynamic_clusters) + usableBeams(*static_scan, clustering)) {
    invariantBroken("assembling took a static return twice");
  }
  if (clustering.leg_min_cluster_size == 0 && pointsIn(assembled) != pointsIn(absorbed)) {
    invariantBroken("without small legs, assembling is more than merging and absorbing");
  }
  if (clustering.leg_min_cluster_size > 0) {
    for (const auto & cluster : assembled) {
      if (static_cast<int64_t>(cluster->size()) < clustering.min_cluster_size) {
        invariantBroken("an assembled moving cluster below min_cluster_size was kept");
      }
    }
  }
  const float split_distances[] = {0.4F, 0.0F, 1e-6F, 5.0F};
  const auto min_points = static_cast<std::size_t>(std::max(clustering.min_cluster_size, 0));
  const ClusterList cut = splitClustersBetweenPlaces(
    assembled, decodePlaces(in, assembled), in.pick(split_distances), min_points);
  checkSplit(assembled, cut, min_points);
  checkDetections(cut, buildDetections(cut, DEFAULT_CLASSIFIER_CONFIG));
  measureRawCloud(in);
  return 0;
}
