#include "quillon_tools/simulation/gait.hpp"

#include <algorithm>
#include <cmath>

namespace quillon_tools
{

double fittedStepLength(double run_length, double nominal_step)
{
  if (run_length <= 0.0) {
    return nominal_step;
  }
  const double steps = std::max(1.0, std::round(run_length / nominal_step));
  return run_length / steps;
}

std::array<double, 2> footDistances(double body_distance, double step_length)
{
  // Step j lasts while the body is within half a step of j * step_length: the standing foot
  // (j even: foot 0) is there, the other swings from one step behind to one step ahead.
  const double j = std::floor(body_distance / step_length + 0.5);
  const double standing = j * step_length;
  const double swinging = standing + 2.0 * (body_distance - standing);
  const bool foot0_stands = std::fmod(j, 2.0) == 0.0;
  return foot0_stands ? std::array<double, 2>{standing, swinging}
                      : std::array<double, 2>{swinging, standing};
}

}  // namespace quillon_tools
