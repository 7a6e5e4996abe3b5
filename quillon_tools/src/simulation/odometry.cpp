#include "quillon_tools/simulation/odometry.hpp"

#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

#include "quillon_tools/simulation/seeded_noise.hpp"
#include "quillon_tools/simulation/stamp.hpp"

namespace quillon_tools
{

namespace
{

// Keeps the drift's random draws apart from the scanners' noise of the same seed.
constexpr uint64_t DRIFT_STREAM = 0x6f646f6d65747279ULL;

double wrapAngle(double a) { return std::atan2(std::sin(a), std::cos(a)); }

void require(bool ok, const std::string & what)
{
  if (!ok) {
    throw std::invalid_argument("odometry settings: " + what);
  }
}

}  // namespace

void validate(const OdometrySettings & s)
{
  require(
    std::isfinite(s.rate_hz) && s.rate_hz >= 0.0 && s.rate_hz <= 1e6,
    "rate_hz must be in [0, 1e6]");
  require(
    std::isfinite(s.scale_error) && s.scale_error >= 0.0 && s.scale_error < 1.0,
    "scale_error must be in [0, 1)");
  require(std::isfinite(s.yaw_rate_bias) && s.yaw_rate_bias >= 0.0, "yaw_rate_bias must be >= 0");
}

DriftingOdometry::DriftingOdometry(
  const OdometrySettings & settings, RobotMotion robot, int64_t start_stamp_ns, uint64_t seed)
: robot_(std::move(robot)), start_ns_(start_stamp_ns)
{
  validate(settings);
  require(settings.rate_hz > 0.0, "a drifting odometry needs a positive rate_hz");
  period_ns_ = std::llround(1e9 / settings.rate_hz);
  SeededNoise draw(seed ^ DRIFT_STREAM);
  scale_error_ = draw.uniform() < 0.5 ? -settings.scale_error : settings.scale_error;
  yaw_rate_bias_ = (2.0 * draw.uniform() - 1.0) * settings.yaw_rate_bias;
  next_sample_ns_ = start_stamp_ns;
  last_ns_ = start_stamp_ns;
  last_truth_ = robot_.at(0.0).pose;
  odometry_ = last_truth_;
}

std::vector<OdometrySample> DriftingOdometry::samplesUntil(int64_t stamp_ns)
{
  std::vector<OdometrySample> samples;
  while (next_sample_ns_ <= stamp_ns) {
    advanceTo(next_sample_ns_);
    samples.push_back({next_sample_ns_, odometry_});
    next_sample_ns_ += period_ns_;
  }
  return samples;
}

void DriftingOdometry::advanceTo(int64_t stamp_ns)
{
  const Pose2D truth = robot_.at(secondsBetween(start_ns_, stamp_ns)).pose;
  // The true motion since the last sample, in the robot's frame at that sample.
  const double c = std::cos(last_truth_.yaw);
  const double s = std::sin(last_truth_.yaw);
  const double dx = truth.x - last_truth_.x;
  const double dy = truth.y - last_truth_.y;
  const double forward = c * dx + s * dy;
  const double left = -s * dx + c * dy;
  const double turn = wrapAngle(truth.yaw - last_truth_.yaw);
  // Wheel odometry errs only while the wheels turn.
  const bool moving = forward != 0.0 || left != 0.0 || turn != 0.0;
  const double bias = moving ? yaw_rate_bias_ * secondsBetween(last_ns_, stamp_ns) : 0.0;

  const double scale = 1.0 + scale_error_;
  const double co = std::cos(odometry_.yaw);
  const double so = std::sin(odometry_.yaw);
  odometry_.x += scale * (co * forward - so * left);
  odometry_.y += scale * (so * forward + co * left);
  odometry_.yaw = wrapAngle(odometry_.yaw + turn + bias);
  last_truth_ = truth;
  last_ns_ = stamp_ns;
}

}  // namespace quillon_tools
