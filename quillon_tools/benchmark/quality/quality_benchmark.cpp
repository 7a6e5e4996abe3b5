// The quality benchmark: every scenario x scanner model x detector (x parameter file) simulated
// into a bag, run through the offline path and scored against the simulation's truth, with the
// default parameters and with the scanner model's profile side by side; one table on the
// terminal, one CSV with every figure; with --real, the same for a folder of real recordings.
// Run by hand; it takes minutes.
//   quillon_quality_benchmark [--scenario NAME]... [--scanner NAME]... [--detector D]
//       [--params FILE]... [--profiles default|matching|both] [--profile NAME] [--seed N]
//       [--duration S] [--csv FILE] [--work DIR] [--real DIR] [--real-only] [--long]
//       [--trace-misses]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bare_clustering.hpp"
#include "benchmark_run.hpp"
#include "benchmark_support.hpp"
#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/pipeline_records.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/scanner_profile.hpp"
#include "quillon_tools/runner/scenario_bag.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"
#include "quillon_tools/simulation/scanner_model.hpp"
#include "rclcpp/rclcpp.hpp"
#include "real_recordings.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;

// A profile row that takes the profile named like the run's scanner model.
constexpr const char * MATCHING_PROFILE = "matching";

struct Options
{
  std::vector<std::string> scenarios;
  std::vector<std::string> scanners;
  std::vector<bool> geometric = {false, true};
  std::vector<std::string> params_files{""};  // "" stands for the defaults
  // The parameter sets of each scanner, side by side: NO_PROFILE, MATCHING_PROFILE or a name.
  std::vector<std::string> profiles{NO_PROFILE, MATCHING_PROFILE};
  uint64_t seed = 1;
  double duration_s = 0.0;
  fs::path csv = "quality_benchmark.csv";
  fs::path work = "quality_benchmark_work";
  fs::path real;  // a folder of real recordings; empty: none
  bool simulator = true;
  bool long_scenarios = false;  // the 3-minute scenarios as well
  // Watch the pipeline to say where each walking miss happened; its work counts in the cost.
  bool trace_misses = false;
};

bool parseOptions(int argc, char ** argv, Options & o)
{
  std::string named_profile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--scenario" && has_value) {
      o.scenarios.push_back(argv[++i]);
    } else if (arg == "--scanner" && has_value) {
      o.scanners.push_back(argv[++i]);
    } else if (arg == "--params" && has_value) {
      o.params_files.push_back(argv[++i]);
    } else if (arg == "--profiles" && has_value) {
      const std::string p = argv[++i];
      if (p != "default" && p != "matching" && p != "both") {
        return false;
      }
      o.profiles = p == "default"    ? std::vector<std::string>{NO_PROFILE}
                   : p == "matching" ? std::vector<std::string>{MATCHING_PROFILE}
                                     : std::vector<std::string>{NO_PROFILE, MATCHING_PROFILE};
    } else if (arg == "--profile" && has_value) {
      named_profile = argv[++i];
      try {
        scannerProfile(named_profile);
      } catch (const std::invalid_argument & e) {
        std::fprintf(stderr, "quillon_quality_benchmark: %s\n", e.what());
        return false;
      }
    } else if (arg == "--detector" && has_value) {
      const std::string d = argv[++i];
      if (d != "closed" && d != "geometric" && d != "both") {
        return false;
      }
      o.geometric =
        d == "both" ? std::vector<bool>{false, true} : std::vector<bool>{d == "geometric"};
    } else if (arg == "--seed" && has_value) {
      char * end = nullptr;
      o.seed = std::strtoull(argv[++i], &end, 10);
      if (*end != '\0') {
        return false;
      }
    } else if (arg == "--duration" && has_value) {
      char * end = nullptr;
      o.duration_s = std::strtod(argv[++i], &end);
      if (*end != '\0' || !std::isfinite(o.duration_s) || o.duration_s <= 0.0) {
        return false;
      }
    } else if (arg == "--csv" && has_value) {
      o.csv = argv[++i];
    } else if (arg == "--work" && has_value) {
      o.work = argv[++i];
    } else if (arg == "--real" && has_value) {
      o.real = argv[++i];
    } else if (arg == "--real-only") {
      o.simulator = false;
    } else if (arg == "--long") {
      o.long_scenarios = true;
    } else if (arg == "--trace-misses") {
      o.trace_misses = true;
    } else {
      return false;
    }
  }
  if (!o.simulator && o.real.empty()) {
    return false;
  }
  if (!named_profile.empty()) {
    std::replace(
      o.profiles.begin(), o.profiles.end(), std::string(MATCHING_PROFILE), named_profile);
  }
  if (o.scenarios.empty()) {
    o.scenarios = scenarioNames();
  }
  if (o.long_scenarios) {
    for (const auto & name : longScenarioNames()) {
      if (std::find(o.scenarios.begin(), o.scenarios.end(), name) == o.scenarios.end()) {
        o.scenarios.push_back(name);
      }
    }
  }
  if (o.scanners.empty()) {
    o.scanners = {BUILT_IN_SCANNER};
    const auto models = scannerModelNames();
    o.scanners.insert(o.scanners.end(), models.begin(), models.end());
  }
  return true;
}

