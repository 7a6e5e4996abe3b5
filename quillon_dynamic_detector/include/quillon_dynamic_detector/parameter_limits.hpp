#ifndef QUILLON_DYNAMIC_DETECTOR__PARAMETER_LIMITS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__PARAMETER_LIMITS_HPP_

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

namespace quillon_dynamic_detector
{

// Bounds on a numeric parameter, each one optional: the range a value is sensible in, or the
// limits beyond which it cannot work (a negative noise, a negative count of frames).
struct ParameterLimits
{
  std::optional<double> minimum;
  std::optional<double> exclusive_minimum;
  std::optional<double> maximum;
  std::optional<double> exclusive_maximum;

  bool admits(double value) const
  {
    return (!minimum || value >= *minimum) && (!exclusive_minimum || value > *exclusive_minimum) &&
           (!maximum || value <= *maximum) && (!exclusive_maximum || value < *exclusive_maximum);
  }

  bool empty() const { return !minimum && !exclusive_minimum && !maximum && !exclusive_maximum; }

  // In words: ">= 0", "> 0 and <= 1"; empty without bounds.
  std::string text() const
  {
    std::string words;
    auto add = [&words](const char * relation, const std::optional<double> & bound) {
      if (bound) {
        words += (words.empty() ? "" : " and ") + std::string(relation) + " " + number(*bound);
      }
    };
    add(">=", minimum);
    add(">", exclusive_minimum);
    add("<=", maximum);
    add("<", exclusive_maximum);
    return words;
  }

  static std::string number(double value)
  {
    char shown[32];
    std::snprintf(shown, sizeof(shown), "%.10g", value);
    return shown;
  }
};

inline ParameterLimits atLeast(double bound) { return {bound, {}, {}, {}}; }
inline ParameterLimits above(double bound) { return {{}, bound, {}, {}}; }

// Refuses a value that cannot work, naming the parameter, the value and what it must be.
inline void requireWithinLimits(
  const std::string & name, double value, const ParameterLimits & limits,
  const std::string & unit = "")
{
  if (limits.admits(value)) {
    return;
  }
  throw std::invalid_argument(
    "parameter '" + name + "' is " + ParameterLimits::number(value) +
    ", which cannot work: it must be " + limits.text() + (unit.empty() ? "" : " " + unit));
}

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__PARAMETER_LIMITS_HPP_
