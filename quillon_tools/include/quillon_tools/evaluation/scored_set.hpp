#ifndef QUILLON_TOOLS__EVALUATION__SCORED_SET_HPP_
#define QUILLON_TOOLS__EVALUATION__SCORED_SET_HPP_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "quillon_tools/evaluation/evaluation_options.hpp"
#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

// The people a list can be expected to report. A person is scored on a scanner's list when
//  - within max_range_m of the scanner,
//  - in view of it: inside its field of view and range limit, with at least min_beams returns in
//    its scan,
//  - and in view without a break for more than min_time_in_view_s up to its latest scan;
// and on the fused list ("base_footprint") when scored for either scanner. A scanner is judged by
// its most recent truth frame at or before the list's stamp (frames whose scanner is unknown
// belong to every scanner). What the truth does not know limits nothing: a scanner without a
// view sees all around, a beam count of -1 passes, and a person whose visibility nothing
// constrains counts as in view for ever. A truth without mounts scores the fused list by range
// from the robot alone.
class ScoredSet
{
public:
  ScoredSet(const GroundTruth & truth, const EvaluationOptions & options);

  // Whether `person` (expressed in `list_frame`, a mount frame or "base_footprint") is scored on
  // a list of that frame stamped `stamp_ns`.
  bool scores(const std::string & list_frame, int64_t stamp_ns, const PersonInFrame & person) const;

  // Whether a point of `list_frame` is within max_range_m of the list's scanner (either scanner
  // for "base_footprint"): where a detection of nobody is a false positive.
  bool inRange(const std::string & list_frame, const PlanarVector & point) const;

  // Distance of a point of `list_frame` from the list's scanner (the nearer scanner for
  // "base_footprint"); infinite for a frame of no known scanner.
  double scannerDistance(const std::string & list_frame, const PlanarVector & point) const;

  // s: the longest run of truth frames between `from_ns` and `to_ns`, of all scanners in stamp
  // order, that each list `person` out of their scanner's view (range, field of view, min_beams
  // returns), from its first frame to its last: how long they were out of every scanner's sight.
  // A frame that does not list them, or cannot tell, breaks a run. 0 without mounts.
  double longestOutOfSight(int32_t person, int64_t from_ns, int64_t to_ns) const;

private:
  // Who a scanner had in view at each of its truth frames, and since when (the lowest stamp
  // when nothing known limits the view).
  struct ScannerTimeline
  {
    Pose2D mount;
    std::vector<int64_t> stamps;
    std::vector<std::map<int32_t, int64_t>> in_view_since;
    std::vector<std::set<int32_t>> out_of_view;  // listed in the frame, known to be out of view
  };

  // A scanner as one list sees it: its position in the list's frame.
  struct Viewpoint
  {
    const ScannerTimeline * scanner;
    PlanarVector origin;
  };

  ScannerTimeline timeline(const GroundTruth & truth, const std::string & scanner) const;
  std::vector<Viewpoint> viewpoints(const std::string & list_frame) const;
  bool inViewLongEnough(const ScannerTimeline & scanner, int64_t stamp_ns, int32_t person) const;

  EvaluationOptions options_;
  std::map<std::string, ScannerTimeline> scanners_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__SCORED_SET_HPP_
