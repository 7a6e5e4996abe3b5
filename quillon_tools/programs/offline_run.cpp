// Runs a recording through trailscan and trailmerge in this process as fast as the CPU allows,
// on the recording's own time, and writes what they published into a result bag.
//   quillon_offline_run IN_BAG OUT_BAG [--csv DIR] [--detector closed|geometric]
//                       [--ros-args --params-file F ...]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/object_list_csv.hpp"
#include "quillon_tools/runner/program_main.hpp"
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
    } else if (arg == "--csv" && has_value) {
      o.csv_dir = argv[++i];
    } else if (arg == "--detector" && has_value) {
      const std::string d = argv[++i];
      if (d != "closed" && d != "geometric") {
        return false;
      }
      o.geometric = d == "geometric";
    } else if (arg.rfind("--", 0) != 0 && positional < 2) {
      (positional++ == 0 ? o.in_bag : o.out_bag) = arg;
    } else {
      return false;
    }
  }
  return positional == 2;
}

class Interrupted : public std::runtime_error
{
public:
  Interrupted() : std::runtime_error("interrupted") {}
};

// One line, rewritten in place on a terminal; stops the run on Ctrl-C.
void showProgress(double done_s, double total_s)
{
  if (!rclcpp::ok()) {
    throw Interrupted();
  }
  static const bool terminal = isatty(STDOUT_FILENO) != 0;
  static int last_shown = -1;
  const int halves = static_cast<int>(done_s * 2.0);
  if (terminal && halves != last_shown) {
    last_shown = halves;
    std::printf("\r  %6.1f s of %.1f s", done_s, total_s);
    std::fflush(stdout);
  }
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

void printSummary(const BagReplaySummary & s, double wall_s)
{
  const double bag_s = static_cast<double>(s.bag_duration_ns) * 1e-9;
  std::printf(
    "\nmessages in: %llu (scans and transforms), scans processed: %llu, lists out: %llu\n",
    static_cast<unsigned long long>(s.messages_in),
    static_cast<unsigned long long>(s.scans_processed),
    static_cast<unsigned long long>(s.lists_out));
  std::printf(
    "skipped: %llu scans before the mounts were known, %llu unreadable messages; ignored: %llu "
    "on other topics, %llu of unknown types\n",
    static_cast<unsigned long long>(s.scans_before_start),
    static_cast<unsigned long long>(s.messages_malformed),
    static_cast<unsigned long long>(s.messages_other_topics),
    static_cast<unsigned long long>(s.messages_unknown_types));
  std::printf(
    "%.2f s of recording in %.2f s: %.1f x real time\n", bag_s, wall_s,
    wall_s > 0.0 ? bag_s / wall_s : 0.0);
}

int run(const Options & o)
{
  ReplayOptions options;
  options.geometric_detector = o.geometric;
  BagWriter results;
  results.open(o.out_bag);
  const auto wall_start = std::chrono::steady_clock::now();
  BagReplay replay;
  try {
    replay = replayBag(o.in_bag, options, &results, showProgress);
    results.close();
  } catch (...) {
    // A half-written result would block the next run (a bag folder is never overwritten).
    results.close();
    fs::remove_all(o.out_bag);
    throw;
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_start;
  printSummary(replay.summary, wall.count());
  std::printf("Result bag: %s\n", o.out_bag.c_str());
  if (!o.csv_dir.empty()) {
    writeCsvFiles(o.csv_dir, replay.outputs);
  }
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  quillon_tools::keepMessagesInProcess();
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(
      stderr,
      "usage: quillon_offline_run IN_BAG OUT_BAG [--csv DIR] [--detector closed|geometric] "
      "[--ros-args --params-file FILE ...]\n"
      "--detector (default closed) decides the detector, whatever a parameter file says.\n");
    return 2;
  }
  return quillon_tools::runWithRos(
    argc, argv, "quillon_offline_run", [&options] { return run(options); });
}
