#include "quillon_tools/evaluation/miss_stage_table.hpp"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/evaluation/truth_at_stamp.hpp"

namespace quillon_tools
{
namespace
{

// ns: a scanner's newest scan older than this says nothing of the moment (two scans at 10 Hz,
// with room for one dropped).
constexpr int64_t MAX_SCAN_AGE_NS = 250000000;

}  // namespace

MissStageTable::MissStageTable(std::vector<double> gates_m) : gates_m_(std::move(gates_m)) {}

void MissStageTable::add(
  const GroundTruth & truth, const std::string & scanner_frame, const ScanRecord & record)
{
  const auto at = truthAtStamp(truth, record.stamp_ns);
  const auto frame_pose = at ? outputFramePose(truth, at->robot, scanner_frame) : std::nullopt;
  if (!frame_pose) {
    return;
  }
  Scan scan;
  scan.stamp_ns = record.stamp_ns;
  for (const PersonState & person : at->people) {
    const PlanarVector in_frame = pointIntoFrame(*frame_pose, {person.x, person.y});
    const RecordedPoint place{static_cast<float>(in_frame.x), static_cast<float>(in_frame.y)};
    std::vector<MissStage> stages;
    for (const double gate : gates_m_) {
      stages.push_back(missStage(record, place, gate));
    }
    scan.people.emplace_back(person.id, std::move(stages));
  }
  std::vector<Scan> & scans = scans_[scanner_frame];
  const auto after = std::upper_bound(
    scans.begin(), scans.end(), scan.stamp_ns,
    [](int64_t stamp, const Scan & s) { return stamp < s.stamp_ns; });
  scans.insert(after, std::move(scan));
}

MissStage MissStageTable::stageInScanner(
  const std::vector<Scan> & scans, const WalkingMiss & miss, std::size_t gate) const
{
  const auto after = std::upper_bound(
    scans.begin(), scans.end(), miss.stamp_ns,
    [](int64_t stamp, const Scan & s) { return stamp < s.stamp_ns; });
  if (after == scans.begin() || miss.stamp_ns - std::prev(after)->stamp_ns > MAX_SCAN_AGE_NS) {
    return MissStage::not_recorded;
  }
  for (const auto & [person, stages] : std::prev(after)->people) {
    if (person == miss.person) {
      return stages[gate];
    }
  }
  return MissStage::not_recorded;
}

std::vector<MissStage> MissStageTable::stagesOf(
  const std::vector<WalkingMiss> & misses, const std::string & list_frame, double gate_m) const
{
  const auto gate_at = std::find(gates_m_.begin(), gates_m_.end(), gate_m);
  if (gate_at == gates_m_.end()) {
    throw std::invalid_argument(
      "MissStageTable: no stages kept under a gate of " + std::to_string(gate_m) + " m");
  }
  const auto gate = static_cast<std::size_t>(gate_at - gates_m_.begin());
  std::vector<MissStage> stages;
  stages.reserve(misses.size());
  for (const WalkingMiss & miss : misses) {
    if (miss.object_matched_elsewhere) {
      stages.push_back(MissStage::matched_elsewhere);
      continue;
    }
    std::optional<MissStage> furthest;
    for (const auto & [scanner_frame, scans] : scans_) {
      if (list_frame != ROBOT_FRAME && list_frame != scanner_frame) {
        continue;
      }
      const MissStage stage = stageInScanner(scans, miss, gate);
      if (stage != MissStage::not_recorded) {
        furthest = furthest ? std::max(*furthest, stage) : stage;
      }
    }
    stages.push_back(furthest.value_or(MissStage::not_recorded));
  }
  return stages;
}

}  // namespace quillon_tools
