#ifndef QUILLON_TOOLS__EVALUATION__EVALUATION_OPTIONS_HPP_
#define QUILLON_TOOLS__EVALUATION__EVALUATION_OPTIONS_HPP_

#include <cstdint>
#include <vector>

#include "quillon_tools/evaluation/truth_at_stamp.hpp"

namespace quillon_tools
{

struct EvaluationOptions
{
  int64_t truth_tolerance_ns = DEFAULT_TRUTH_TOLERANCE_NS;
  // Each gate scores the lists on its own: a detection farther than the gate from a person never
  // matches them. 0.75 m is the gate most people-tracking papers report.
  std::vector<double> gates_m = {0.5, 0.75};

  // The scored set (ScoredSet): people and detections farther than this from the list's scanner
  // (from either scanner on the fused list) are not scored; trailscan clusters nothing beyond 5 m.
  double max_range_m = 5.0;
  // Range bands: walking recall and precision are also reported by distance from the list's
  // scanner (the nearer scanner on the fused list), in bands that end at these limits, ascending;
  // one more band reaches to max_range_m. {3.0}: within 3 m, and from 3 m to max_range_m.
  std::vector<double> range_band_limits_m = {3.0};
  // A person with fewer returns in the scanner's scan cannot be expected to be detected.
  int32_t min_beams = 3;
  // A tracker needs a few scans to confirm a track; people in view for less are not scored yet.
  double min_time_in_view_s = 0.5;

  // A person stands when their true speed was below standing_speed_mps at every truth sample of
  // the last standing_window_s, and walks otherwise.
  double standing_speed_mps = 0.2;
  double standing_window_s = 1.0;

  // An unmatched detection this close to a furniture item's circle counts as a furniture FP.
  double furniture_margin_m = 0.3;
  int32_t pedestrian_classification = 1;
  // Keeps every miss of a walking person (GateScores::walking_misses), for the error analysis.
  bool record_misses = false;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__EVALUATION_OPTIONS_HPP_
