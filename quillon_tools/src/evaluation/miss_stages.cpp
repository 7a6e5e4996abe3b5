#include "quillon_tools/evaluation/miss_stages.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/evaluation/truth_at_stamp.hpp"

namespace quillon_tools
{
namespace
{

// m: a return this near a person's centre is one of theirs (legs apart in a stride).
constexpr double PERSON_REACH_M = 0.35;
// m: a coasting track this near a person is taken for the one that followed them.
constexpr double COASTING_REACH_M = 2.0;
// ns: a scanner's newest record older than this says nothing of the moment (two scans at 10 Hz,
// with room for one dropped).
constexpr int64_t MAX_RECORD_AGE_NS = 250000000;

double distance(const RecordedPoint & a, const RecordedPoint & b)
{
  return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

bool anyWithin(const std::vector<RecordedPoint> & points, const RecordedPoint & at, double reach)
{
  return std::any_of(points.begin(), points.end(), [&](const RecordedPoint & p) {
    return distance(p, at) <= reach;
  });
}

// How far a track within the gate carried the person.
MissStage trackStage(const RecordedTrack & track)
{
  if (!track.pedestrian) {
    return MissStage::not_pedestrian_by_shape;
  }
  return track.state == RecordedTrack::State::tentative ? MissStage::not_yet_confirmed
                                                        : MissStage::not_published;
}

// The tracker's stages, once a detection lay within the gate.
MissStage trackerStage(const ScanRecord & record, const RecordedPoint & person, double gate_m)
{
  std::optional<MissStage> furthest;
  bool coasting_nearby = false;
  for (const RecordedTrack & track : record.tracks) {
    const double d = distance(track.position, person);
    if (d <= gate_m) {
      const MissStage stage = trackStage(track);
      furthest = furthest ? std::max(*furthest, stage) : stage;
    } else if (d <= COASTING_REACH_M && track.state == RecordedTrack::State::coasting) {
      coasting_nearby = true;
    }
  }
  if (furthest) {
    return *furthest;
  }
  if (coasting_nearby) {
    return MissStage::lost_while_coasting;
  }
  const bool pedestrian_shape = std::any_of(
    record.detections.begin(), record.detections.end(),
    [&](const auto & d) { return d.pedestrian && distance(d.position, person) <= gate_m; });
  return pedestrian_shape ? MissStage::not_yet_confirmed : MissStage::not_pedestrian_by_shape;
}

// The scanner's newest record at or before `stamp_ns`, if it is recent enough.
const ScanRecord * recordAt(const std::vector<ScanRecord> & records, int64_t stamp_ns)
{
  const auto after = std::upper_bound(
    records.begin(), records.end(), stamp_ns,
    [](int64_t stamp, const ScanRecord & record) { return stamp < record.stamp_ns; });
  if (after == records.begin()) {
    return nullptr;
  }
  const ScanRecord & newest = *std::prev(after);
  return stamp_ns - newest.stamp_ns <= MAX_RECORD_AGE_NS ? &newest : nullptr;
}

// The stage of one miss in one scanner's records; not_recorded without a record or truth.
MissStage stageInScanner(
  const GroundTruth & truth, const WalkingMiss & miss, const std::string & scanner_frame,
  const std::vector<ScanRecord> & records, double gate_m)
{
  const ScanRecord * record = recordAt(records, miss.stamp_ns);
  if (record == nullptr) {
    return MissStage::not_recorded;
  }
  const auto at = truthAtStamp(truth, record->stamp_ns);
  const auto frame_pose = at ? outputFramePose(truth, at->robot, scanner_frame) : std::nullopt;
  if (!frame_pose) {
    return MissStage::not_recorded;
  }
  for (const PersonState & person : at->people) {
    if (person.id == miss.person) {
      const PlanarVector in_frame = pointIntoFrame(*frame_pose, {person.x, person.y});
      return missStage(
        *record, {static_cast<float>(in_frame.x), static_cast<float>(in_frame.y)}, gate_m);
    }
  }
  return MissStage::not_recorded;
}

}  // namespace

const char * missStageName(MissStage stage)
{
  switch (stage) {
    case MissStage::no_returns:
      return "no returns of the person";
    case MissStage::none_moving:
      return "none of their returns moving";
    case MissStage::cluster_too_small_or_split:
      return "no moving cluster: too small or split";
    case MissStage::not_pedestrian_by_shape:
      return "not a pedestrian by shape";
    case MissStage::not_yet_confirmed:
      return "track not yet confirmed";
    case MissStage::lost_while_coasting:
      return "track lost while coasting";
    case MissStage::not_published:
      return "pedestrian track, no object in the list";
    case MissStage::matched_elsewhere:
      return "the object near them matched to another person";
    case MissStage::not_recorded:
      return "no record of the scan";
  }
  return "";
}

MissStage missStage(const ScanRecord & record, const RecordedPoint & person, double gate_m)
{
  const bool moving = anyWithin(record.moving_returns, person, PERSON_REACH_M);
  if (!moving) {
    return anyWithin(record.still_returns, person, PERSON_REACH_M) ? MissStage::none_moving
                                                                   : MissStage::no_returns;
  }
  const bool clustered = std::any_of(
    record.detections.begin(), record.detections.end(),
    [&](const auto & d) { return distance(d.position, person) <= gate_m; });
  return clustered ? trackerStage(record, person, gate_m) : MissStage::cluster_too_small_or_split;
}

std::vector<MissStage> stagesOfMisses(
  const GroundTruth & truth, const std::vector<WalkingMiss> & misses,
  const std::string & list_frame, const PipelineRecords & records, double gate_m)
{
  std::vector<MissStage> stages;
  stages.reserve(misses.size());
  for (const WalkingMiss & miss : misses) {
    if (miss.object_matched_elsewhere) {
      stages.push_back(MissStage::matched_elsewhere);
      continue;
    }
    std::optional<MissStage> furthest;
    for (const auto & [scanner_frame, scanner_records] : records) {
      if (list_frame != ROBOT_FRAME && list_frame != scanner_frame) {
        continue;
      }
      const MissStage stage = stageInScanner(truth, miss, scanner_frame, scanner_records, gate_m);
      if (stage != MissStage::not_recorded) {
        furthest = furthest ? std::max(*furthest, stage) : stage;
      }
    }
    stages.push_back(furthest.value_or(MissStage::not_recorded));
  }
  return stages;
}

}  // namespace quillon_tools
