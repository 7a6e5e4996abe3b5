// Cost of the cluster geometry for one realistic scan: 1081 beams over 270 degrees in an 8 m x
// 6 m room with six people walking, one of whom has a leg planted (reported as static). The
// merge notices are INFO lines; the "trailscan" logger is set to WARN here so that console
// output does not dominate the measurement.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <stdexcept>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/cluster_features.hpp"
#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/leg_cluster_merging.hpp"
#include "quillon_dynamic_detector/pedestrian_shape_classifier.hpp"
#include "quillon_dynamic_detector/static_leg_absorption.hpp"
#include "rcutils/logging.h"

namespace qdd = quillon_dynamic_detector;
using namespace cluster_builders;

namespace
{

struct SplitScan
{
  sensor_msgs::msg::LaserScan::SharedPtr dynamic;
  sensor_msgs::msg::LaserScan::SharedPtr statics;
};

// The room seen once, split the way a moving-point detector would: beams that hit a moving leg
// go to the dynamic scan, all others to the static scan.
SplitScan makeScene()
{
  Room moving;
  addPerson(moving, 1.2F, 0.4F);
  addPerson(moving, -0.8F, 1.5F);
  addPerson(moving, 2.2F, 0.8F);
  addPerson(moving, 0.3F, -2.0F);
  addPerson(moving, -1.2F, -1.5F);
  Room planted_person;
  addPerson(planted_person, 1.8F, -0.9F);
  moving.circles.push_back(planted_person.circles[0]);

  Room everything = moving;
  everything.circles.push_back(planted_person.circles[1]);
  const auto full = makeRoomScan(everything);
  const auto moving_only = makeRoomScan(moving, false);

  SplitScan split{makeScan(full->ranges), makeScan(full->ranges)};
  for (std::size_t i = 0; i < full->ranges.size(); ++i) {
    const bool hits_moving_leg = moving_only->ranges[i] == full->ranges[i];
    (hits_moving_leg ? split.statics : split.dynamic)->ranges[i] = NO_RETURN;
  }
  return split;
}

class ClusterGeometry : public benchmark::Fixture
{
public:
  void SetUp(const benchmark::State &) override
  {
    if (
      rcutils_logging_set_logger_level("trailscan", RCUTILS_LOG_SEVERITY_WARN) != RCUTILS_RET_OK) {
      throw std::runtime_error("cannot quieten the trailscan logger");
    }
    scene = makeScene();
    clusterer = qdd::makeClusterer(clustering);
    qdd::extractClusters(context(), scene.dynamic, dynamic_clusters);
    qdd::extractClusters(context(), scene.statics, static_clusters);
    merged = qdd::mergeNearbyLegLikeClusters(dynamic_clusters, merge);
    final_clusters = qdd::absorbNearbyStaticLegLikeClusters(merged, static_clusters, merge);
  }

  qdd::ClusteringContext context() { return {clustering, *clusterer}; }

  void reportCounts(benchmark::State & state) const
  {
    state.counters["dynamic_clusters"] = static_cast<double>(dynamic_clusters.size());
    state.counters["after_merge"] = static_cast<double>(merged.size());
    state.counters["static_clusters"] = static_cast<double>(static_clusters.size());
  }

  const qdd::ClusteringConfig clustering{};
  const qdd::ClusterMergeConfig merge{};
  SplitScan scene;
  std::shared_ptr<qdd::Clusterer> clusterer;
  ClusterList dynamic_clusters;
  ClusterList static_clusters;
  ClusterList merged;
  ClusterList final_clusters;
};

BENCHMARK_F(ClusterGeometry, ExtractDynamicClusters)(benchmark::State & state)
{
  for (auto _ : state) {
    ClusterList clusters;
    qdd::extractClusters(context(), scene.dynamic, clusters);
    benchmark::DoNotOptimize(clusters.data());
  }
  reportCounts(state);
}

BENCHMARK_F(ClusterGeometry, ExtractStaticClusters)(benchmark::State & state)
{
  for (auto _ : state) {
    ClusterList clusters;
    qdd::extractClusters(context(), scene.statics, clusters);
    benchmark::DoNotOptimize(clusters.data());
  }
  reportCounts(state);
}

BENCHMARK_F(ClusterGeometry, FeaturesAndScoreOfFinalClusters)(benchmark::State & state)
{
  for (auto _ : state) {
    for (const ClusterCloud & cluster : final_clusters) {
      const qdd::ShapeScore score = qdd::scorePedestrianShape(
        qdd::computeClusterFeatures(cluster), qdd::DEFAULT_CLASSIFIER_CONFIG);
      benchmark::DoNotOptimize(score);
    }
  }
  reportCounts(state);
}

BENCHMARK_F(ClusterGeometry, MergeNearbyLegLikeClusters)(benchmark::State & state)
{
  for (auto _ : state) {
    const ClusterList result = qdd::mergeNearbyLegLikeClusters(dynamic_clusters, merge);
    benchmark::DoNotOptimize(result.data());
  }
  reportCounts(state);
}

BENCHMARK_F(ClusterGeometry, AbsorbNearbyStaticLegLikeClusters)(benchmark::State & state)
{
  for (auto _ : state) {
    const ClusterList result =
      qdd::absorbNearbyStaticLegLikeClusters(merged, static_clusters, merge);
    benchmark::DoNotOptimize(result.data());
  }
  reportCounts(state);
}

// Everything the scan pipeline does with cluster geometry for one scan.
BENCHMARK_F(ClusterGeometry, WholeScan)(benchmark::State & state)
{
  for (auto _ : state) {
    ClusterList moving;
    qdd::extractClusters(context(), scene.dynamic, moving);
    moving = qdd::mergeNearbyLegLikeClusters(moving, merge);
    ClusterList statics;
    qdd::extractClusters(context(), scene.statics, statics);
    moving = qdd::absorbNearbyStaticLegLikeClusters(moving, statics, merge);
    for (const ClusterCloud & cluster : moving) {
      const qdd::ShapeScore score = qdd::scorePedestrianShape(
        qdd::computeClusterFeatures(cluster), qdd::DEFAULT_CLASSIFIER_CONFIG);
      benchmark::DoNotOptimize(score);
    }
  }
  reportCounts(state);
}

// How clustering grows with the beam count, for a 270-degree scan of a wall 1 m around the
// scanner (Arg 0) and for a degenerate scan whose every range is 1 cm, all points next to the
// scanner (Arg 1): each point's radius search then returns every other point. (Ranges of 0 are
// no returns and cost nothing.)
void BM_ExtractClustersByBeamCount(benchmark::State & state)
{
  const auto beams = static_cast<std::size_t>(state.range(0));
  const bool coincident = state.range(1) == 1;
  const qdd::ClusteringConfig clustering{};
  const auto clusterer = qdd::makeClusterer(clustering);
  const auto scan = makeScan(
    std::vector<float>(beams, coincident ? 0.01F : 1.0F), -0.75F * PI_F,
    1.5F * PI_F / static_cast<float>(beams - 1));
  for (auto _ : state) {
    ClusterList clusters;
    qdd::extractClusters({clustering, *clusterer}, scan, clusters);
    benchmark::DoNotOptimize(clusters.data());
  }
}
BENCHMARK(BM_ExtractClustersByBeamCount)
  ->ArgsProduct({{1081, 4000, 10000, 16384}, {0, 1}})
  ->Unit(benchmark::kMillisecond)
  ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
