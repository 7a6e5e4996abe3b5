// Speed of the offline runner as a multiple of real time: a recording of two 1081-beam scanners
// at 40 Hz (simulated) run through trailscan and trailmerge, once per detector. The counter
// "x_real_time" is seconds of recording per second of this machine.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/scenario_bag.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;

constexpr double RECORDING_S = 10.0;

const fs::path & recording()
{
  static const fs::path bag = [] {
    const fs::path folder = fs::temp_directory_path() / "quillon_offline_runner_benchmark";
    fs::remove_all(folder);
    SimulatorConfig config;
    config.scan.rate_hz = 40.0;
    config.duration_s = RECORDING_S;
    writeScenarioBag(makeScenario(DEFAULT_SCENARIO), config, folder);
    return folder;
  }();
  return bag;
}

void offlineRun(benchmark::State & state, bool geometric)
{
  ReplayOptions options;
  options.geometric_detector = geometric;
  const fs::path & bag = recording();
  double recorded_s = 0.0;
  for (auto _ : state) {
    const BagReplay replay = replayBag(bag, options);
    recorded_s += static_cast<double>(replay.summary.bag_duration_ns) * 1e-9;
    benchmark::DoNotOptimize(replay.summary.lists_out);
  }
  state.counters["x_real_time"] = benchmark::Counter(recorded_s, benchmark::Counter::kIsRate);
}

void closedDetector(benchmark::State & state) { offlineRun(state, false); }
void geometricDetector(benchmark::State & state) { offlineRun(state, true); }

BENCHMARK(closedDetector)->Unit(benchmark::kSecond)->Iterations(3);
BENCHMARK(geometricDetector)->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace

int main(int argc, char ** argv)
{
  // The runner's nodes talk in this process only.
  setenv("ROS2_COMPAT_TRANSPORT", "in_process", 1);
  rclcpp::init(0, nullptr);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(recording());
  rclcpp::shutdown();
  return 0;
}
