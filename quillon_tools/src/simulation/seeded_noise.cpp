#include "quillon_tools/simulation/seeded_noise.hpp"

#include <cmath>

namespace quillon_tools
{

double SeededNoise::uniform()
{
  constexpr double two_to_minus_53 = 1.0 / 9007199254740992.0;
  return static_cast<double>(engine_() >> 11) * two_to_minus_53;
}

double SeededNoise::gaussian()
{
  if (has_spare_) {
    has_spare_ = false;
    return spare_;
  }
  constexpr double two_pi = 6.283185307179586;
  // 1 - uniform() lies in (0, 1], so the logarithm is finite.
  const double radius = std::sqrt(-2.0 * std::log(1.0 - uniform()));
  const double angle = two_pi * uniform();
  spare_ = radius * std::sin(angle);
  has_spare_ = true;
  return radius * std::cos(angle);
}

}  // namespace quillon_tools
