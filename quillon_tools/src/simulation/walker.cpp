#include "quillon_tools/simulation/walker.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "quillon_tools/simulation/gait.hpp"

namespace quillon_tools
{

namespace
{

constexpr double FOREVER = std::numeric_limits<double>::infinity();

Eigen::Vector2d leftOf(const Eigen::Vector2d & direction)
{
  return {-direction.y(), direction.x()};
}

void check(const WalkerScript & script)
{
  const std::string who = "walker " + std::to_string(script.id) + ": ";
  if (script.waypoints.empty()) {
    throw std::invalid_argument(who + "no waypoints");
  }
  for (const auto & w : script.waypoints) {
    if (!w.allFinite()) {
      throw std::invalid_argument(who + "waypoint is not finite");
    }
  }
  if (!std::isfinite(script.speed) || script.speed <= 0.0) {
    throw std::invalid_argument(who + "speed must be positive and finite");
  }
  for (double pause : script.pauses) {
    if (!std::isfinite(pause) || pause < 0.0) {
      throw std::invalid_argument(who + "pauses must be finite and not negative");
    }
  }
  if (!std::isfinite(script.start_time)) {
    throw std::invalid_argument(who + "start time is not finite");
  }
}

}  // namespace

Walker::Walker(const WalkerScript & script, double horizon)
: id_(script.id),
  speed_(script.speed),
  appear_(script.start_time),
  leave_(FOREVER),
  facing_(Eigen::Vector2d::UnitX())
{
  check(script);
  const auto & w = script.waypoints;
  const size_t n = w.size();
  auto pause_at = [&script](size_t i) { return i < script.pauses.size() ? script.pauses[i] : 0.0; };
  if (n > 1 && (w[1] - w[0]).norm() > 0.0) {
    facing_ = (w[1] - w[0]).normalized();
  }

  double t = script.start_time;
  std::vector<Eigen::Vector2d> points{w[0]};
  if (pause_at(0) > 0.0) {
    addStand(w[0], pause_at(0), t);
  }
  size_t at = 0;
  double lap_start = t;
  while (t <= horizon) {
    size_t next = at + 1;
    if (next == n) {
      if (!script.loop || n == 1) {
        break;
      }
      next = 0;
    }
    points.push_back(w[next]);
    at = next;
    const bool lap_done = at == 0;
    if (lap_done || pause_at(at) > 0.0) {
      addWalk(points, t);
    }
    if (pause_at(at) > 0.0) {
      addStand(w[at], pause_at(at), t);
    }
    if (lap_done) {
      // A loop that takes no time would never reach the horizon.
      if (t == lap_start) {
        break;
      }
      lap_start = t;
    }
  }
  addWalk(points, t);
  if (script.end == WalkerScript::End::Leave && !script.loop) {
    leave_ = t;
  }
  addStand(w[at], FOREVER, t);
}

void Walker::addWalk(std::vector<Eigen::Vector2d> & points, double & t)
{
  Polyline path(points);
  const Eigen::Vector2d last = points.back();
  points = {last};
  if (path.length() <= 0.0) {
    return;
  }
  const double duration = path.length() / speed_;
  facing_ = path.directionAt(path.length());
  phases_.push_back({t, t + duration, path, speed_, fittedStepLength(path.length()), facing_});
  t += duration;
}

void Walker::addStand(const Eigen::Vector2d & where, double duration, double & t)
{
  phases_.push_back({t, t + duration, Polyline({where}), 0.0, 0.0, facing_});
  t += duration;
}

const Walker::Phase & Walker::phaseAt(double t) const
{
  const auto after = std::upper_bound(
    phases_.begin(), phases_.end(), t, [](double time, const Phase & p) { return time < p.start; });
  return after == phases_.begin() ? phases_.front() : *(after - 1);
}

bool Walker::present(double t) const { return t >= appear_ && t < leave_; }

PersonState Walker::state(double t) const
{
  const Phase & phase = phaseAt(t);
  PersonState person;
  person.id = id_;
  Eigen::Vector2d position = phase.path.pointAt(0.0);
  if (phase.speed > 0.0) {
    const double s = std::clamp(phase.speed * (t - phase.start), 0.0, phase.path.length());
    position = phase.path.pointAt(s);
    if (t >= phase.start && t < phase.end) {
      const Eigen::Vector2d velocity = phase.speed * phase.path.directionAt(s);
      person.vx = velocity.x();
      person.vy = velocity.y();
    }
  }
  person.x = position.x();
  person.y = position.y();
  return person;
}

std::array<Eigen::Vector2d, 2> Walker::legs(double t, double side_offset) const
{
  const Phase & phase = phaseAt(t);
  const std::array<double, 2> side{side_offset, -side_offset};
  std::array<Eigen::Vector2d, 2> legs;
  if (phase.speed <= 0.0) {
    const Eigen::Vector2d at = phase.path.pointAt(0.0);
    for (size_t k = 0; k < 2; ++k) {
      legs[k] = at + side[k] * leftOf(phase.facing);
    }
    return legs;
  }
  const double s = std::clamp(phase.speed * (t - phase.start), 0.0, phase.path.length());
  const auto feet = footDistances(s, phase.step);
  for (size_t k = 0; k < 2; ++k) {
    legs[k] = phase.path.pointAt(feet[k]) + side[k] * leftOf(phase.path.directionAt(feet[k]));
  }
  return legs;
}

}  // namespace quillon_tools
