#include "quillon_tools/simulation/robot_motion.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quillon_tools
{

namespace
{

double wrapAngle(double a) { return std::atan2(std::sin(a), std::cos(a)); }

// Where a constant speed and turn rate lead from `from` after dt seconds (exact on an arc).
Pose2D advance(const Pose2D & from, double speed, double rate, double dt)
{
  Pose2D to = from;
  const double turned = rate * dt;
  if (std::abs(turned) < 1e-9) {
    to.x += speed * dt * std::cos(from.yaw);
    to.y += speed * dt * std::sin(from.yaw);
  } else {
    const double radius = speed / rate;
    to.x += radius * (std::sin(from.yaw + turned) - std::sin(from.yaw));
    to.y -= radius * (std::cos(from.yaw + turned) - std::cos(from.yaw));
  }
  to.yaw = wrapAngle(from.yaw + turned);
  return to;
}

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
  for (const auto & arc : script.arcs) {
    if (
      !std::isfinite(arc.speed) || !std::isfinite(arc.turn_rate) || !std::isfinite(arc.duration) ||
      arc.duration < 0.0) {
      throw std::invalid_argument(
        "robot: an arc needs a finite speed and turn rate and a finite, "
        "non-negative duration");
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
  if (script.kind == RobotScript::Kind::Arcs) {
    phases_.clear();
    double t = 0.0;
    Pose2D pose = script.start;
    for (const auto & arc : script.arcs) {
      phases_.push_back({t, pose, arc.speed, arc.turn_rate});
      pose = advance(pose, arc.speed, arc.turn_rate, arc.duration);
      t += arc.duration;
    }
    phases_.push_back({t, pose, 0.0, 0.0});
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
  state.pose = advance(phase.pose, phase.speed, phase.rate, dt);
  // On an arc the velocity turns with the robot; otherwise its heading is the phase's own.
  const bool arc = phase.speed != 0.0 && phase.rate != 0.0;
  const double heading = arc ? state.pose.yaw : phase.pose.yaw;
  state.vx = phase.speed * std::cos(heading);
  state.vy = phase.speed * std::sin(heading);
  state.omega = phase.rate;
  return state;
}

}  // namespace quillon_tools
