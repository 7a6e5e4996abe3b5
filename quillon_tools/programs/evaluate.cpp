// Scores the object lists of a result bag (from quillon_offline_run, or recorded on a robot)
// against ground truth in the CSV format of quillon_tools/docs/ground_truth_format.md.
//   quillon_evaluate RESULT_BAG TRUTH.csv [--max-range M]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "quillon_dynamic_detector/clustering_config.hpp"
#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/evaluation/report_table.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/result_bag.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"

namespace
{

using namespace quillon_tools;

struct Options
{
  std::string bag;
  std::string truth;
  EvaluationOptions scoring;
};

bool parsePositive(const std::string & text, double & value)
{
  char * end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && std::isfinite(value) && value > 0.0;
}

bool parseOptions(int argc, char ** argv, Options & o)
{
  // trailscan clusters nothing farther from a scanner than its clustering range: people farther
  // away are not scored.
  o.scoring.max_range_m = quillon_dynamic_detector::ClusteringConfig().max_range;
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--max-range" && i + 1 < argc) {
      if (!parsePositive(argv[++i], o.scoring.max_range_m)) {
        return false;
      }
    } else if (arg.rfind("--", 0) != 0 && positional < 2) {
      (positional++ == 0 ? o.bag : o.truth) = arg;
    } else {
      return false;
    }
  }
  return positional == 2;
}

// Says which messages were left out, and names each list topic that had messages but none
// readable: its scores then describe an empty output, not what the node published.
void printUnreadable(const ResultBag & bag)
{
  if (bag.unreadable.empty()) {
    return;
  }
  std::string counts;
  for (const auto & [topic, count] : bag.unreadable) {
    counts += (counts.empty() ? "" : ", ") + std::to_string(count) + " on " + topic;
  }
  std::printf(
    "skipped unreadable messages (not a valid message of the topic's type), scored without "
    "them: %s\n",
    counts.c_str());
  for (const auto & topic : resultListTopics()) {
    const auto unreadable = bag.unreadable.find(topic);
    if (unreadable != bag.unreadable.end() && bag.lists.count(topic) == 0) {
      std::printf(
        "%s: every message unreadable (%llu), scored as if nothing was published\n", topic.c_str(),
        static_cast<unsigned long long>(unreadable->second));
    }
  }
}

int run(const Options & o)
{
  const GroundTruth truth = readGroundTruthCsv(o.truth);
  const ResultBag bag = readResultBag(o.bag);
  std::filesystem::path folder = std::filesystem::path(o.bag).lexically_normal();
  if (folder.filename().empty()) {
    folder = folder.parent_path();  // "run/" names the folder "run"
  }
  const std::string label = folder.filename().string();
  auto rows = evaluateReplay(truth, bag, label, o.scoring);
  for (auto & row : rows) {
    // A bag keeps no processing times: show them as undefined, not as zero.
    row.second.latency_count = 0;
    row.second.latency_median_ms = std::nan("");
    row.second.latency_max_ms = std::nan("");
  }
  std::printf("%s\n%s", formatTable(rows).c_str(), scoringLegend(o.scoring).c_str());
  std::printf("Latency is not recorded in a bag.\n");
  printUnreadable(bag);
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  const bool help = quillon_tools::asksForHelp(argc, argv);
  if (help || !parseOptions(argc, argv, options)) {
    return quillon_tools::printUsage(
      "usage: quillon_evaluate RESULT_BAG TRUTH.csv [--max-range M]\n", help);
  }
  try {
    return run(options);
  } catch (const std::exception & e) {
    std::fprintf(stderr, "quillon_evaluate: %s\n", e.what());
    return 1;
  }
}
