#ifndef QUILLON_TOOLS__SIMULATION__LASER_SCANNER_HPP_
#define QUILLON_TOOLS__SIMULATION__LASER_SCANNER_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/simulation/seeded_noise.hpp"
#include "quillon_tools/simulation/world.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_tools
{

// Properties shared by both simulated scanners.
struct ScanSettings
{
  int beams = 1081;
  double fov = 1.5 * 3.141592653589793;  // centred on the mount's heading
  double rate_hz = 25.0;
  double range_min = 0.05;
  double range_max = 25.0;
  double noise_stddev = 0.01;
  double dropout_probability = 0.002;
};

// Throws std::invalid_argument naming the first bad field.
void validate(const ScanSettings & settings);

// One beam per angle; below range_min the range is -inf, beyond range_max +inf and a dropout
// NaN (the LaserScan conventions). Noise and dropout are drawn for every beam, hit or not, so
// the random sequence does not depend on the scene.
sensor_msgs::msg::LaserScan renderScan(
  const ScanSettings & settings, const World & world, const std::vector<Circle> & legs,
  const Pose2D & scanner_in_world, const std::string & frame_id, int64_t stamp_ns,
  SeededNoise & noise);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__LASER_SCANNER_HPP_
