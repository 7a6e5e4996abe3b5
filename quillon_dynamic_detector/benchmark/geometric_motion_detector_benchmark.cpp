// Cost of GeometricMotionDetector::processScan for one scan of the robot's scanners (1081 beams
// over 270 degrees) of an 8 m x 6 m room with two pillars and three people walking, the robot
// standing, scans 40 ms apart:
// - Typical: the map the detector learns in that room by itself (the counters give its size).
// - TypicalWithSeenThroughMemory: the same with geometric_seen_through_memory 0.4 s (the
//   option as the 40, 15 and 10 Hz profiles set it); ...AndUncoveredDepth: the options as the
//   lidar_768_7p5hz profile sets them.
// - MapAtCap: the map seeded to its cap of 20000 points (a 6.6 cm grid around the robot), kept
//   from ageing so that every scan indexes and searches all of them.
// - Driving...: the robot driving at 0.5 m/s along a corridor 3 m wide with a pillar every 2 m,
//   without options and with the lidar_768_7p5hz profile's (map points kept 4 s while moving).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/geometric_motion_detector.hpp"
#include "scan_builders.hpp"

namespace qdd = quillon_dynamic_detector;

namespace
{

constexpr int SCENE_SCANS = 50;
constexpr double SCAN_PERIOD = 0.04;

// The room while the people walk back and forth across it, one scan per step.
std::vector<sensor_msgs::msg::LaserScan::SharedPtr> makeWalk()
{
  std::vector<sensor_msgs::msg::LaserScan::SharedPtr> scans;
  for (int k = 0; k < SCENE_SCANS; ++k) {
    const float step = 0.05f * static_cast<float>(k < SCENE_SCANS / 2 ? k : SCENE_SCANS - k);
    cluster_builders::Room room;
    room.circles.push_back({2.5f, 2.0f, 0.2f});
    room.circles.push_back({-2.0f, -1.8f, 0.25f});
    cluster_builders::addPerson(room, 1.5f, -1.2f + step);
    cluster_builders::addPerson(room, -1.0f + step, 1.0f);
    cluster_builders::addPerson(room, 3.0f - step, -0.5f);
    scans.push_back(cluster_builders::makeRoomScan(room));
  }
  return scans;
}

// The corridor as the robot sees it while driving; it repeats every 2 m, one scan per step.
constexpr int DRIVE_SCANS = 160;
constexpr double DRIVE_SPEED = 0.5;

std::vector<sensor_msgs::msg::LaserScan::SharedPtr> makeDrive()
{
  std::vector<sensor_msgs::msg::LaserScan::SharedPtr> scans;
  for (int k = 0; k < DRIVE_SCANS; ++k) {
    const double x = DRIVE_SPEED * SCAN_PERIOD * k;
    cluster_builders::Room corridor;
    corridor.half_x = 1000.0f;
    corridor.half_y = 1.5f;
    for (int pillar = -4; pillar < 5; ++pillar) {
      corridor.circles.push_back(
        {static_cast<float>(2.0 * pillar - std::fmod(x, 2.0)), 1.3f, 0.15f});
    }
    scans.push_back(cluster_builders::makeRoomScan(corridor));
  }
  return scans;
}

class DetectorInRoom : public benchmark::Fixture
{
public:
  void SetUp(const benchmark::State &) override
  {
    walk_ = makeWalk();
    drive_ = makeDrive();
  }
  void TearDown(const benchmark::State &) override { detector_.reset(); }

protected:
  void makeDetector(const std::string & name, const std::string & yaml)
  {
    detector_ = std::make_unique<qdd::GeometricMotionDetector>(
      qdd::builders::writeDetectorConfigFile("geometric_motion_detector_benchmark_" + name, yaml));
    time_ = 1000.0;
    step_ = 0;
  }

  void processNextScan()
  {
    if (driving_) {
      pose_ = qdd::builders::makePose(DRIVE_SPEED * SCAN_PERIOD * step_, 0.0, 0.0);
    }
    const auto & scan = driving_ ? drive_[static_cast<std::size_t>(step_ % DRIVE_SCANS)]
                                 : walk_[static_cast<std::size_t>(step_ % SCENE_SCANS)];
    ++step_;
    scan->header.stamp = qdd::builders::stampAt(time_);
    time_ += SCAN_PERIOD;
    detector_->processScan(scan, pose_, dynamic_scan_, static_scan_);
  }

  void measure(benchmark::State & state)
  {
    double map_points = 0.0;
    for (auto _ : state) {
      processNextScan();
      map_points += detector_->localStaticMap().mapSize();
    }
    state.counters["map_points"] =
      benchmark::Counter(map_points, benchmark::Counter::kAvgIterations);
    state.counters["candidates"] =
      static_cast<double>(detector_->localStaticMap().candidates().size());
  }

