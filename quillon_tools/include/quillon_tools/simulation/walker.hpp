#ifndef QUILLON_TOOLS__SIMULATION__WALKER_HPP_
#define QUILLON_TOOLS__SIMULATION__WALKER_HPP_

#include <array>
#include <cstdint>
#include <vector>

#include <Eigen/Core>

#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/simulation/polyline.hpp"

namespace quillon_tools
{

constexpr double LEG_RADIUS = 0.06;
constexpr double LEG_SIDE_OFFSET = 0.1;

// How one person moves: appear at the first waypoint at start_time, walk through the waypoints
// at speed, standing pauses[i] seconds at waypoint i (missing entries are 0). A looping person
// walks back to the first waypoint and starts over; otherwise at the last waypoint the person
// stands there for good or leaves the scene.
struct WalkerScript
{
  enum class End
  {
    Stand,
    Leave
  };

  int32_t id = 0;
  std::vector<Eigen::Vector2d> waypoints;
  double speed = 1.2;
  std::vector<double> pauses;
  double start_time = 0.0;
  bool loop = false;
  End end = End::Stand;
};

// A walker's timeline, precomputed up to a horizon, queried at any time (seconds since the
// simulation start). The body follows the path smoothly; the legs follow the gait.
class Walker
{
public:
  // Throws std::invalid_argument for no waypoints, a non-positive or non-finite speed,
  // non-finite waypoints or negative pauses.
  Walker(const WalkerScript & script, double horizon);

  int32_t id() const { return id_; }
  bool present(double t) const;
  // Position and velocity of the body; only meaningful while present.
  PersonState state(double t) const;
  // Centres of both legs, each side_offset to the side of the walking line.
  std::array<Eigen::Vector2d, 2> legs(double t, double side_offset = LEG_SIDE_OFFSET) const;

private:
  struct Phase
  {
    double start = 0.0;
    double end = 0.0;
    Polyline path;
    double speed = 0.0;  // 0 while standing
    double step = 0.0;
    Eigen::Vector2d facing;
  };

  const Phase & phaseAt(double t) const;
  void addWalk(std::vector<Eigen::Vector2d> & points, double & t);
  void addStand(const Eigen::Vector2d & where, double duration, double & t);

  int32_t id_;
  double speed_;
  double appear_;
  double leave_;
  Eigen::Vector2d facing_;
  std::vector<Phase> phases_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__WALKER_HPP_
