#include "quillon_tools/simulation/robot_motion.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quillon_tools
{

namespace
{

double wrapAngle(double a) { return std::atan2(std::sin(a), std::cos(a)); }

void check(const RobotScript & script)
{
  const bool finite = std::isfinite(script.start.x) && std::isfinite(script.start.y) &&
                      std::isfinite(script.start.yaw) && std::isfinite(script.turn_rate) &&
                      std::isfinite(script.speed) && std::isfinite(script.corner_turn_rate);
  if (!finite) {
    throw std::invalid_argument("robot: start pose, speed and rates must be finite");
  }
  for (const auto & w : script.waypoints) {
    if (!w.allFinite()) {
      throw std::invalid_argument("robot: waypoint is not finite");
    }
  }
  if (
    script.kind == RobotScript::Kind::Drive &&
    (script.speed <= 0.0 || script.corner_turn_rate <= 0.0)) {
    throw std::invalid_argument(
      "robot: a driving robot needs a positive speed and corner turn rate");
  }
}

}  // namespace

RobotMotion::RobotMotion(const RobotScript & script)
{
  check(script);
  phases_.push_back({0.0, script.start, 0.0, 0.0});
  if (script.kind == RobotScript::Kind::Turn) {
    phases_.back().rate = script.turn_rate;
    return;
  }
  if (script.kind != RobotScript::Kind::Drive) {
    return;
  }
  // Each waypoint adds a turn in place towards it (when needed) and a straight drive to it;
  // a final phase without motion holds the last pose.
  phases_.clear();
  double t = 0.0;
  Pose2D pose = script.start;
  for (const auto & target : script.waypoints) {
    const Eigen::Vector2d offset = target - Eigen::Vector2d(pose.x, pose.y);
    const double distance = offset.norm();
    if (distance == 0.0) {
      continue;
    }
    const double turn = wrapAngle(std::atan2(offset.y(), offset.x()) - pose.yaw);
    if (std::abs(turn) > 1e-9) {
      const double rate = std::copysign(script.corner_turn_rate, turn);
      phases_.push_back({t, pose, 0.0, rate});
      t += turn / rate;
      pose.yaw += turn;
    }
    phases_.push_back({t, pose, script.speed, 0.0});
    t += distance / script.speed;
    pose.x = target.x();
    pose.y = target.y();
  }
  phases_.push_back({t, pose, 0.0, 0.0});
}

RobotState RobotMotion::at(double t) const
{
  const auto after = std::upper_bound(
    phases_.begin(), phases_.end(), t, [](double time, const Phase & p) { return time < p.start; });
  const Phase & phase = after == phases_.begin() ? phases_.front() : *(after - 1);
  const double dt = std::max(0.0, t - phase.start);
  RobotState state;
  state.pose = phase.pose;
  state.pose.yaw = wrapAngle(phase.pose.yaw + phase.rate * dt);
  const double c = std::cos(phase.pose.yaw);
  const double s = std::sin(phase.pose.yaw);
  state.pose.x += phase.speed * dt * c;
  state.pose.y += phase.speed * dt * s;
  state.vx = phase.speed * c;
  state.vy = phase.speed * s;
  state.omega = phase.rate;
  return state;
}

}  // namespace quillon_tools
