#include "quillon_dynamic_detector/swept_motion.hpp"

#include <cmath>

namespace quillon_dynamic_detector
{
namespace
{

constexpr double TURN = 2.0 * M_PI;
// s; a longer sweep comes from a broken time_increment, not a scanner.
constexpr double MAX_SWEEP_S = 1.0;
// m/s and rad/s; faster, the two poses straddle a jump of odom (a reset, a relocalisation), not
// the robot's motion.
constexpr double MAX_SPEED = 10.0;
constexpr double MAX_YAW_RATE = 10.0;
// Fixed-point steps that find the beam a place of the tracking frame lies on: each moves the
// place by the sweep's motion over the change of its beam's moment, a few millimetres at most
// after the second.
constexpr int TO_SCANNER_STEPS = 3;

double yawOf(const Eigen::Matrix4f & transform)
{
  return std::atan2(static_cast<double>(transform(1, 0)), static_cast<double>(transform(0, 0)));
}

}  // namespace

std::optional<double> SweptMotion::sweepDuration(const sensor_msgs::msg::LaserScan & scan)
{
  const double per_beam = std::abs(static_cast<double>(scan.time_increment));
  const double duration = per_beam * static_cast<double>(scan.ranges.size()) - per_beam;
  if (
    scan.ranges.size() < 2 || !(per_beam > 0.0) || !(duration <= MAX_SWEEP_S) ||
    !(std::abs(scan.angle_increment) > 0.0f) || !std::isfinite(scan.angle_increment) ||
    !std::isfinite(scan.angle_min)) {
    return std::nullopt;
  }
  return duration;
}

std::optional<SweptMotion> SweptMotion::fromPoses(
  const Eigen::Matrix4f & frame_from_scanner_at_stamp,
  const Eigen::Matrix4f & frame_from_scanner_other, double other_seconds,
  const sensor_msgs::msg::LaserScan & scan)
{
  if (!sweepDuration(scan) || !(std::abs(other_seconds) > 0.0) || !std::isfinite(other_seconds)) {
    return std::nullopt;
  }
  SweptMotion m;
  m.x_ = frame_from_scanner_at_stamp(0, 3);
  m.y_ = frame_from_scanner_at_stamp(1, 3);
  m.yaw_ = yawOf(frame_from_scanner_at_stamp);
  m.vx_ = (frame_from_scanner_other(0, 3) - m.x_) / other_seconds;
  m.vy_ = (frame_from_scanner_other(1, 3) - m.y_) / other_seconds;
  m.yaw_rate_ = std::remainder(yawOf(frame_from_scanner_other) - m.yaw_, TURN) / other_seconds;
  if (!(std::hypot(m.vx_, m.vy_) <= MAX_SPEED) || !(std::abs(m.yaw_rate_) <= MAX_YAW_RATE)) {
    return std::nullopt;
  }
  m.angle_min_ = scan.angle_min;
  m.angle_increment_ = scan.angle_increment;
  m.seconds_per_beam_ = std::abs(static_cast<double>(scan.time_increment));
  m.last_beam_ = static_cast<double>(scan.ranges.size() - 1);
  return m;
}

double SweptMotion::secondsIntoSweep(double x, double y) const
{
  // The bearing counted from angle_min in the scan's own direction of turn, in [0, 2 pi); a
  // bearing outside the field of view takes the nearer edge's beam.
  const double sense = angle_increment_ > 0.0 ? 1.0 : -1.0;
  double from_first = std::fmod(sense * (std::atan2(y, x) - angle_min_), TURN);
  if (from_first < 0.0) {
    from_first += TURN;
  }
  double beam = from_first / std::abs(angle_increment_);
  if (beam > last_beam_) {
    const double past_last = beam - last_beam_;
    const double before_first = TURN / std::abs(angle_increment_) - beam;
    beam = before_first < past_last ? 0.0 : last_beam_;
  }
  return std::isfinite(beam) ? beam * seconds_per_beam_ : 0.0;
}

PlanarMotion SweptMotion::motionAfter(double seconds) const
{
  return PlanarMotion::fromPose(x_ + vx_ * seconds, y_ + vy_ * seconds, yaw_ + yaw_rate_ * seconds);
}

PlanarMotion SweptMotion::frameFromScannerAt(double x, double y) const
{
  return motionAfter(secondsIntoSweep(x, y));
}

void SweptMotion::toFrame(std::vector<quillon_protocol::msg::Object> & objects) const
{
  for (auto & object : objects) {
    frameFromScannerAt(object.pose.position.x, object.pose.position.y).apply(object);
  }
}

void SweptMotion::toFrame(ClusterList & clusters) const
{
  movePointsOf(clusters, [this](double & x, double & y) { frameFromScannerAt(x, y).move(x, y); });
}

Eigen::Vector2f SweptMotion::toScanner(const Eigen::Vector2f & place) const
{
  double seconds = 0.0;
  double x = place.x();
  double y = place.y();
  for (int step = 0; step < TO_SCANNER_STEPS; ++step) {
    x = place.x();
    y = place.y();
    motionAfter(seconds).inverse().move(x, y);
    seconds = secondsIntoSweep(x, y);
  }
  return Eigen::Vector2f(static_cast<float>(x), static_cast<float>(y));
}

void SweptMotion::toScanner(std::vector<ExpectedPerson> & people) const
{
  for (ExpectedPerson & person : people) {
    const Eigen::Vector2f place = toScanner(person.place);
    motionAfter(secondsIntoSweep(place.x(), place.y())).inverse().apply(person);
    person.place = place;
  }
}

}  // namespace quillon_dynamic_detector
