// The stage of the pipeline every truth person reached in each recorded scan: what the error
// analysis keeps of the pipeline's records, a few bytes per person and scan, so that long runs
// need not keep the scans themselves.
#ifndef QUILLON_TOOLS__EVALUATION__MISS_STAGE_TABLE_HPP_
#define QUILLON_TOOLS__EVALUATION__MISS_STAGE_TABLE_HPP_

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "quillon_tools/evaluation/evaluation_result.hpp"
#include "quillon_tools/evaluation/miss_stages.hpp"
#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

class MissStageTable
{
public:
  // The stages are kept under each of these gates (EvaluationOptions::gates_m).
  explicit MissStageTable(std::vector<double> gates_m);

  // Adds what `record` of the scanner mounted as `scanner_frame` says of every person of the
  // truth at its stamp. A record without truth near its stamp, or of a frame the truth does not
  // mount, adds nothing.
  void add(const GroundTruth & truth, const std::string & scanner_frame, const ScanRecord & record);

  bool empty() const { return scans_.empty(); }

  // The stage of each miss of one list (in `list_frame`) under the gate `gate_m` (one of the
  // table's): the stage in the list's scanner's newest scan at or before the miss, or on the
  // fused list ("base_footprint") the furthest of both scanners'; a miss beside an object matched
  // elsewhere is that whatever the scans say; not_recorded without a scan of the last 0.25 s.
  // Throws std::invalid_argument for a gate the table does not keep.
  std::vector<MissStage> stagesOf(
    const std::vector<WalkingMiss> & misses, const std::string & list_frame, double gate_m) const;

private:
  struct Scan
  {
    int64_t stamp_ns = 0;
    // Per person, their stage under each gate.
    std::vector<std::pair<int32_t, std::vector<MissStage>>> people;
  };

  MissStage stageInScanner(
    const std::vector<Scan> & scans, const WalkingMiss & miss, std::size_t gate) const;

  std::vector<double> gates_m_;
  std::map<std::string, std::vector<Scan>> scans_;  // by scanner frame, in stamp order
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__MISS_STAGE_TABLE_HPP_
