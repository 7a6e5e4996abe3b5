// The demo: a built-in scenario simulated with a class of real scanner (DEMO_SCANNER unless
// told otherwise), run through trailscan and trailmerge with the profile of the simulated scanner
// (or the defaults), and scored against the simulation's ground truth: a few plain lines, then
// the full table.
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
#include "quillon_tools/runner/demo_report.hpp"
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
  std::string scanner;  // --scanner; empty: the scenario's own, else DEMO_SCANNER
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
        demoScanner(o.scanner, "");  // refuses an unknown name
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

// One line on a terminal only, rewritten in place and cleared at the end, so that the output
// opens with the results.
const bool TERMINAL = isatty(STDOUT_FILENO) != 0;

void showProgress(const std::string & scenario, const std::string & label, double done_s)
{
  static int last_shown = -1;
  const int tenths = static_cast<int>(done_s * 10.0);
  if (TERMINAL && tenths / 5 != last_shown) {
    last_shown = tenths / 5;
    std::printf("\r  simulating %s, %s detector: %5.1f s", scenario.c_str(), label.c_str(), done_s);
    std::fflush(stdout);
  }
}

void clearProgress()
{
  if (TERMINAL) {
    std::printf("\r%72s\r", "");
  }
}

// The scenario as the options ask for it: its scanner chosen by demoScanner().
Scenario demoScenario(const Options & o)
{
  Scenario scenario = makeScenario(o.scenario);
  scenario.scanner = demoScanner(o.scanner, scenario.scanner);
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

// Which scanner, and why when the demo chose it.
std::string scannerLine(const Options & o, const std::string & scanner)
{
  if (!o.scanner.empty()) {
    return "Scanner: " + o.scanner + " (--scanner).";
  }
  if (scanner != DEMO_SCANNER) {
    return "Scanner: " + scanner + ", the scenario's own.";
  }
  return "Scanner: " + scanner + ", the demo's default:\n  " + DEMO_SCANNER_REASON +
         ".\n  --scanner " + BUILT_IN_SCANNER +
         ": the idealised scanner with the default parameters.";
}

// How the opening line names the parameters.
std::string parametersWords(const Scenario & scenario, const std::optional<ScannerProfile> & p)
{
  if (!p) {
    return "with the default parameters";
  }
  return p->name == scenario.scanner ? "with its profile" : "with profile " + p->name;
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
  std::filesystem::create_directories(o.out_dir);

  // trailscan clusters nothing farther from a scanner than its clustering range: people farther
  // away are not scored.
  EvaluationOptions scoring;
  scoring.max_range_m = quillon_dynamic_detector::ClusteringConfig().max_range;
  std::vector<std::pair<std::string, EvaluationResult>> rows;
  std::vector<std::string> detectors;
  std::vector<std::string> pictures;
  GroundTruth truth;
  for (const bool geometric : o.geometric) {
    const std::string label = geometric ? "geometric" : "closed";
    ReplayOptions options;
    options.geometric_detector = geometric;
    const ScenarioReplay replay = replayScenario(scenario, config, options, [&](double done_s) {
      showProgress(scenario.name, label, done_s);
    });
    detectors.push_back(label);
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
  clearProgress();

  std::printf(
    "%s\n",
    demoSummary(scenario, parametersWords(scenario, profile), detectors, rows, pictures).c_str());
  std::printf(
    "Demo: scenario \"%s\" (%.0f s, seed %llu), simulated. Two 270-degree laser scanners on the\n"
    "robot's corners (%s)\n"
    "see people walking with a two-leg gait among furniture. Their scans and the robot's odometry\n"
    "run through trailscan (detection, clustering, tracking per scanner) and trailmerge (fusion\n"
    "into base_footprint) in this process on simulated time, and the object lists are scored\n"
    "against the simulation's ground truth.\n%s\n%s\n\n",
    scenario.name.c_str(), scenario.duration_s, static_cast<unsigned long long>(o.seed),
    scannerDescription(scenario.scanner).c_str(), scannerLine(o, scenario.scanner).c_str(),
    parametersLine(o, profile).c_str());
  std::printf("%s\n%s", formatTable(rows).c_str(), scoringLegend(scoring).c_str());
  std::printf("Latency: processing time per list on this machine.\n");
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
        joined(scenarioNames()) + " (3 minutes: " + joined(longScenarioNames()) + ")" +
        "\nscanners: " + quillon_tools::BUILT_IN_SCANNER + " (the simulator's idealised one), " +
        joined(scannerModelNames()) + "\nThe default scanner is the scenario's own, else " +
        quillon_tools::DEMO_SCANNER + ": " + quillon_tools::DEMO_SCANNER_REASON +
        ".\nThe profile defaults to the simulated scanner model's (" +
        quillon_tools::BUILT_IN_SCANNER + " has none: the default parameters).\n" +
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
