#ifndef QUILLON_TOOLS__RUNNER__SCAN_SURVEY_HPP_
#define QUILLON_TOOLS__RUNNER__SCAN_SURVEY_HPP_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillon_tools
{

// What the LaserScan messages of one topic of a recording say about their scanner. Ratios and
// medians without data are NaN.
struct ScanSurvey
{
  std::string topic;
  uint64_t scans = 0;            // readable messages
  uint64_t unreadable = 0;       // messages that did not deserialize, left out
  double median_period_s = 0.0;  // between successive header stamps that increase
  double rate_hz = 0.0;          // 1 / median_period_s
  uint32_t beams = 0;            // the most common number of ranges
  double angle_increment_rad = 0.0;
  double field_of_view_rad = 0.0;  // angle_max - angle_min
  double range_min_m = 0.0;
  double range_max_m = 0.0;
  double time_increment_s = 0.0;
  uint64_t readings = 0;
  double zero_share = 0.0;  // readings of exactly 0.0 ("no return" on many scanners)
  double nan_share = 0.0;
  double infinite_share = 0.0;  // +inf: no echo by ROS's convention, or nothing within range
  double negative_share = 0.0;  // -inf and other negative readings
  // Above 0 but below range_min: error codes of drivers that pass the scanner's codes on.
  double below_range_min_share = 0.0;
};

// Surveys every topic of type sensor_msgs/msg/LaserScan, in the order of the bag's metadata.
// Values are those of the median scan where scans disagree. Throws BagError for a bag that
// cannot be read.
std::vector<ScanSurvey> surveyLaserScans(const std::filesystem::path & bag);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__SCAN_SURVEY_HPP_
