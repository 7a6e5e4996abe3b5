// Reads the laser scans of a recording, measures each scanner and names the scanner profile
// that fits it best (nearest scan rate and angular spacing), with the figures behind the choice.
//   quillon_suggest_profile BAG
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "quillon_tools/runner/profile_suggestion.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/scan_survey.hpp"

namespace
{

using namespace quillon_tools;

constexpr double DEGREES_PER_RADIAN = 180.0 / M_PI;
// Beyond this much off in rate or spacing the nearest profile is only a starting point.
constexpr double CLOSE_RATIO = 1.25;

const char * USAGE =
  "usage: quillon_suggest_profile BAG\n"
  "Measures every sensor_msgs/msg/LaserScan topic of the recording BAG (scan rate from the\n"
  "median period of the header stamps, beams, angular spacing, field of view, range limits,\n"
  "time_increment, share of 0.0, error-code, NaN, +inf and negative readings) and names the\n"
  "scanner profile "
  "with the nearest rate and spacing, for\n"
  "  ros2 launch quillon_dynamic_detector people_tracking.launch.py scanner_profile:=NAME\n"
  "  quillon_offline_run IN_BAG OUT_BAG --profile NAME (and quillon_demo, quillon_soak)\n"
  "Exit status 1 when the bag cannot be read or holds no readable scan.\n";

double percent(double share) { return 100.0 * share; }

void printSurvey(const ScanSurvey & s)
{
  std::printf("%s: %llu scans", s.topic.c_str(), static_cast<unsigned long long>(s.scans));
  if (s.unreadable > 0) {
    std::printf(" (%llu unreadable, left out)", static_cast<unsigned long long>(s.unreadable));
  }
  std::printf("\n  rate %.2f Hz (median period %.4f s)\n", s.rate_hz, s.median_period_s);
  std::printf(
    "  %u beams %.3f deg apart, field of view %.1f deg\n", s.beams,
    s.angle_increment_rad * DEGREES_PER_RADIAN, s.field_of_view_rad * DEGREES_PER_RADIAN);
  std::printf(
    "  range_min %.3f m, range_max %.1f m, time_increment %.2f us\n", s.range_min_m, s.range_max_m,
    s.time_increment_s * 1e6);
  std::printf(
    "  readings: %.1f %% 0.0, %.1f %% below range_min (error codes), %.1f %% NaN, %.1f %% +inf, "
    "%.1f %% negative or -inf\n",
    percent(s.zero_share), percent(s.below_range_min_share), percent(s.nan_share),
    percent(s.infinite_share), percent(s.negative_share));
}

bool isClose(double ratio)
{
  return std::isfinite(ratio) && ratio <= CLOSE_RATIO && ratio >= 1.0 / CLOSE_RATIO;
}

std::string ratioText(double ratio)
{
  if (!std::isfinite(ratio)) {
    return "unknown (fewer than two stamps)";
  }
  char text[32];
  std::snprintf(text, sizeof(text), "x%.2f", ratio);
  return text;
}

// Prints the best fit with its reasoning; returns its name.
std::string printSuggestion(const ScanSurvey & s)
{
  const auto fits = rankProfiles(s);
  const ProfileFit & best = fits.front();
  std::printf(
    "  best profile: %s, made for %g Hz and %.3f deg; this scanner: rate %s, spacing %s",
    best.profile.c_str(), best.rate_hz, best.spacing_rad * DEGREES_PER_RADIAN,
    ratioText(best.rate_ratio).c_str(), ratioText(best.spacing_ratio).c_str());
  if (fits.size() > 1) {
    std::printf(" (next: %s)", fits[1].profile.c_str());
  }
  std::printf("\n");
  const bool rate_close = !std::isfinite(best.rate_ratio) || isClose(best.rate_ratio);
  if (!rate_close || !isClose(best.spacing_ratio)) {
    std::printf(
      "  no profile is close: the nearest keeps its counts of scans and cluster size; check\n"
      "  the rate-dependent values of its parameter file against this scanner\n");
  }
  return best.profile;
}

int run(const std::string & bag)
{
  const auto surveys = surveyLaserScans(bag);
  std::vector<std::string> chosen;
  for (const auto & s : surveys) {
    if (s.scans == 0) {
      std::printf("%s: no readable scan\n", s.topic.c_str());
      continue;
    }
    printSurvey(s);
    chosen.push_back(printSuggestion(s));
  }
  if (chosen.empty()) {
    std::fprintf(
      stderr, "quillon_suggest_profile: %s holds no readable sensor_msgs/msg/LaserScan message\n",
      bag.c_str());
    return 1;
  }
  const std::string & profile = chosen.front();
  bool agree = true;
  for (const auto & name : chosen) {
    agree = agree && name == profile;
  }
  if (!agree) {
    std::printf(
      "\nThe scanners differ; trailscan takes one profile for both. The first topic's:\n");
  } else {
    std::printf("\nSuggested profile: %s\n", profile.c_str());
  }
  std::printf(
    "  ros2 launch quillon_dynamic_detector people_tracking.launch.py scanner_profile:=%s\n"
    "  quillon_offline_run IN_BAG OUT_BAG --profile %s\n",
    profile.c_str(), profile.c_str());
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  const bool help = asksForHelp(argc, argv);
  if (help || argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
    return printUsage(USAGE, help);
  }
  try {
    return run(argv[1]);
  } catch (const std::exception & e) {
    std::fprintf(stderr, "quillon_suggest_profile: %s\n", e.what());
    return 1;
  }
}
