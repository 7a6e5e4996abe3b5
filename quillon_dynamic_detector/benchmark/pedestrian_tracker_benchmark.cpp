// Cost of one scan of the tracker as the scan pipeline sees it: `update`, then the exported
// objects and the markers, for a crowd of people walking in small circles on a grid.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "quillon_dynamic_detector/planar_geometry.hpp"
#include "tracker_builders.hpp"

namespace
{

using quillon_dynamic_detector::ClusterList;
using quillon_dynamic_detector::PedestrianTracker;
using quillon_dynamic_detector::PI;
using quillon_dynamic_detector::TrackerConfig;
using Object = quillon_protocol::msg::Object;

constexpr int FRAMES_PER_CIRCLE = 64;
constexpr double SCAN_PERIOD = 0.1;
constexpr double GRID_SPACING = 1.5;
constexpr double CIRCLE_RADIUS = 0.3;

// An eight-point outline around a person's centre, as the convex hull of a cluster would be.
void addOutline(Object & detection)
{
  for (int k = 0; k < 8; ++k) {
    geometry_msgs::msg::Point32 point;
    point.x = static_cast<float>(detection.pose.position.x + 0.2 * std::cos(k * PI / 4.0));
    point.y = static_cast<float>(detection.pose.position.y + 0.2 * std::sin(k * PI / 4.0));
    detection.polygon.push_back(point);
  }
}

// Detections of `people` persons for each frame of one circle.
std::vector<std::vector<Object>> makeFrames(int people)
{
  const int columns = static_cast<int>(std::ceil(std::sqrt(people)));
  std::vector<std::vector<Object>> frames(FRAMES_PER_CIRCLE);
  for (int frame = 0; frame < FRAMES_PER_CIRCLE; ++frame) {
    const double angle = 2.0 * PI * frame / FRAMES_PER_CIRCLE;
    for (int person = 0; person < people; ++person) {
      Object detection = tracker_builders::makeDetection(
        GRID_SPACING * (person % columns) + CIRCLE_RADIUS * std::cos(angle),
        GRID_SPACING * (person / columns) + CIRCLE_RADIUS * std::sin(angle));
      addOutline(detection);
      frames[frame].push_back(detection);
    }
  }
  return frames;
}

// Walls around the crowd, as static clusters of 40 points each.
ClusterList makeWalls(int people)
{
  const float extent = static_cast<float>(GRID_SPACING * std::ceil(std::sqrt(people)));
  ClusterList walls;
  for (int side = 0; side < 4; ++side) {
    std::vector<std::pair<float, float>> points;
    for (int k = 0; k < 40; ++k) {
      const float along = extent * static_cast<float>(k) / 40.0f;
      points.emplace_back(
        side < 2 ? along : -1.0f - (side - 2) * 0.5f, side < 2 ? -1.0f - side * 0.5f : along);
    }
    walls.push_back(cluster_builders::makeCluster(points));
  }
  return walls;
}

void BM_TrackerScan(benchmark::State & state)
{
  const int people = static_cast<int>(state.range(0));
  const auto frames = makeFrames(people);
  const ClusterList walls = makeWalls(people);
  const std::vector<float> scores(people, 0.8f);
  PedestrianTracker tracker{TrackerConfig()};
  double t = 0.0;
  int frame = 0;
  const auto scan = [&]() {
    tracker.update(frames[frame], walls, scores, t);
    t += SCAN_PERIOD;
    frame = (frame + 1) % FRAMES_PER_CIRCLE;
  };
  // Settle the tracks into confirmed, published pedestrians first.
  for (int warm_up = 0; warm_up < FRAMES_PER_CIRCLE; ++warm_up) {
    scan();
  }
  std::size_t published = 0;
  for (auto _ : state) {
    scan();
    const auto objects = tracker.exportTracks();
    const auto markers = tracker.buildMarkers("base_scan_01", builtin_interfaces::msg::Time());
    published = objects.size();
    benchmark::DoNotOptimize(markers.data());
  }
  state.counters["tracks"] = static_cast<double>(tracker.tracks().size());
  state.counters["published"] = static_cast<double>(published);
}

BENCHMARK(BM_TrackerScan)->Arg(30)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
