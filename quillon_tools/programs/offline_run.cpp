// Runs a recording through trailscan and trailmerge in this process as fast as the CPU allows,
// on the recording's own time, and writes what they published into a result bag.
//   quillon_offline_run IN_BAG OUT_BAG [--csv DIR] [--detector closed|geometric]
//                       [--clock header|receive] [--profile NAME|none] [--debug-topics]
//                       [--ros-args --params-file F ...]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/detector_returns.hpp"
#include "quillon_tools/runner/object_list_csv.hpp"
#include "quillon_tools/runner/pipeline_records.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/scanner_profile.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;

struct Options
{
  fs::path in_bag;
  fs::path out_bag;
  fs::path csv_dir;
  bool geometric = false;
  ReplayClockSource clock = ReplayClockSource::kHeaderStamps;
  std::optional<ScannerProfile> profile;
  bool debug_topics = false;
};

// Our own options come before any "--ros-args" section, which is left to rclcpp::init.
bool parseOptions(int argc, char ** argv, Options & o)
{
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--ros-args") {
      break;
    } else if (arg == "--debug-topics") {
      o.debug_topics = true;
    } else if (arg == "--csv" && has_value) {
      o.csv_dir = argv[++i];
    } else if (arg == "--detector" && has_value) {
      const std::string d = argv[++i];
      if (d != "closed" && d != "geometric") {
        return false;
      }
      o.geometric = d == "geometric";
    } else if (arg == "--clock" && has_value) {
      const std::string c = argv[++i];
      if (c != "header" && c != "receive") {
        return false;
      }
      o.clock = c == "header" ? ReplayClockSource::kHeaderStamps : ReplayClockSource::kReceiveTimes;
    } else if (arg == "--profile" && has_value) {
      if (!readProfileOption("quillon_offline_run", argv[++i], o.profile)) {
        return false;
      }
    } else if (arg.rfind("--", 0) != 0 && positional < 2) {
      (positional++ == 0 ? o.in_bag : o.out_bag) = arg;
    } else {
      return false;
    }
  }
  return positional == 2;
}

// One line, rewritten in place on a terminal; stops the run on Ctrl-C or SIGTERM.
bool showProgress(double done_s, double total_s)
{
  if (!rclcpp::ok()) {
    return false;
  }
  static const bool terminal = isatty(STDOUT_FILENO) != 0;
  static int last_shown = -1;
  const int halves = static_cast<int>(done_s * 2.0);
  if (terminal && halves != last_shown) {
    last_shown = halves;
    std::printf("\r  %6.1f s of %.1f s", done_s, total_s);
    std::fflush(stdout);
  }
  return true;
}

void writeCsvFiles(const fs::path & dir, const ReplayOutputs & outputs)
{
  fs::create_directories(dir);
  for (const std::string & topic : scoredTopics()) {
    const fs::path file = dir / (topic.substr(1) + ".csv");
    writeObjectListCsv(file, scoredLists(outputs, topic));
    std::printf("CSV: %s\n", file.c_str());
  }
}

unsigned long long n(uint64_t count) { return static_cast<unsigned long long>(count); }

void printSummary(const BagReplaySummary & s, double wall_s)
{
  if (s.single_scanner) {
    std::printf(
      "\none scanner: the recording holds no /scan_02 message, so trailscan ran on "
      "/scan_01 alone\n");
  }
  std::printf(
    "\nscans in: %llu, processed: %llu (%llu of them waited for their transform)\n", n(s.scans_in),
    n(s.scans_processed), n(s.scans_waited));
  std::printf(
    "scans dropped: %llu before the mounts were known, %llu malformed, %llu stale, %llu without "
    "a transform\n",
    n(s.scans_before_start), n(s.scans_malformed), n(s.scans_stale), n(s.scans_no_transform));
  std::printf("lists out:");
  for (const auto & [topic, count] : s.lists_out) {
    std::printf(" %s %llu", topic.c_str(), n(count));
  }
  std::printf(
    "\nmessages in: %llu (scans and transforms); skipped: %llu unreadable transform messages; "
    "ignored: %llu on other topics, %llu of unknown types\n",
    n(s.messages_in), n(s.transforms_malformed), n(s.messages_other_topics),
    n(s.messages_unknown_types));
  const double bag_s = static_cast<double>(s.bag_duration_ns) * 1e-9;
  std::printf(
    "%.2f s of recording in %.2f s: %.1f x real time\n", bag_s, wall_s,
    wall_s > 0.0 ? bag_s / wall_s : 0.0);
}

