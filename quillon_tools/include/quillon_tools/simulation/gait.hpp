#ifndef QUILLON_TOOLS__SIMULATION__GAIT_HPP_
#define QUILLON_TOOLS__SIMULATION__GAIT_HPP_

#include <array>

namespace quillon_tools
{

// Nominal distance the body covers per step.
constexpr double NOMINAL_STEP_LENGTH = 0.6;

// Step length for a walk of run_length that starts and ends with both feet together: the
// nominal step, stretched or shrunk so that a whole number of steps fits the walk.
double fittedStepLength(double run_length, double nominal_step = NOMINAL_STEP_LENGTH);

// Positions of both feet along the walk (same units as body_distance) when the body has
// covered body_distance of a walk with the given step length. One foot stands while the other
// swings from behind it to ahead of it at twice the body's speed; they swap every step, and
// their midpoint is always the body. Foot 0 stands during the first step.
std::array<double, 2> footDistances(double body_distance, double step_length);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__GAIT_HPP_
