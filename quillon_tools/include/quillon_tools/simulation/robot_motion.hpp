#ifndef QUILLON_TOOLS__SIMULATION__ROBOT_MOTION_HPP_
#define QUILLON_TOOLS__SIMULATION__ROBOT_MOTION_HPP_

#include <vector>

#include <Eigen/Core>

#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

// A stretch driven at a constant speed (m/s, forwards) and turn rate (rad/s, counter-clockwise
// positive): a straight line, an arc, or a turn in place.
struct RobotArc
{
  double duration = 0.0;
  double speed = 0.0;
  double turn_rate = 0.0;
};

// How the robot moves from its start pose: stand still, turn in place at turn_rate, drive
// through the waypoints at speed (turning in place at corner_turn_rate to face each next one)
// and stop at the last, or drive the arcs one after the other (turning while driving) and stop.
struct RobotScript
{
  enum class Kind
  {
    Still,
    Turn,
    Drive,
    Arcs
  };

  Kind kind = Kind::Still;
  Pose2D start;
  double turn_rate = 0.0;
  std::vector<Eigen::Vector2d> waypoints;
  double speed = 0.0;
  double corner_turn_rate = 0.6;
  std::vector<RobotArc> arcs;
};

// Robot pose and velocities in "odom" (the world) at a time since the simulation start.
struct RobotState
{
  Pose2D pose;
  double vx = 0.0;
  double vy = 0.0;
  double omega = 0.0;
};

class RobotMotion
{
public:
  // Throws std::invalid_argument for non-finite values, a driving robot without speed or an
  // arc of negative duration.
  explicit RobotMotion(const RobotScript & script);

  RobotState at(double t) const;

private:
  // A straight drive (speed), a turn in place (rate) or an arc (both), from pose at start.
  struct Phase
  {
    double start = 0.0;
    Pose2D pose;
    double speed = 0.0;
    double rate = 0.0;
  };

  std::vector<Phase> phases_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__ROBOT_MOTION_HPP_