// The profile a row asks for with this scanner: MATCHING_PROFILE takes the scanner model's own
// (the built-in scanner has none).
std::optional<ScannerProfile> rowProfile(const std::string & row, const std::string & scanner)
{
  if (row == MATCHING_PROFILE) {
    const auto known = scannerProfileNames();
    return std::find(known.begin(), known.end(), scanner) == known.end()
             ? std::nullopt
             : std::optional<ScannerProfile>(scannerProfile(scanner));
  }
  return profileOption(row);
}

// The parameter sets a scanner runs with, side by side; a row without a profile only once.
std::vector<std::optional<ScannerProfile>> profilesOf(
  const Options & o, const std::string & scanner)
{
  std::vector<std::optional<ScannerProfile>> sets;
  for (const auto & row : o.profiles) {
    const auto profile = rowProfile(row, scanner);
    const bool seen = std::any_of(sets.begin(), sets.end(), [&](const auto & set) {
      return set.has_value() == profile.has_value() && (!profile || set->name == profile->name);
    });
    if (!seen) {
      sets.push_back(profile);
    }
  }
  return sets;
}

void printHeader()
{
  std::printf(
    "%-20s %-16s %-9s %-12s %-16s | %6s %6s %6s %6s %6s %6s | %6s %6s |", "scenario", "scanner",
    "detector", "params", "profile", "walkR", "standR", "prec", "MOTA", "MOTAw", "IDSW/m", "R@.75",
    "MOTA@.75");
  for (const auto & band : bandLabels()) {
    std::printf(" %7s %7s", ("wR" + band).c_str(), ("P" + band).c_str());
  }
  std::printf(" | %7s %7s %5s\n", "cost ms", "PCL ms", "ratio");
}

// The fused list's figures, one line per run.
void printRun(const Run & r)
{
  const EvaluationResult & fused = r.topics.back().second;
  const GateScores & narrow = fused.gates.at(0);
  const GateScores & wide = fused.gates.at(1);
  std::printf(
    "%-20s %-16s %-9s %-12s %-16s | %6s %6s %6s %6s %6s %6s | %6s %6s |", r.scenario.c_str(),
    r.scanner.c_str(), r.detector.c_str(), r.params.c_str(), r.profile.c_str(),
    fixed3(narrow.walking.recall).c_str(), fixed3(narrow.standing.recall).c_str(),
    fixed3(narrow.precision).c_str(), fixed3(narrow.mota).c_str(),
    fixed3(narrow.walking.mota).c_str(), fixed3(narrow.all.id_switches_per_minute).c_str(),
    fixed3(wide.all.recall).c_str(), fixed3(wide.mota).c_str());
  for (const RangeBandScores & band : narrow.range_bands) {
    std::printf(" %7s %7s", fixed3(band.walking_recall).c_str(), fixed3(band.precision).c_str());
  }
  std::printf(
    " | %7.2f %7.2f %5.2f\n", r.cost_median_ms, r.bare_median_ms,
    r.cost_median_ms / r.bare_median_ms);
  std::fflush(stdout);
}

// Simulates the scenario with the scanner into a bag under `work` (once per pair).
GroundTruth recordScenario(
  const Options & o, const std::string & scenario_name, const std::string & scanner, fs::path & bag)
{
  Scenario scenario = makeScenario(scenario_name);
  if (scanner != BUILT_IN_SCANNER) {
    scenario.scanner = scanner;
  }
  SimulatorConfig config;
  config.seed = o.seed;
  config.duration_s = o.duration_s;
  bag = o.work / (scenario_name + "__" + scanner);
  fs::remove_all(bag);
  return writeScenarioBag(scenario, config, bag);
}

// Ctrl-C or SIGTERM shuts ROS down; the benchmark stops at the next run and keeps the CSV of
// the runs done.
int interrupted(const Options & o)
{
  std::printf("\nInterrupted: %s holds the runs done so far.\n", o.csv.c_str());
  return 1;
}

