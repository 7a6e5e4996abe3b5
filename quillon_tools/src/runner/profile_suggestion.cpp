#include "quillon_tools/runner/profile_suggestion.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "quillon_tools/simulation/scanner_model.hpp"

namespace quillon_tools
{

std::vector<ProfileFit> rankProfiles(const ScanSurvey & survey)
{
  const double spacing = std::abs(survey.angle_increment_rad);
  if (!(std::isfinite(spacing) && spacing > 0.0)) {
    throw std::invalid_argument(
      survey.topic + ": the scans give no angular spacing to match a profile by");
  }
  const bool rate_known = std::isfinite(survey.rate_hz) && survey.rate_hz > 0.0;
  std::vector<ProfileFit> fits;
  for (const ScannerModel & model : scannerModels()) {
    ProfileFit fit;
    fit.profile = model.name;
    fit.rate_hz = model.scan.rate_hz;
    fit.spacing_rad = model.scan.fov / (model.scan.beams - 1);
    fit.rate_ratio = rate_known ? survey.rate_hz / fit.rate_hz : std::nan("");
    fit.spacing_ratio = spacing / fit.spacing_rad;
    fit.distance = std::abs(std::log(fit.spacing_ratio)) +
                   (rate_known ? std::abs(std::log(fit.rate_ratio)) : 0.0);
    fits.push_back(fit);
  }
  std::stable_sort(fits.begin(), fits.end(), [](const ProfileFit & a, const ProfileFit & b) {
    return a.distance < b.distance;
  });
  return fits;
}

}  // namespace quillon_tools
