#ifndef QUILLON_TOOLS__RUNNER__PROFILE_SUGGESTION_HPP_
#define QUILLON_TOOLS__RUNNER__PROFILE_SUGGESTION_HPP_

#include <string>
#include <vector>

#include "quillon_tools/runner/scan_survey.hpp"

namespace quillon_tools
{

// How well the profile of one scanner model fits a surveyed scanner.
struct ProfileFit
{
  std::string profile;  // the scanner model's name, which its profile carries
  double rate_hz = 0.0;
  double spacing_rad = 0.0;
  double rate_ratio = 0.0;     // surveyed over the model's; NaN when the rate is unknown
  double spacing_ratio = 0.0;  // surveyed over the model's
  double distance = 0.0;       // |ln rate_ratio| + |ln spacing_ratio|; 0 fits exactly
};

// Every scanner model's profile, best fit first. Rate and angular spacing weigh alike, by
// ratio, so 10 % too fast counts as much as 10 % too fine; an unknown rate (fewer than two
// stamps) leaves the spacing alone to decide. Throws std::invalid_argument for a survey without
// a positive, finite spacing.
std::vector<ProfileFit> rankProfiles(const ScanSurvey & survey);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__PROFILE_SUGGESTION_HPP_
