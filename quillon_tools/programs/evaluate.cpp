// Scores the object lists of a result bag (from quillon_offline_run, or recorded on a robot)
// against ground truth in the CSV format of docs/ground_truth_format.md, or, with
// --nobody-here, against a recording in which nobody was around the robot: its odometry and scans
// give the robot's path and view, and every pedestrian reported within range is a false
// positive. RECORDING_BAG may be RESULT_BAG itself when the robot recorded /tf beside the lists.
//   quillon_evaluate RESULT_BAG TRUTH.csv [--max-range M] [--explain]
//   quillon_evaluate RESULT_BAG --nobody-here RECORDING_BAG [--max-range M]
// --explain adds where the false positives were, every identity switch with its cause and the
// walking misses by the stage where the pipeline lost the person.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "quillon_dynamic_detector/clustering_config.hpp"
#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/evaluation/miss_stage_table.hpp"
#include "quillon_tools/evaluation/miss_stages.hpp"
#include "quillon_tools/evaluation/report_table.hpp"
#include "quillon_tools/evaluation/robot_only_truth.hpp"
#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/runner/pipeline_records.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/result_bag.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"

namespace
{

using namespace quillon_tools;

constexpr const char * USAGE =
  "usage: quillon_evaluate RESULT_BAG TRUTH.csv [--max-range M] [--explain]\n"
  "       quillon_evaluate RESULT_BAG --nobody-here RECORDING_BAG [--max-range M]\n"
  "--explain adds, per list topic and gate, where the false positives were (near a true person,\n"
  "on furniture, elsewhere) and every identity switch with its cause (a gap of 2 s or more or of\n"
  "0.5-2 s without a match, a duplicate near the person, the id taken by another object, lists\n"
  "alternating, the old id gone), with the count of each cause, and the walking misses by the\n"
  "stage where the person fell out of the pipeline (no returns, none moving, no cluster, not a\n"
  "pedestrian by shape, not yet confirmed, lost while coasting, no object in the list), from\n"
  "what quillon_offline_run --debug-topics recorded, or the object near them matched to\n"
  "another person.\n";

// The gate of the false-pedestrian lines.
constexpr double FALSE_PEDESTRIAN_GATE_M = 0.5;

struct Options
{
  std::string bag;
  std::string truth;
  std::string nobody_here;  // a recording without people, in place of `truth`
  EvaluationOptions scoring;
  bool explain = false;
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
    } else if (arg == "--explain") {
      o.explain = true;
      o.scoring.record_misses = true;
    } else if (arg == "--nobody-here" && i + 1 < argc && o.nobody_here.empty()) {
      o.nobody_here = argv[++i];
    } else if (arg.rfind("--", 0) != 0 && positional < 2) {
      (positional++ == 0 ? o.bag : o.truth) = arg;
    } else {
      return false;
    }
  }
  return positional == (o.nobody_here.empty() ? 2 : 1);
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

