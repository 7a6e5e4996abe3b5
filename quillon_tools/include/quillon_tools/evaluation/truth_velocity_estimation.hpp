#ifndef QUILLON_TOOLS__EVALUATION__TRUTH_VELOCITY_ESTIMATION_HPP_
#define QUILLON_TOOLS__EVALUATION__TRUTH_VELOCITY_ESTIMATION_HPP_

#include <vector>

#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

// Which velocities of GroundTruth::frames were not given (indices parallel to the frames and to
// each frame's people).
struct MissingVelocities
{
  std::vector<bool> robot_linear;
  std::vector<bool> robot_angular;
  std::vector<std::vector<bool>> people;
};

// Fills the missing velocities by finite differences of the same id over the frames' stamps
// (which must increase strictly): central where both neighbouring samples exist, one-sided at
// the ends, zero for a lone sample. The yaw difference is wrapped to (-pi, pi].
void estimateMissingVelocities(GroundTruth & truth, const MissingVelocities & missing);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__TRUTH_VELOCITY_ESTIMATION_HPP_
