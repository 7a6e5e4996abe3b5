// The demo: a built-in scenario simulated, run through trailscan and trailmerge with the
// profile of the simulated scanner (or the defaults), and scored against the simulation's
// ground truth.
//   quillon_demo [--scenario NAME] [--scanner MODEL] [--seed N]
//                [--detector closed|geometric|both] [--profile NAME|none] [--out DIR]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "quillon_dynamic_detector/clustering_config.hpp"
#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/evaluation/report_table.hpp"
#include "quillon_tools/evaluation/track_svg.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/scanner_profile.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"
#include "quillon_tools/simulation/scanner_model.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

using namespace quillon_tools;

struct Options
{
  std::string scenario = DEFAULT_SCENARIO;
  std::string scanner;  // empty keeps the scenario's own
  uint64_t seed = 1;
  std::vector<bool> geometric = {false, true};
  std::string out_dir = "demo_output";
  // "--profile": unset follows the simulated scanner.
  std::optional<std::optional<ScannerProfile>> profile;
};

std::string joined(const std::vector<std::string> & names)
{
  std::string text;
  for (const auto & n : names) {
    text += (text.empty() ? "" : ", ") + n;
  }
  return text;
}

bool parseOptions(int argc, char ** argv, Options & o)
{
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--ros-args") {
      break;
    } else if (arg == "--scenario" && has_value) {
      o.scenario = argv[++i];
    } else if (arg == "--scanner" && has_value) {
      o.scanner = argv[++i];
      try {
        scannerModel(o.scanner);
      } catch (const std::invalid_argument & e) {
        std::fprintf(stderr, "quillon_demo: %s\n", e.what());
        return false;
      }
    } else if (arg == "--seed" && has_value) {
      char * end = nullptr;
      o.seed = std::strtoull(argv[++i], &end, 10);
      if (*end != '\0') {
        return false;
      }
    } else if (arg == "--detector" && has_value) {
      const std::string d = argv[++i];
      if (d == "closed" || d == "geometric") {
        o.geometric = {d == "geometric"};
      } else if (d == "both") {
        o.geometric = {false, true};
      } else {
        return false;
      }
    } else if (arg == "--profile" && has_value) {
      std::optional<ScannerProfile> chosen;
      if (!readProfileOption("quillon_demo", argv[++i], chosen)) {
        return false;
      }
      o.profile = chosen;
    } else if (arg == "--out" && has_value) {
      o.out_dir = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

// One line, rewritten in place on a terminal.
void showProgress(const std::string & label, double done_s, double total_s)
{
  static const bool terminal = isatty(STDOUT_FILENO) != 0;
  static int last_shown = -1;
  const int tenths = static_cast<int>(done_s * 10.0);
  if (terminal && tenths / 5 != last_shown) {
    last_shown = tenths / 5;
    std::printf("\r  %-9s %5.1f s of %.1f s simulated", label.c_str(), done_s, total_s);
    std::fflush(stdout);
  }
}

// The scenario as the options ask for it: its own scanner unless --scanner names another.
Scenario demoScenario(const Options & o)
{
  Scenario scenario = makeScenario(o.scenario);
  if (!o.scanner.empty()) {
    scenario.scanner = o.scanner;
  }
  return scenario;
}

// --profile when given, else the profile of the simulated scanner model (the built-in scanner
// has none). An unknown scenario is left for run() to report.
std::optional<ScannerProfile> demoProfile(const Options & o)
{
  if (o.profile) {
    return *o.profile;
  }
  std::string scanner;
  try {
    scanner = demoScenario(o).scanner;
  } catch (const std::invalid_argument &) {
    return std::nullopt;
  }
  return scanner.empty() ? std::nullopt : profileOption(scanner);
}

std::string parametersLine(const Options & o, const std::optional<ScannerProfile> & profile)
{
  if (!profile) {
    return "Parameters: the defaults" +
           std::string(o.profile ? " (--profile none)." : " (no profile for this scanner).");
  }
  return "Parameters: scanner profile " + profile->name +
         (o.profile ? " (--profile)."
                    : ", the simulated scanner's (--profile none: the defaults).");
}

int run(const Options & o, const std::optional<ScannerProfile> & profile)
{
  const Scenario scenario = demoScenario(o);
  SimulatorConfig config;
  config.seed = o.seed;
  const ScanSettings scan = withScannerModel(config, scenario.scanner).scan;
  std::printf(
    "Demo: scenario \"%s\" (%.0f s, seed %llu), simulated.\n"
    "Two 270-degree laser scanners on the robot's corners (%s: %d beams, %g Hz) see people\n"
    "walking with a two-leg gait among furniture. Their scans and the robot's odometry run\n"
    "through trailscan (detection, clustering, tracking per scanner) and trailmerge (fusion\n"
    "into base_footprint) in this process on simulated time, and the object lists are scored\n"
    "against the simulation's ground truth.\n%s\n\n",
    scenario.name.c_str(), scenario.duration_s, static_cast<unsigned long long>(o.seed),
    scenario.scanner.empty() ? "built-in" : scenario.scanner.c_str(), scan.beams, scan.rate_hz,
    parametersLine(o, profile).c_str());
  std::filesystem::create_directories(o.out_dir);

  // trailscan clusters nothing farther from a scanner than its clustering range: people farther
  // away are not scored.
  EvaluationOptions scoring;
  scoring.max_range_m = quillon_dynamic_detector::ClusteringConfig().max_range;
  std::vector<std::pair<std::string, EvaluationResult>> rows;
  std::vector<std::string> pictures;
  GroundTruth truth;
  for (const bool geometric : o.geometric) {
    const std::string label = geometric ? "geometric" : "closed";
    ReplayOptions options;
    options.geometric_detector = geometric;
    const ScenarioReplay replay = replayScenario(scenario, config, options, [&](double done_s) {
      showProgress(label, done_s, scenario.duration_s);
    });
    std::printf("\r  %-9s done%40s\n", label.c_str(), "");
    for (auto & row : evaluateReplay(replay.truth, replay.outputs, label, scoring)) {
      rows.push_back(std::move(row));
    }
    SvgOptions svg;
    svg.title = "Scenario " + scenario.name + ", " + label + " detector: fused tracks in odom";
    const std::string picture = o.out_dir + "/" + scenario.name + "_" + label + ".svg";
    writeSvg(picture, replay.truth, scoredLists(replay.outputs, "/objects_laser"), svg);
    pictures.push_back(picture);
    truth = replay.truth;
  }
  const std::string truth_file = o.out_dir + "/" + scenario.name + "_truth.csv";
  writeGroundTruthCsv(truth_file, truth);

  std::printf("\n%s\n%s", formatTable(rows).c_str(), scoringLegend(scoring).c_str());
  std::printf("Latency: processing time per list on this machine.\n");
  for (const auto & p : pictures) {
    std::printf("Picture: %s\n", p.c_str());
  }
  std::printf("Ground truth: %s\n", truth_file.c_str());
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
      "usage: quillon_demo [--scenario NAME] [--scanner MODEL] [--seed N] "
      "[--detector closed|geometric|both] [--profile NAME|none] [--out DIR] "
      "[--ros-args --params-file FILE ...]\nscenarios: " +
        joined(scenarioNames()) +
        "\nscanner models (default: the scenario's, else the built-in idealised scanner): " +
        joined(scannerModelNames()) +
        "\nThe profile defaults to the simulated scanner model's (the built-in scanner has "
        "none).\n" +
        quillon_tools::profileUsage(),
      help);
  }
  std::optional<quillon_tools::ScannerProfile> profile;
  try {
    profile = demoProfile(options);
  } catch (const std::invalid_argument & e) {
    std::fprintf(stderr, "quillon_demo: %s\n", e.what());
    return 1;
  }
  quillon_tools::RosCommandLine command_line(argc, argv, profile);
  return quillon_tools::runWithRos(
    command_line.argc(), command_line.argv(), "quillon_demo",
    [&options, &profile] { return run(options, profile); });
}
