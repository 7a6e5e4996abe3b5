#ifndef QUILLON_TOOLS__SIMULATION__ODOMETRY_HPP_
#define QUILLON_TOOLS__SIMULATION__ODOMETRY_HPP_

#include <cstdint>
#include <vector>

#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/simulation/robot_motion.hpp"

namespace quillon_tools
{

// How the robot's odometry ("odom" to "base_footprint") is published and how it errs. The
// defaults are the simulator's idealised odometry: exact, one sample at each scan stamp.
struct OdometrySettings
{
  // Samples per second, on a clock of its own; 0 for one sample at each scan stamp.
  double rate_hz = 0.0;
  // Size of the scale error on the distance driven (0.02: 2 %); the seed picks its sign.
  double scale_error = 0.0;
  // Bound of the yaw-rate bias (rad/s) while the robot moves, as wheel odometry has it; the seed
  // picks the bias within [-bound, bound].
  double yaw_rate_bias = 0.0;
};

// Throws std::invalid_argument naming the first bad field.
void validate(const OdometrySettings & settings);

struct OdometrySample
{
  int64_t stamp_ns = 0;
  Pose2D pose;
};

// Odometry at a fixed rate, dead-reckoned from the true motion between samples with a scale
// error and a yaw-rate bias, so that it drifts away from the truth as the robot moves. It starts
// at the robot's true start pose; samples fall at start_stamp_ns + k / rate_hz.
class DriftingOdometry
{
public:
  // rate_hz must be positive. Throws std::invalid_argument for bad settings.
  DriftingOdometry(
    const OdometrySettings & settings, RobotMotion robot, int64_t start_stamp_ns, uint64_t seed);

  // The samples with stamps after the previous call's stamp up to stamp_ns, in order. Stamps
  // must not go backwards.
  std::vector<OdometrySample> samplesUntil(int64_t stamp_ns);

  double scaleError() const { return scale_error_; }
  double yawRateBias() const { return yaw_rate_bias_; }

private:
  void advanceTo(int64_t stamp_ns);

  RobotMotion robot_;
  int64_t start_ns_;
  int64_t period_ns_;
  double scale_error_;
  double yaw_rate_bias_;
  int64_t next_sample_ns_;
  int64_t last_ns_;
  Pose2D last_truth_;
  Pose2D odometry_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__ODOMETRY_HPP_