std::string formatRate(double value)
{
  if (!std::isfinite(value)) {
    return "-";
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f", value);
  return text;
}

// One line per list topic: how often and from how many tracks a pedestrian was reported where
// nobody was, per minute of scored time.
void printFalsePedestrians(const std::vector<std::pair<std::string, EvaluationResult>> & rows)
{
  std::printf(
    "False pedestrians (matched within %.2g m), per minute of scored time:\n",
    FALSE_PEDESTRIAN_GATE_M);
  for (const auto & [name, result] : rows) {
    const auto gate = std::find_if(result.gates.begin(), result.gates.end(), [](const auto & g) {
      return g.gate_m == FALSE_PEDESTRIAN_GATE_M;
    });
    if (gate == result.gates.end()) {
      continue;
    }
    std::printf(
      "  %s: %s entries per minute (%lld in %s min), %lld distinct false ids (%s per minute), "
      "%lld entries without id\n",
      name.c_str(), formatRate(gate->false_positives_per_minute).c_str(),
      static_cast<long long>(gate->false_positives), formatRate(gate->scored_minutes).c_str(),
      static_cast<long long>(gate->false_positive_ids),
      formatRate(gate->false_positive_ids_per_minute).c_str(),
      static_cast<long long>(gate->false_positives_unknown_id));
  }
}

// Nanoseconds of the first list of each scored topic (0 for a topic without lists), in the order
// of the rows: the explanation's times count from there.
std::vector<int64_t> firstListStamps(const ResultBag & bag)
{
  std::vector<int64_t> stamps;
  for (const std::string & topic : scoredTopics()) {
    const auto lists = bag.lists.find(topic);
    stamps.push_back(
      lists == bag.lists.end() || lists->second.empty()
        ? 0
        : stampNanoseconds(lists->second.front().list.header.stamp));
  }
  return stamps;
}

double secondsSince(int64_t origin_ns, int64_t stamp_ns)
{
  return 1e-9 * static_cast<double>(stamp_ns - origin_ns);
}

// How long a switched person was out of every scanner's sight before the switch, if half a
// second or more.
std::string outOfSightNote(const IdentitySwitch & change)
{
  if (!(change.out_of_sight_s >= 0.5)) {
    return "";
  }
  char text[64];
  std::snprintf(
    text, sizeof(text), ", out of every scanner's sight for %.2f s of it", change.out_of_sight_s);
  return text;
}

// For each list topic and gate: where its false positives were, then every identity switch with
// its cause and the count per cause.
void printSwitches(
  const std::vector<std::pair<std::string, EvaluationResult>> & rows,
  const std::vector<int64_t> & origins)
{
  const SwitchCause causes[] = {SwitchCause::after_long_gap, SwitchCause::after_short_gap,
                                SwitchCause::duplicate,      SwitchCause::id_taken,
                                SwitchCause::alternating,    SwitchCause::old_id_ended};
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const auto & [name, result] = rows[row];
    for (const GateScores & gate : result.gates) {
      std::printf(
        "False positives of %s within %.2g m: %lld within 1 m of a true person (duplicate or "
        "trailing), %lld on furniture, %lld elsewhere\n",
        name.c_str(), gate.gate_m, static_cast<long long>(gate.false_positives_near_person),
        static_cast<long long>(gate.false_positives_on_furniture_only),
        static_cast<long long>(gate.false_positives_elsewhere));
      std::printf(
        "Identity switches of %s within %.2g m: %zu\n", name.c_str(), gate.gate_m,
        gate.switches.size());
      if (gate.switches.empty()) {
        continue;
      }
      for (const IdentitySwitch & change : gate.switches) {
        std::printf(
          "  %.2f s person %d (%s): id %d -> %d, %.2f s after their last match: %s%s\n",
          secondsSince(origins.at(row), change.stamp_ns), change.person,
          change.standing ? "standing" : "walking", change.from_id, change.to_id,
          change.unmatched_s, switchCauseName(change.cause), outOfSightNote(change).c_str());
      }
      for (const SwitchCause cause : causes) {
        const auto count = std::count_if(
          gate.switches.begin(), gate.switches.end(),
          [cause](const IdentitySwitch & change) { return change.cause == cause; });
        std::printf("  %ld %s\n", static_cast<long>(count), switchCauseName(cause));
      }
      std::printf(
        "  %ld of them after the person was out of every scanner's sight for 2 s or more\n",
        static_cast<long>(
          std::count_if(gate.switches.begin(), gate.switches.end(), afterLeavingSight)));
    }
  }
}

// One person's consecutive misses at one stage.
struct MissStretch
{
  int64_t from_ns = 0;
  int64_t to_ns = 0;
  int32_t person = 0;
  MissStage stage = MissStage::not_recorded;
  int lists = 0;
};

// s: a person's misses closer than this, at one stage, are one stretch.
constexpr double STRETCH_GAP_S = 0.5;

