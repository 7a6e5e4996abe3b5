// Cost of the free-space detector per scan: a robot driving through a furnished room with six
// people walking, at each scanner class's beam count and rate, with the defaults and with the
// profiles' memory of structure (third argument, s). Run by hand; it measures, it does not test.

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "quillon_perception_libs/dynamic_laser_detector.hpp"
#include "support/scan_world.hpp"

namespace
{

using scan_world::Circle;
using scan_world::PlanarPose;

scan_world::World roomAt(double t)
{
  scan_world::World world;
  world.half_length = 8.0;
  world.half_width = 6.0;
  world.circles = {{2.0, -1.0, 0.03}, {2.6, -1.0, 0.03}, {2.0, -1.6, 0.03},
                   {2.6, -1.6, 0.03}, {-2.0, 2.0, 0.2},  {5.0, 3.0, 0.25}};
  for (int person = 0; person < 6; ++person) {
    const double x = -6.0 + std::fmod(1.2 * t + 2.0 * person, 12.0);
    const double y = -4.0 + 1.5 * person;
    const double swing = 0.3 * std::sin(2.0 * M_PI * t + person);
    world.circles.push_back({x + swing, y + 0.1, 0.06});
    world.circles.push_back({x - swing, y - 0.1, 0.06});
  }
  return world;
}

PlanarPose driving(double t)
{
  const double heading = 0.3 * t;
  return {3.0 * std::sin(heading) - 3.0, 3.0 - 3.0 * std::cos(heading), heading};
}

void freeSpaceDetector(benchmark::State & state)
{
  scan_world::Scanner scanner;
  scanner.beams = static_cast<int>(state.range(0));
  scanner.rate_hz = static_cast<double>(state.range(1));
  scanner.noise_sigma = 0.03;
  const auto structure_memory = state.range(2);
  const auto config = std::filesystem::temp_directory_path() /
                      ("free_space_benchmark_" + std::to_string(structure_memory) + ".yaml");
  std::ofstream(config) << "dynamic_laser_detector:\n  structure_memory: " << structure_memory
                        << "\n";
  orvane::perception::DynamicLaserDetector detector(config.string());
  detector.sensor_to_base(0, 3) = 0.3f;

  // Scans of 10 s, made before timing starts; the detector sees them in a loop with
  // advancing stamps so that its memory stays full.
  std::mt19937 noise(3);
  std::vector<sensor_msgs::msg::LaserScan::SharedPtr> scans;
  std::vector<geometry_msgs::msg::Pose> poses;
  for (double t = 0.0; t < 10.0; t += 1.0 / scanner.rate_hz) {
    scans.push_back(scan_world::scanAt(scanner, roomAt, driving, t, &noise));
    poses.push_back(scan_world::poseMessage(driving(t)));
  }
  auto dynamic_scan = std::make_shared<sensor_msgs::msg::LaserScan>();
  auto static_scan = std::make_shared<sensor_msgs::msg::LaserScan>();
  std::size_t k = 0;
  for (auto _ : state) {
    detector.Process(scans[k], poses[k], dynamic_scan, static_scan);
    benchmark::DoNotOptimize(dynamic_scan->ranges.data());
    k = (k + 1) % scans.size();
    if (k == 0) {
      state.PauseTiming();
      detector = orvane::perception::DynamicLaserDetector(config.string());
      detector.sensor_to_base(0, 3) = 0.3f;
      state.ResumeTiming();
    }
  }
  state.SetLabel(
    std::to_string(scanner.beams) + " beams at " + std::to_string(state.range(1)) + " Hz, " +
    (structure_memory > 0 ? "remembering structure" : "defaults"));
}

}  // namespace

BENCHMARK(freeSpaceDetector)
  ->Args({1081, 40, 0})
  ->Args({811, 15, 0})
  ->Args({768, 8, 0})
  ->Args({541, 10, 0})
  ->Args({4096, 20, 0})
  ->Args({1081, 40, 30})
  ->Args({768, 8, 30})
  ->Args({4096, 20, 30})
  ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