std::vector<sensor_msgs::msg::LaserScan> allScans(const fs::path & bag)
{
  std::vector<sensor_msgs::msg::LaserScan> all;
  for (auto & [topic, scans] : scansOf(bag)) {
    all.insert(all.end(), scans.begin(), scans.end());
  }
  return all;
}

// The simulator's section; false when interrupted.
bool runSimulated(const Options & o, std::ofstream & csv)
{
  fs::create_directories(o.work);
  printHeader();
  for (const auto & scenario : o.scenarios) {
    for (const auto & scanner : o.scanners) {
      fs::path bag;
      const GroundTruth truth = recordScenario(o, scenario, scanner, bag);
      const double bare_ms = median(bareClusteringMilliseconds(allScans(bag)));
      for (const auto & params : o.params_files) {
        for (const bool geometric : o.geometric) {
          for (const auto & profile : profilesOf(o, scanner)) {
            if (!rclcpp::ok()) {
              return false;
            }
            restartRosWith(params, profile);
            Run r{
              scenario,
              scanner,
              geometric ? "geometric" : "closed",
              params.empty() ? "defaults" : fs::path(params).stem().string(),
              profile ? profile->name : NO_PROFILE,
              {},
              0.0,
              bare_ms,
              std::nullopt,
              {}};
            BagReplayOptions options;
            options.nodes.geometric_detector = geometric;
            EvaluationOptions scoring;
            scoring.record_misses = o.trace_misses;
            MissStageTable stages(scoring.gates_m);
            MissStageRecorder recorder(truth, stages);
            if (o.trace_misses) {
              recorder.observe(options.nodes);
            }
            const BagReplay replay = replayBag(bag, options);
            if (!rclcpp::ok()) {
              return false;  // the run was cut short: not scored
            }
            r.topics = evaluateReplay(truth, replay.outputs, "", scoring);
            if (o.trace_misses) {
              countMissStages(r, stages, replay.outputs);
            }
            r.cost_median_ms = processingMedian(replay.outputs);
            printRun(r);
            writeCsvRows(csv, r);
          }
        }
      }
      fs::remove_all(bag);
    }
  }
  std::printf(
    "\nFused list (/objects_laser), pedestrians matched within 0.5 m unless marked @.75; walkR /\n"
    "standR: recall of walking / standing people; wR<band> / P<band>: walking recall and\n"
    "precision within a band of distance from the nearer scanner (0.5 m gate); profile: the\n"
    "scanner profile of the run (none: the defaults); cost: trailscan's median processing per "
    "scan;\n"
    "PCL: median time of bare PCL Euclidean clustering of the same scans. Every topic, gate and\n"
    "kind of person: %s\n",
    o.csv.c_str());
  return true;
}

int run(const Options & o)
{
  std::ofstream csv(o.csv);
  if (!csv) {
    throw std::runtime_error("cannot write " + o.csv.string());
  }
  writeCsvHeader(csv);
  if (o.simulator && !runSimulated(o, csv)) {
    return interrupted(o);
  }
  if (!o.real.empty() && !runRealRecordings(o.real, o.geometric, csv)) {
    return interrupted(o);
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
      "usage: quillon_quality_benchmark [--scenario NAME]... [--scanner NAME]... "
      "[--detector closed|geometric|both] [--params FILE]... [--profiles default|matching|both] "
      "[--profile NAME] [--seed N] [--duration S] [--csv FILE] [--work DIR] [--real DIR] "
      "[--real-only] [--long] [--trace-misses]\n"
      "Without --scenario or --scanner it runs them all (scanner 'built_in' is the simulator's\n"
      "default); each --params file is one more set of runs besides none.\n"
      "--profiles (default both): each run with the default parameters, with the scanner\n"
      "model's own profile (the built-in scanner has none), or both side by side; --profile NAME\n"
      "takes that profile for every scanner instead of each model's own.\n"
      "--real DIR: then every recording of DIR (bags/NAME/, ground_truth/NAME_ground_truth.csv,\n"
      "the layout of the shared real-recordings pack) with the defaults and with the profile\n"
      "quillon_suggest_profile picks; --real-only skips the simulator.\n"
      "--long: the 3-minute scenarios (office_floor, busy_corridor) as well; they take about as\n"
      "long again as all the others together.\n"
      "--trace-misses: the simulated runs' walking misses by the stage of the pipeline that lost\n"
      "the person (the CSV's misses_ columns); watching the pipeline adds to the cost column.\n" +
        quillon_tools::profileUsage() +
        "Here a --params file plays the part of the user's parameter file (over the profile).\n",
      help);
  }
  return quillon_tools::runWithRos(
    argc, argv, "quillon_quality_benchmark", [&options] { return run(options); });
}
