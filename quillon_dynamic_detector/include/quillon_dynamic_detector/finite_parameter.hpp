#ifndef QUILLON_DYNAMIC_DETECTOR__FINITE_PARAMETER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__FINITE_PARAMETER_HPP_

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace quillon_dynamic_detector
{

// Refuses a floating-point parameter that is NaN, infinite or larger in magnitude than `limit`
// (`limit_text` says what the limit means, e.g. "of at most 9e9 seconds"), with
// std::invalid_argument("parameter '<name>' must be a finite number<limit_text>, not <value>").
// Such values reach Kalman filters, scores, durations and published fields as NaN or overflow.
inline void requireFiniteParameter(
  const std::string & name, double value, double limit = HUGE_VAL, const char * limit_text = "")
{
  if (std::isfinite(value) && std::abs(value) <= limit) {
    return;
  }
  char shown[32];
  std::snprintf(shown, sizeof(shown), "%g", value);
  throw std::invalid_argument(
    "parameter '" + name + "' must be a finite number" + limit_text + ", not " + shown);
}

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__FINITE_PARAMETER_HPP_