// Records into the result bag, at each message's stamp, the debug clouds trailscan publishes and
// what its moving-point detector made of each scan (the closed detector publishes its own clouds
// empty), its detections and its tracks, published or not, so that a user sees why a recording
// goes wrong.
void recordDebugTopics(ReplayOptions & options, BagWriter & results)
{
  const auto stampOf = [](const builtin_interfaces::msg::Time & t) {
    return static_cast<int64_t>(t.sec) * 1000000000LL + t.nanosec;
  };
  options.on_debug_cloud = [&results, stampOf](const std::string & topic, const auto & cloud) {
    results.write(topic, stampOf(cloud.header.stamp), cloud);
  };
  options.on_detector_output = [&results, stampOf](
                                 const std::string & scan_topic, const auto & scan,
                                 const auto & moving, const auto & still) {
    const int64_t stamp = stampOf(scan.header.stamp);
    results.write(detectorMovingTopic(scan_topic), stamp, classCloud(scan, moving));
    results.write(detectorStaticTopic(scan_topic), stamp, classCloud(scan, still));
  };
  options.on_tracker_output = [&results, stampOf](
                                const std::string & scan_topic, const auto & scan,
                                const auto & detections, const auto & tracks) {
    const int64_t stamp = stampOf(scan.header.stamp);
    results.write(detectionCloudTopic(scan_topic), stamp, detectionCloud(scan, detections));
    results.write(trackCloudTopic(scan_topic), stamp, trackCloud(scan, tracks));
  };
}

int run(const Options & o)
{
  BagReplayOptions options;
  options.nodes.geometric_detector = o.geometric;
  options.clock = o.clock;
  BagWriter results;
  results.open(o.out_bag);
  if (o.debug_topics) {
    recordDebugTopics(options.nodes, results);
  }
  const auto wall_start = std::chrono::steady_clock::now();
  BagReplay replay;
  try {
    replay = replayBag(o.in_bag, options, &results, showProgress);
    results.close();
  } catch (...) {
    results.close();
    if (!rclcpp::ok()) {
      // A signal during set-up makes rclcpp refuse new nodes: an interruption, not a failure.
      std::printf("Interrupted before the replay began: the result bag is empty.\n");
      return 1;
    }
    // A half-written result would block the next run (a bag folder is never overwritten).
    fs::remove_all(o.out_bag);
    throw;
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_start;
  printSummary(replay.summary, wall.count());
  std::printf("Result bag: %s\n", o.out_bag.c_str());
  if (!o.csv_dir.empty()) {
    writeCsvFiles(o.csv_dir, replay.outputs);
  }
  if (replay.summary.interrupted) {
    std::printf("Interrupted: the result holds what was processed until then.\n");
    return 1;
  }
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
      "usage: quillon_offline_run IN_BAG OUT_BAG [--csv DIR] [--detector closed|geometric] "
      "[--clock header|receive] [--profile NAME|none] [--debug-topics] "
      "[--ros-args --params-file FILE ...]\n"
      "--detector (default closed) decides the detector, whatever a parameter file says.\n"
      "--clock (default header) drives the simulated time by the messages' header stamps or by\n"
      "the recorder's receive times.\n"
      "--debug-topics also records trailscan's debug clouds (/scanN/*_cloud: the clusters of\n"
      "moving and static returns, the geometric detector's candidates and map) and the\n"
      "detector's own split of every scan (/scanN/detector_moving_cloud,\n"
      "/scanN/detector_static_cloud), its detections and every track, published or not\n"
      "(/scanN/detection_cloud, /scanN/track_cloud); quillon_evaluate --explain reads them.\n" +
        quillon_tools::profileUsage(),
      help);
  }
  quillon_tools::RosCommandLine command_line(argc, argv, options.profile);
  return quillon_tools::runWithRos(
    command_line.argc(), command_line.argv(), "quillon_offline_run",
    [&options] { return run(options); });
}