std::vector<MissStretch> missStretches(
  const std::vector<WalkingMiss> & misses, const std::vector<MissStage> & stages)
{
  std::vector<MissStretch> closed;
  std::map<int32_t, MissStretch> open;  // by person
  for (std::size_t i = 0; i < misses.size(); ++i) {
    const auto found = open.find(misses[i].person);
    if (
      found != open.end() && found->second.stage == stages[i] &&
      secondsSince(found->second.to_ns, misses[i].stamp_ns) <= STRETCH_GAP_S) {
      found->second.to_ns = misses[i].stamp_ns;
      ++found->second.lists;
      continue;
    }
    if (found != open.end()) {
      closed.push_back(found->second);
    }
    open[misses[i].person] =
      MissStretch{misses[i].stamp_ns, misses[i].stamp_ns, misses[i].person, stages[i], 1};
  }
  for (const auto & [person, stretch] : open) {
    closed.push_back(stretch);
  }
  std::stable_sort(closed.begin(), closed.end(), [](const auto & a, const auto & b) {
    return a.from_ns < b.from_ns;
  });
  return closed;
}

// For each list topic and gate: the walking misses by the stage where the person fell out of
// the pipeline, from the records --debug-topics put into the result bag, then each stretch of
// one person's misses at one stage.
void printMissStages(
  const std::vector<std::pair<std::string, EvaluationResult>> & rows, const ResultBag & bag,
  const std::vector<int64_t> & origins, const MissStageTable & table)
{
  if (table.empty()) {
    std::printf(
      "Misses by stage: the result bag holds no record of the pipeline (run quillon_offline_run "
      "with --debug-topics)\n");
    return;
  }
  const std::vector<std::string> & topics = scoredTopics();
  for (std::size_t t = 0; t < topics.size() && t < rows.size(); ++t) {
    const auto lists = bag.lists.find(topics[t]);
    if (lists == bag.lists.end() || lists->second.empty()) {
      continue;
    }
    const std::string & frame = lists->second.front().list.header.frame_id;
    for (const GateScores & gate : rows[t].second.gates) {
      const auto stages = table.stagesOf(gate.walking_misses, frame, gate.gate_m);
      std::printf(
        "Walking misses of %s within %.2g m by stage: %zu\n", rows[t].first.c_str(), gate.gate_m,
        stages.size());
      for (std::size_t stage = 0; stage < MISS_STAGE_COUNT; ++stage) {
        std::printf(
          "  %ld %s\n",
          static_cast<long>(std::count(stages.begin(), stages.end(), MissStage(stage))),
          missStageName(MissStage(stage)));
      }
      for (const MissStretch & s : missStretches(gate.walking_misses, stages)) {
        std::printf(
          "  %.2f-%.2f s person %d: %s (%d list%s)\n", secondsSince(origins[t], s.from_ns),
          secondsSince(origins[t], s.to_ns), s.person, missStageName(s.stage), s.lists,
          s.lists == 1 ? "" : "s");
      }
    }
  }
}

int run(const Options & o)
{
  const GroundTruth truth =
    o.nobody_here.empty() ? readGroundTruthCsv(o.truth) : robotOnlyTruth(o.nobody_here);
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
  printFalsePedestrians(rows);
  if (o.explain) {
    const std::vector<int64_t> origins = firstListStamps(bag);
    printSwitches(rows, origins);
    MissStageTable table(o.scoring.gates_m);
    readPipelineRecords(o.bag, [&](const std::string & frame, const ScanRecord & record) {
      table.add(truth, frame, record);
    });
    printMissStages(rows, bag, origins, table);
  }
  if (!o.nobody_here.empty()) {
    std::printf(
      "Nobody was in %s: every pedestrian reported within range is a false positive.\n",
      o.nobody_here.c_str());
  }
  printUnreadable(bag);
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  const bool help = quillon_tools::asksForHelp(argc, argv);
  if (help || !parseOptions(argc, argv, options)) {
    return quillon_tools::printUsage(USAGE, help);
  }
  try {
    return run(options);
  } catch (const std::exception & e) {
    std::fprintf(stderr, "quillon_evaluate: %s\n", e.what());
    return 1;
  }
}
