#ifndef QUILLON_DYNAMIC_DETECTOR__SELF_FILTER_CONFIG_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SELF_FILTER_CONFIG_HPP_

#include <string>
#include <vector>

namespace quillon_dynamic_detector
{

// A corner of the robot's outline in "base_footprint", in metres.
struct FootprintVertex
{
  double x = 0.0;
  double y = 0.0;
};

// The beams whose angle lies from `from` to `to` (radians in the scanner's frame, both ends
// included).
struct BeamAngleRange
{
  double from = 0.0;
  double to = 0.0;
};

// Where the robot sees its own body: an outline in "base_footprint" and, per scanner, ranges of
// beam angles. Empty parts remove nothing, so the default removes nothing at all.
struct SelfFilterConfig
{
  std::vector<FootprintVertex> footprint;
  std::vector<BeamAngleRange> scan1_angle_ranges;
  std::vector<BeamAngleRange> scan2_angle_ranges;
};

// The outline given as x0, y0, x1, y1, ... (no values: no outline). Throws std::invalid_argument
// naming the parameter `name` for an odd count, fewer than 3 vertices, a value that is not
// finite, or an outline that encloses no area or crosses or touches itself.
std::vector<FootprintVertex> footprintFromValues(
  const std::string & name, const std::vector<double> & values);

// The ranges given as from0, to0, from1, to1, ... (no values: no range). Throws
// std::invalid_argument naming the parameter `name` for an odd count, a value that is not finite,
// or a pair whose `from` exceeds its `to`.
std::vector<BeamAngleRange> angleRangesFromValues(
  const std::string & name, const std::vector<double> & values);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SELF_FILTER_CONFIG_HPP_