  std::vector<sensor_msgs::msg::LaserScan::SharedPtr> walk_;
  std::vector<sensor_msgs::msg::LaserScan::SharedPtr> drive_;
  bool driving_ = false;
  std::unique_ptr<qdd::GeometricMotionDetector> detector_;
  geometry_msgs::msg::Pose pose_ = qdd::builders::makePose(0.0, 0.0, 0.0);
  sensor_msgs::msg::LaserScan::SharedPtr dynamic_scan_ =
    std::make_shared<sensor_msgs::msg::LaserScan>();
  sensor_msgs::msg::LaserScan::SharedPtr static_scan_ =
    std::make_shared<sensor_msgs::msg::LaserScan>();
  double time_ = 0.0;
  int step_ = 0;
};

BENCHMARK_DEFINE_F(DetectorInRoom, Typical)(benchmark::State & state)
{
  makeDetector("typical", "");
  for (int k = 0; k < 4 * SCENE_SCANS; ++k) {
    processNextScan();
  }
  measure(state);
}

// The same with the option that asks the last 0.4 s of scans about every return off the map.
BENCHMARK_DEFINE_F(DetectorInRoom, TypicalWithSeenThroughMemory)(benchmark::State & state)
{
  makeDetector("seen_through", "geometric_seen_through_memory: 0.4\n");
  for (int k = 0; k < 4 * SCENE_SCANS; ++k) {
    processNextScan();
  }
  measure(state);
}

// The seen-through options as the lidar_768_7p5hz profile sets them: a longer memory, legs
// stepping away, and learning at rest through the usual sightings.
BENCHMARK_DEFINE_F(DetectorInRoom, TypicalWithSeenThroughMemoryAndUncoveredDepth)
(benchmark::State & state)
{
  makeDetector(
    "seen_through_depth",
    "geometric_seen_through_memory: 0.8\n"
    "geometric_seen_through_uncovered_depth: 0.35\n"
    "geometric_seen_through_learn_at_once_at_rest: false\n");
  for (int k = 0; k < 4 * SCENE_SCANS; ++k) {
    processNextScan();
  }
  measure(state);
}

BENCHMARK_DEFINE_F(DetectorInRoom, MapAtCap)(benchmark::State & state)
{
  makeDetector("cap", "local_map_max_age: 1000000.0\n");
  qdd::LocalStaticMap & map = detector_->localStaticMap();
  const float spacing = 0.066f;
  const int half = static_cast<int>(5.9f / spacing);
  for (int ix = -half; ix <= half; ++ix) {
    for (int iy = -half; iy <= half; ++iy) {
      const qdd::PlanarPoint p{spacing * static_cast<float>(ix), spacing * static_cast<float>(iy)};
      if (p.x * p.x + p.y * p.y <= 5.9f * 5.9f) {
        map.observeStatic(p, false, true, time_);
      }
    }
    map.rebuildIndex();
  }
  map.trimMap();
  for (int k = 0; k < SCENE_SCANS; ++k) {
    processNextScan();
  }
  measure(state);
}

BENCHMARK_DEFINE_F(DetectorInRoom, Driving)(benchmark::State & state)
{
  makeDetector("driving", "");
  driving_ = true;
  for (int k = 0; k < DRIVE_SCANS; ++k) {
    processNextScan();
  }
  measure(state);
}

BENCHMARK_DEFINE_F(DetectorInRoom, DrivingWithTheLidar768Options)(benchmark::State & state)
{
  makeDetector(
    "driving_768",
    "geometric_seen_through_memory: 0.8\n"
    "geometric_seen_through_uncovered_depth: 0.35\n"
    "geometric_seen_through_learn_at_once_at_rest: false\n"
    "local_map_max_age_while_moving: 4.0\n");
  driving_ = true;
  for (int k = 0; k < DRIVE_SCANS; ++k) {
    processNextScan();
  }
  measure(state);
}

BENCHMARK_REGISTER_F(DetectorInRoom, Typical)->Unit(benchmark::kMicrosecond);
BENCHMARK_REGISTER_F(DetectorInRoom, TypicalWithSeenThroughMemory)->Unit(benchmark::kMicrosecond);
BENCHMARK_REGISTER_F(DetectorInRoom, TypicalWithSeenThroughMemoryAndUncoveredDepth)
  ->Unit(benchmark::kMicrosecond);
BENCHMARK_REGISTER_F(DetectorInRoom, MapAtCap)->Unit(benchmark::kMicrosecond);
BENCHMARK_REGISTER_F(DetectorInRoom, Driving)->Unit(benchmark::kMicrosecond);
BENCHMARK_REGISTER_F(DetectorInRoom, DrivingWithTheLidar768Options)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
