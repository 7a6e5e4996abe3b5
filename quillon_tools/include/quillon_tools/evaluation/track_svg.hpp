#ifndef QUILLON_TOOLS__EVALUATION__TRACK_SVG_HPP_
#define QUILLON_TOOLS__EVALUATION__TRACK_SVG_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/evaluation/truth_at_stamp.hpp"
#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

struct SvgOptions
{
  std::string title = "People tracks in odom";
  int64_t truth_tolerance_ns = DEFAULT_TRUTH_TOLERANCE_NS;
  double plot_width_px = 900.0;  // width of the map area; the height follows the scene
  int32_t pedestrian_classification = 1;
};

// A picture in "odom": furniture circles, one path per truth person, the robot's path and the
// pedestrian detections of `lists` (placed with the truth robot pose at their stamp), coloured by
// track id and joined per id, with a legend and a metres scale bar.
std::string renderSvg(
  const GroundTruth & truth, const std::vector<ScoredList> & lists,
  const SvgOptions & options = {});

// renderSvg written to `path`; throws std::runtime_error naming the path when writing fails.
void writeSvg(
  const std::string & path, const GroundTruth & truth, const std::vector<ScoredList> & lists,
  const SvgOptions & options = {});

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__TRACK_SVG_HPP_
