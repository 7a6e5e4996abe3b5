#include "quillon_tools/simulation/laser_scanner.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "quillon_tools/simulation/stamp.hpp"

namespace quillon_tools
{

namespace
{

void require(bool ok, const std::string & what)
{
  if (!ok) {
    throw std::invalid_argument("scan settings: " + what);
  }
}

}  // namespace

void validate(const ScanSettings & s)
{
  require(s.beams >= 2, "beams must be at least 2");
  require(std::isfinite(s.fov) && s.fov > 0.0 && s.fov <= 2.0 * M_PI, "fov must be in (0, 2 pi]");
  require(std::isfinite(s.rate_hz) && s.rate_hz > 0.0, "rate_hz must be positive");
  require(
    std::isfinite(s.range_min) && std::isfinite(s.range_max) && s.range_min >= 0.0 &&
      s.range_max > s.range_min,
    "need 0 <= range_min < range_max, both finite");
  require(std::isfinite(s.noise_stddev) && s.noise_stddev >= 0.0, "noise_stddev must be >= 0");
  require(
    std::isfinite(s.dropout_probability) && s.dropout_probability >= 0.0 &&
      s.dropout_probability <= 1.0,
    "dropout_probability must be in [0, 1]");
}

sensor_msgs::msg::LaserScan renderScan(
  const ScanSettings & settings, const World & world, const std::vector<Circle> & legs,
  const Pose2D & scanner_in_world, const std::string & frame_id, int64_t stamp_ns,
  SeededNoise & noise)
{
  sensor_msgs::msg::LaserScan scan;
  scan.header.frame_id = frame_id;
  scan.header.stamp = stampFromNanoseconds(stamp_ns);
  scan.angle_min = static_cast<float>(-0.5 * settings.fov);
  scan.angle_increment = static_cast<float>(settings.fov / (settings.beams - 1));
  scan.angle_max = static_cast<float>(
    static_cast<double>(scan.angle_min) +
    (settings.beams - 1) * static_cast<double>(scan.angle_increment));
  scan.scan_time = static_cast<float>(1.0 / settings.rate_hz);
  scan.time_increment = static_cast<float>(1.0 / settings.rate_hz / settings.beams);
  scan.range_min = static_cast<float>(settings.range_min);
  scan.range_max = static_cast<float>(settings.range_max);
  scan.ranges.resize(static_cast<size_t>(settings.beams));

  const Eigen::Vector2d origin(scanner_in_world.x, scanner_in_world.y);
  const double infinity = std::numeric_limits<double>::infinity();
  for (int i = 0; i < settings.beams; ++i) {
    // Beam angles as a reader of the message reconstructs them from its float fields.
    const double angle = scanner_in_world.yaw + static_cast<double>(scan.angle_min) +
                         i * static_cast<double>(scan.angle_increment);
    const Eigen::Vector2d direction(std::cos(angle), std::sin(angle));
    const double exact = world.castRay(origin, direction, legs);
    const bool dropped = noise.uniform() < settings.dropout_probability;
    const double range = exact + settings.noise_stddev * noise.gaussian();
    double reported = range;
    if (dropped) {
      reported = std::numeric_limits<double>::quiet_NaN();
    } else if (exact == infinity || range > settings.range_max) {
      reported = infinity;
    } else if (range < settings.range_min) {
      reported = -infinity;
    }
    scan.ranges[static_cast<size_t>(i)] = static_cast<float>(reported);
  }
  return scan;
}

}  // namespace quillon_tools
