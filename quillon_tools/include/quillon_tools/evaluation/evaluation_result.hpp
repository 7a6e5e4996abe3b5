#ifndef QUILLON_TOOLS__EVALUATION__EVALUATION_RESULT_HPP_
#define QUILLON_TOOLS__EVALUATION__EVALUATION_RESULT_HPP_

#include <cstdint>
#include <vector>

#include "quillon_tools/evaluation/identity_scores.hpp"

namespace quillon_tools
{

// Ratios and means without a denominator (no detections, no truth, no matches, no latencies, no
// person-time) are NaN throughout.

// How the scored people of one kind (all, walking or standing) fared under one gate. Counts are
// summed over the scored lists; a person scored on a list is one person-frame.
struct PeopleScores
{
  int64_t ground_truth = 0;  // scored person-frames
  int64_t true_positives = 0;
  int64_t false_negatives = 0;
  int64_t id_switches = 0;
  // Scored person-time: each person-frame stands for the time to the next scored list (at most
  // twice the usual interval, so an outage adds none; the last list gets the usual interval).
  double person_minutes = 0.0;

  double recall = 0.0;
  double motp_m = 0.0;  // mean distance of the matched pairs
  double mean_velocity_error_mps = 0.0;
  double id_switches_per_minute = 0.0;  // per minute of scored person-time
  // CLEAR-MOT accuracy for these people alone: 1 - (their misses + the gate's false positives +
  // their identity switches) / their person-frames. A detection of a person of the other kind
  // is no false positive, so walking people are scored as if standing ones were not there.
  double mota = 0.0;
};

// Walking people and detections in one band of distance from the list's scanner (the nearer
// scanner on the fused list): people by their true position, detections by their reported one.
struct RangeBandScores
{
  double from_m = 0.0;  // the band holds distances in (from_m, to_m]; the first one includes 0
  double to_m = 0.0;
  int64_t walking_ground_truth = 0;
  int64_t walking_true_positives = 0;
  int64_t true_positives = 0;   // detections in the band matched to a scored person
  int64_t false_positives = 0;  // detections in the band that matched nobody
  double walking_recall = 0.0;
  double precision = 0.0;
};

// Why a person's output id changed: after they went unmatched for 2 s or more, or for 0.5-2 s;
// with no such gap, their old id was still in the list on a second object near them
// (a duplicate) or went to another object (taken); it came back to them within 0.5 s
// (alternating lists), or it did not (ended: their old track left the list).
enum class SwitchCause
{
  after_long_gap,
  after_short_gap,
  duplicate,
  id_taken,
  alternating,
  old_id_ended
};

// Words for a cause, as the explanation prints them.
const char * switchCauseName(SwitchCause cause);

// One identity switch of a scored person.
struct IdentitySwitch
{
  int64_t stamp_ns = 0;
  int32_t person = 0;
  int32_t from_id = 0;
  int32_t to_id = 0;
  bool standing = false;
  double unmatched_s = 0.0;  // time since the person's previous match with a known id
  // s: the longest stretch of that time during which no scanner could see the person (they
  // left through a door, or walked behind a wall): no tracker that goes by place bridges it.
  double out_of_sight_s = 0.0;
  SwitchCause cause = SwitchCause::old_id_ended;
};

// Whether the person was out of every scanner's sight for 2 s or more before the switch.
bool afterLeavingSight(const IdentitySwitch & change);

// A scored walking person the list held no object for.
struct WalkingMiss
{
  int64_t stamp_ns = 0;  // the list's
  int32_t person = 0;
  // The list held an object within the gate, matched to somebody else (one object for two).
  bool object_matched_elsewhere = false;
};

// CLEAR-MOT scores under one gate. False positives belong to no person, so they are counted only
// here, not per kind of person. A detection of nobody inside a region the truth ignores in its
// frame is no false positive and counts nowhere.
struct GateScores
{
  double gate_m = 0.0;
  PeopleScores all;
  PeopleScores walking;
  PeopleScores standing;
  int64_t false_positives = 0;
  int64_t false_positives_on_furniture = 0;
  double precision = 0.0;
  double f1 = 0.0;
  double mota = 0.0;
  std::vector<RangeBandScores> range_bands;  // one per band of EvaluationOptions, nearest first

  // How many tracks the false positives of the whole run came from: distinct known output ids,
  // and the false positives whose id is unknown.
  int64_t false_positive_ids = 0;
  int64_t false_positives_unknown_id = 0;
  // The false positives by where they were: within 1 m of a true person (a duplicate or a track
  // trailing them), else within the furniture margin of furniture, else elsewhere.
  int64_t false_positives_near_person = 0;
  int64_t false_positives_on_furniture_only = 0;
  int64_t false_positives_elsewhere = 0;
  // The time the scored lists stand for, steps taken as for person-time (a list weighs 1), so
  // that rates run over labelled time only.
  double scored_minutes = 0.0;
  double false_positives_per_minute = 0.0;
  double false_positive_ids_per_minute = 0.0;
  // The longest stretch of consecutive scored lists in which one output id was a false positive
  // within furniture_margin_m of furniture, in seconds of scored time (0 when there is none).
  double longest_false_id_near_furniture_s = 0.0;
  // Who kept their id over the whole run (IDF1 and its counts).
  IdentityScores identity;
  // Every identity switch of the scored people, in order, with its cause.
  std::vector<IdentitySwitch> switches;
  // Every miss of a walking person, in order; kept only with EvaluationOptions::record_misses.
  std::vector<WalkingMiss> walking_misses;
};

// The scores of one output topic.
struct EvaluationResult
{
  int64_t lists_scored = 0;
  int64_t lists_without_truth = 0;
  int64_t lists_in_unknown_frame = 0;
  int64_t detections_dropped = 0;  // pedestrian objects with a non-finite position or velocity

  std::vector<GateScores> gates;  // one per EvaluationOptions::gates_m, in that order

  int64_t latency_count = 0;
  double latency_median_ms = 0.0;
  double latency_max_ms = 0.0;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__EVALUATION_RESULT_HPP_
