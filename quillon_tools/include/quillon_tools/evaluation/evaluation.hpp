#ifndef QUILLON_TOOLS__EVALUATION__EVALUATION_HPP_
#define QUILLON_TOOLS__EVALUATION__EVALUATION_HPP_

#include <cstdint>
#include <vector>

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/evaluation/truth_at_stamp.hpp"
#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

struct EvaluationOptions
{
  int64_t truth_tolerance_ns = DEFAULT_TRUTH_TOLERANCE_NS;
  double match_distance_m = 0.5;
  // Only people and detections within this distance of the output frame's origin are scored.
  double max_range_m = 8.0;
  // An unmatched detection this close to a furniture item's circle counts as a furniture FP.
  double furniture_margin_m = 0.3;
  int32_t pedestrian_classification = 1;
};

// CLEAR-MOT style scores of one output topic. Ratios and means that have no denominator
// (no detections, no truth, no matches, no latencies) are NaN.
struct EvaluationResult
{
  int64_t lists_scored = 0;
  int64_t lists_without_truth = 0;
  int64_t lists_in_unknown_frame = 0;
  int64_t detections_dropped = 0;  // pedestrian objects with a non-finite position or velocity

  int64_t ground_truth = 0;  // truth people in range, summed over the scored lists
  int64_t true_positives = 0;
  int64_t false_positives = 0;
  int64_t false_negatives = 0;
  int64_t id_switches = 0;
  int64_t false_positives_on_furniture = 0;

  double precision = 0.0;
  double recall = 0.0;
  double f1 = 0.0;
  double mota = 0.0;
  double mean_position_error_m = 0.0;
  double mean_velocity_error_mps = 0.0;

  int64_t latency_count = 0;
  double latency_median_ms = 0.0;
  double latency_max_ms = 0.0;
};

// Scores the lists of one topic (in publication order) against `truth`. Each list is scored in
// its header frame against the truth nearest in stamp; lists in a frame that is neither
// "base_footprint" nor a mounted scanner, or with no truth near their stamp, are only counted.
// Throws std::invalid_argument when a list's ids are neither empty nor parallel to its objects.
EvaluationResult evaluate(
  const GroundTruth & truth, const std::vector<ScoredList> & lists,
  const EvaluationOptions & options = {});

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__EVALUATION_HPP_
