// Whole per-scan cost of trailscan's pipeline for a realistic scan (1081 beams over 270 degrees,
// an 8 m x 6 m room, six people walking), with either detector; the same for a furnished room
// seen with 1081 to 16384 beams, which sets the beam limit (MAX_SCAN_BEAMS: the pipeline drops
// longer scans, so their rows report an error until the limit is raised for a measurement); then
// the peak memory after 10 000 scans per detector (SOAK_SCANS=0 skips it). The "[PERF]" lines on
// stderr give the stage split.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/scan_pipeline.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "rclcpp/rclcpp.hpp"

using namespace quillon_dynamic_detector;
using sensor_msgs::msg::LaserScan;

namespace
{

constexpr int SCENE_FRAMES = 200;

// Six people on ellipses around the scanner, 10 Hz frames.
std::vector<LaserScan::SharedPtr> walkingPeopleScans()
{
  std::vector<LaserScan::SharedPtr> scans;
  for (int k = 0; k < SCENE_FRAMES; ++k) {
    cluster_builders::Room room;
    for (int p = 0; p < 6; ++p) {
      const double phase = 0.1 * k * (0.4 + 0.05 * p) + p;
      cluster_builders::addPerson(
        room, static_cast<float>((1.2 + 0.35 * p) * std::cos(phase)),
        static_cast<float>((1.0 + 0.25 * p) * std::sin(phase)));
    }
    scans.push_back(cluster_builders::makeRoomScan(room));
  }
  return scans;
}

// The benchmark room: 8 m x 6 m with its walls within the clustering range, furniture (a cabinet,
// a table's four legs, two chairs' legs, a bin) and three people walking, seen over 270 degrees
// by a scanner of `beams` beams at 10 Hz. Nearly every beam returns, so the static scan is dense.
std::vector<LaserScan::SharedPtr> benchmarkRoomScans(std::size_t beams)
{
  cluster_builders::Room furnished;
  furnished.circles.push_back({3.2F, 2.2F, 0.45F});  // cabinet
  furnished.circles.push_back({0.6F, 2.6F, 0.15F});  // bin
  for (const float x : {-2.0F, -1.2F}) {             // table
    for (const float y : {1.6F, 2.3F}) {
      furnished.circles.push_back({x, y, 0.03F});
    }
  }
  for (const float x : {-2.6F, -2.2F, 2.4F, 2.8F}) {  // two chairs' front legs
    furnished.circles.push_back({x, x < 0.0F ? -1.8F : -2.1F, 0.02F});
  }
  const float increment = 1.5F * cluster_builders::PI_F / static_cast<float>(beams - 1);
  std::vector<LaserScan::SharedPtr> scans;
  for (int k = 0; k < SCENE_FRAMES; ++k) {
    cluster_builders::Room room = furnished;
    for (int p = 0; p < 3; ++p) {
      const double phase = 0.1 * k * (0.5 + 0.1 * p) + 2.0 * p;
      cluster_builders::addPerson(
        room, static_cast<float>((1.0 + 0.6 * p) * std::cos(phase)),
        static_cast<float>((0.9 + 0.5 * p) * std::sin(phase)));
    }
    scans.push_back(cluster_builders::makeRoomScan(
      room, true, beams, -0.75F * cluster_builders::PI_F, increment));
  }
  return scans;
}

// One scanner's processing as start-up wires it; nobody listens to its topics.
struct Pipeline
{
  rclcpp::Node::SharedPtr node = std::make_shared<rclcpp::Node>("laser_subscriber");
  TrailscanSettings settings = declareTrailscanParameters(*node);
  std::shared_ptr<tf2_ros::Buffer> buffer = std::make_shared<tf2_ros::Buffer>(node->get_clock());
  std::shared_ptr<Clusterer> clusterer = makeClusterer(settings.clustering);
  orvane::perception::DynamicLaserDetector closed{settings.detector_cfg_file};
  GeometricMotionDetector geometric{settings.detector_cfg_file};
  PedestrianTracker tracker{settings.tracker};
  CloudPublisher cloud = node->create_publisher<sensor_msgs::msg::PointCloud2>("/scan1/cloud", 1);
  ObjectListPublisher objects =
    node->create_publisher<quillon_protocol::msg::ObjectList>("/objects_laser1", 1);
  MarkerPublisher markers =
    node->create_publisher<visualization_msgs::msg::MarkerArray>("/scan1/pedestrian_markers", 1);
  std::vector<LaserScan::SharedPtr> scans;
  int64_t next = 0;

