// A long run of both nodes on a simulated corridor where people keep coming and going, fed as
// fast as the CPU allows: memory, published tracks and the learnt static maps must stay
// bounded. One line per simulated minute (the most live tracks, published objects and static
// map points seen in it), then a summary.
//   quillon_soak [--minutes M] [--rate HZ] [--detector closed|geometric] [--profile NAME|none]
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/replay_runner.hpp"
#include "quillon_tools/runner/scanner_profile.hpp"
#include "quillon_tools/simulation/scenario.hpp"
#include "quillon_tools/simulation/simulator.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

using namespace quillon_tools;

struct Options
{
  double minutes = 60.0;
  double rate_hz = 40.0;
  bool geometric = false;
  std::optional<ScannerProfile> profile;
};

bool parseOptions(int argc, char ** argv, Options & o)
{
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    char * end = nullptr;
    if (arg == "--ros-args") {
      break;
    } else if (arg == "--minutes" && has_value) {
      o.minutes = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(o.minutes >= 1.0)) {
        return false;
      }
    } else if (arg == "--rate" && has_value) {
      o.rate_hz = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(o.rate_hz > 0.0 && o.rate_hz <= 1000.0)) {
        return false;
      }
    } else if (arg == "--detector" && has_value) {
      const std::string d = argv[++i];
      if (d != "closed" && d != "geometric") {
        return false;
      }
      o.geometric = d == "geometric";
    } else if (arg == "--profile" && has_value) {
      if (!readProfileOption("quillon_soak", argv[++i], o.profile)) {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

// Resident and peak resident memory of this process in MB, from /proc/self/status.
std::pair<double, double> residentMemoryMb()
{
  std::ifstream status("/proc/self/status");
  std::string key;
  double rss = 0.0;
  double peak = 0.0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> rss;
    } else if (key == "VmHWM:") {
      status >> peak;
    }
  }
  return {rss / 1024.0, peak / 1024.0};
}

// What the outputs looked like over the last minute.
struct Watch
{
  std::map<std::string, std::size_t> most_objects;
  std::map<std::string, std::size_t> most_map_points;
  std::size_t most_tracks[2] = {0, 0};
  std::size_t lists = 0;
};

int run(const Options & o)
{
  SimulatorConfig config;
  config.scan.rate_hz = o.rate_hz;
  Simulator simulator(comingAndGoingCorridor(o.minutes * 60.0), config);

  Watch watch;
  ReplayOptions options;
  options.geometric_detector = o.geometric;
  options.keep_outputs = false;
  options.on_list = [&watch](const std::string & topic, const ReceivedList & received) {
    std::size_t & most = watch.most_objects[topic];
    most = std::max(most, received.list.objects.size());
    ++watch.lists;
  };
  options.on_static_map = [&watch](
                            const std::string & topic, const sensor_msgs::msg::PointCloud2 & map) {
    std::size_t & most = watch.most_map_points[topic];
    most = std::max(most, static_cast<std::size_t>(map.width) * map.height);
  };
  ReplayRunner runner(options);
  tf2_msgs::msg::TFMessage mounts;
  mounts.transforms = simulator.staticTransforms();
  runner.feedStaticTransforms(mounts, config.start_stamp_ns);
  if (!runner.start()) {
    throw std::runtime_error("trailscan did not find the scanner mounts");
  }

  const std::string parameters =
    o.profile ? "scanner profile " + o.profile->name : std::string("default parameters");
  std::printf(
    "Soak: %.0f simulated minutes of a corridor with people coming and going, two %d-beam "
    "scanners at %.0f Hz, %s detector, %s\n",
    o.minutes, config.scan.beams, o.rate_hz, o.geometric ? "geometric" : "closed",
    parameters.c_str());
  std::printf(
    "minute  wall[s]  x real time  RSS[MB]  peak[MB]  most tracks (scan1 scan2)  "
    "most objects (laser1 laser2 fused)  most map points (scan1 scan2)\n");
  const auto wall_start = std::chrono::steady_clock::now();
  double first_peak = 0.0;
  double simulated_s = 0.0;
  // One line of what the outputs looked like since the previous line.
  const auto report = [&](const std::string & label) {
    const double wall_s =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    const auto [rss, peak] = residentMemoryMb();
    first_peak = first_peak > 0.0 ? first_peak : peak;
    std::printf(
      "%6s  %7.1f  %11.1f  %7.1f  %8.1f  %19zu %5zu  %10zu %6zu %5zu  %24zu %5zu\n", label.c_str(),
      wall_s, simulated_s / wall_s, rss, peak, watch.most_tracks[0], watch.most_tracks[1],
      watch.most_objects["/objects_laser1"], watch.most_objects["/objects_laser2"],
      watch.most_objects["/objects_laser"], watch.most_map_points["/scan1/local_static_map_cloud"],
      watch.most_map_points["/scan2/local_static_map_cloud"]);
    std::fflush(stdout);
    watch = Watch();
  };
  int minute = 0;
  SimulatedScan scan;
  tf2_msgs::msg::TFMessage odom;
  while (simulator.next(scan)) {
    const int64_t stamp = scan.truth.stamp_ns;
    for (const auto & odometry : scan.odometry) {
      odom.transforms = {odometry};
      runner.feedTransforms(odom, stampNanoseconds(odometry.header.stamp));
    }
    runner.feedScan(scan.topic, scan.scan, scan.published_ns);
    for (std::size_t scanner = 0; scanner < 2; ++scanner) {
      watch.most_tracks[scanner] = std::max(watch.most_tracks[scanner], runner.trackCount(scanner));
    }
    simulated_s = static_cast<double>(stamp - config.start_stamp_ns) * 1e-9;
    if (simulated_s >= 60.0 * (minute + 1)) {
      report(std::to_string(++minute));
    }
  }
  if (watch.lists > 0) {
    report("end");
  }
  const auto [rss, peak] = residentMemoryMb();
  std::printf(
    "Peak resident memory: %.1f MB after the first minute, %.1f MB at the end (%.1f MB now)\n",
    first_peak, peak, rss);
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  quillon_tools::keepMessagesInProcess();
  Options options;
  const bool help = quillon_tools::asksForHelp(argc, argv);
  if (help || !parseOptions(argc, argv, options)) {
    return quillon_tools::printUsage(
      "usage: quillon_soak [--minutes M>=1] [--rate HZ] [--detector closed|geometric] "
      "[--profile NAME|none] [--ros-args --params-file FILE ...]\n" +
        quillon_tools::profileUsage(),
      help);
  }
  quillon_tools::RosCommandLine command_line(argc, argv, options.profile);
  return quillon_tools::runWithRos(
    command_line.argc(), command_line.argv(), "quillon_soak", [&options] { return run(options); });
}
