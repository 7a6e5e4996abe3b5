// One run of the quality benchmark and how it is written: a line on the terminal and rows of the
// CSV, for simulated scenarios and real recordings alike.
#ifndef QUILLON_TOOLS__BENCHMARK__QUALITY__BENCHMARK_RUN_HPP_
#define QUILLON_TOOLS__BENCHMARK__QUALITY__BENCHMARK_RUN_HPP_

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillon_tools/evaluation/evaluation_result.hpp"
#include "quillon_tools/evaluation/miss_stage_table.hpp"
#include "quillon_tools/runner/replay_runner.hpp"

namespace quillon_tools
{

// Of one list topic of a real recording from a scanner at rest: pedestrians beside the walls and
// furniture its scanner keeps seeing, and pedestrians away from them.
struct StructureFigures
{
  // The longest time one id stayed a pedestrian within 0.3 m of a structure return (s).
  double longest_pedestrian_near_structure_s = std::nan("");
  // Pedestrian-seconds published farther than 0.3 m from every structure return.
  double pedestrian_seconds_in_open_area = std::nan("");
};

// What only a real recording tells.
struct RealFigures
{
  // Share of the returns the detector marked moving: of every return when the robot drives
  // (nothing moves in such a recording), of the structure returns when it stands.
  double moving_share = std::nan("");
  std::string moving_share_of;                        // "all_returns" or "structure_returns"
  std::map<std::string, StructureFigures> structure;  // by list topic; robot at rest only
};

// A scenario (or recording) seen by a scanner model, through one detector with one parameter
// file and profile.
struct Run
{
  std::string scenario;
  std::string scanner;
  std::string detector;
  std::string params;
  std::string profile;
  std::vector<std::pair<std::string, EvaluationResult>> topics;  // by list topic; none: no truth
  double cost_median_ms = 0.0;                                   // trailscan's processing per scan
  double bare_median_ms = 0.0;  // PCL's clustering of the same scans
  std::optional<RealFigures> real;
  // Walking misses by stage, by (list topic as in `topics`, gate); empty when not traced.
  std::map<std::pair<std::string, double>, std::array<int64_t, MISS_STAGE_COUNT>> miss_stages;
};

// Fills `r.miss_stages` from the stages the replay's pipeline reached (MissStageRecorder), each
// list in the frame its outputs carry; the runs' walking misses must have been kept
// (EvaluationOptions::record_misses).
void countMissStages(Run & r, const MissStageTable & table, const ReplayOutputs & outputs);

// The range bands runs are scored in, as "<from>_<to>m" (EvaluationOptions's bands).
std::vector<std::string> bandLabels();

void writeCsvHeader(std::ofstream & csv);
// Rows per list topic, gate and kind of person; a run without truth writes one row per topic
// with its real figures alone.
void writeCsvRows(std::ofstream & csv, const Run & r);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__BENCHMARK__QUALITY__BENCHMARK_RUN_HPP_