  explicit Pipeline(std::vector<LaserScan::SharedPtr> scene = walkingPeopleScans())
  : scans(std::move(scene))
  {
    // Scans follow each other at 10 Hz in scan time however fast they are processed, so the
    // detectors see a realistic scene; the age check is off for the same reason.
    settings.max_input_age_ms = std::numeric_limits<double>::infinity();
    buffer->setUsingDedicatedThread(true);
    geometry_msgs::msg::TransformStamped odom;
    odom.header.frame_id = "odom";
    odom.child_frame_id = "base_footprint";
    buffer->setTransform(odom, "benchmark", true);
  }

  ScanOutcome processNext(bool geometric_detector)
  {
    LaserScan::SharedPtr scan = scans[next % SCENE_FRAMES];
    scan->header.stamp = rclcpp::Time(1000000000000LL + next * 100000000LL, RCL_ROS_TIME);
    ++next;
    return geometric_detector ? run(scan, geometric) : run(scan, closed);
  }

  template <typename Detector>
  ScanOutcome run(const LaserScan::SharedPtr & scan, Detector & detector)
  {
    return processLaserScan<Detector>(
      scan, buffer, detector, *clusterer, cloud, cloud, cloud, cloud, cloud, objects, markers,
      "top_scan_01", "base_scan_01", settings.clustering, settings.cluster_merge,
      settings.classifier, settings.max_input_age_ms, tracker);
  }
};

void BM_ProcessLaserScan(benchmark::State & state)
{
  const bool geometric = state.range(0) == 1;
  Pipeline pipeline;
  for (auto _ : state) {
    pipeline.processNext(geometric);
  }
  state.SetLabel(geometric ? "geometric detector" : "closed detector");
}
BENCHMARK(BM_ProcessLaserScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Args: beams per scan, detector (0 closed, 1 geometric). Both scanners share one executor
// thread, so at 40 Hz a scan may cost at most 12.5 ms.
void BM_ProcessBenchmarkRoomByBeamCount(benchmark::State & state)
{
  const auto beams = static_cast<std::size_t>(state.range(0));
  const bool geometric = state.range(1) == 1;
  Pipeline pipeline(benchmarkRoomScans(beams));
  if (pipeline.processNext(geometric) != ScanOutcome::kProcessed) {
    state.SkipWithError("the pipeline drops such scans (MAX_SCAN_BEAMS)");
    return;
  }
  for (auto _ : state) {
    pipeline.processNext(geometric);
  }
  state.SetLabel(geometric ? "geometric detector" : "closed detector");
}
BENCHMARK(BM_ProcessBenchmarkRoomByBeamCount)
  ->ArgsProduct({{1081, 2048, 4096, static_cast<int64_t>(MAX_SCAN_BEAMS), 8192, 16384}, {0, 1}})
  ->Unit(benchmark::kMillisecond)
  ->MinTime(2.0);

long peakResidentKilobytes()
{
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void soak(bool geometric, int scans)
{
  Pipeline pipeline;
  for (int i = 0; i < scans; ++i) {
    pipeline.processNext(geometric);
  }
  std::printf(
    "after %d scans with the %s detector: peak resident memory %ld KiB\n", scans,
    geometric ? "geometric" : "closed", peakResidentKilobytes());
}

}  // namespace

int main(int argc, char ** argv)
{
  // Measure the pipeline, not a transport: messages stay in this process.
  setenv("ROS2_COMPAT_TRANSPORT", "in_process", 0);
  rclcpp::init(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  const char * soak_scans = std::getenv("SOAK_SCANS");
  const int scans = soak_scans ? std::atoi(soak_scans) : 10000;
  if (scans <= 0) {
    rclcpp::shutdown();
    return 0;
  }
  std::printf("peak resident memory before the soak: %ld KiB\n", peakResidentKilobytes());
  soak(false, scans);
  soak(true, scans);
  rclcpp::shutdown();
  return 0;
}
