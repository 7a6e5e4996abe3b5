// Small pieces both sections of the quality benchmark share: medians, number formatting, reading
// a bag's scans and a fresh ROS start per parameter set.
#ifndef QUILLON_TOOLS__BENCHMARK__QUALITY__BENCHMARK_SUPPORT_HPP_
#define QUILLON_TOOLS__BENCHMARK__QUALITY__BENCHMARK_SUPPORT_HPP_

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/scanner_profile.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_tools
{

// NaN for no values.
double median(std::vector<double> values);

// "%.3f", or "-" for a value that is not finite.
std::string fixed3(double v);

// The scans of "/scan_01" and "/scan_02", by topic, in bag order.
std::map<std::string, std::vector<sensor_msgs::msg::LaserScan>> scansOf(
  const std::filesystem::path & bag);

// rclcpp reads parameter files at init: each file and profile gets a fresh start (runWithRos
// shuts the last one down). The parameter file comes after the profile, so it wins.
void restartRosWith(const std::string & params_file, const std::optional<ScannerProfile> & profile);

// trailscan's median processing time per scan of a replay.
double processingMedian(const ReplayOutputs & outputs);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__BENCHMARK__QUALITY__BENCHMARK_SUPPORT_HPP_
