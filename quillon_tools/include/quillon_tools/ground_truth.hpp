#ifndef QUILLON_TOOLS__GROUND_TRUTH_HPP_
#define QUILLON_TOOLS__GROUND_TRUTH_HPP_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillon_tools
{

// A planar pose: position in metres, heading in radians.
struct Pose2D
{
  double x = 0.0;
  double y = 0.0;
  double yaw = 0.0;
};

// One person at one instant, in "odom".
struct PersonState
{
  int32_t id = 0;
  double x = 0.0;
  double y = 0.0;
  double vx = 0.0;
  double vy = 0.0;
};

// Where everything was at one scan stamp. Robot velocities are those of "base_footprint" in
// "odom" (linear) and its turn rate (angular, rad/s, counter-clockwise positive).
struct TruthFrame
{
  int64_t stamp_ns = 0;
  Pose2D robot;
  double robot_vx = 0.0;
  double robot_vy = 0.0;
  double robot_omega = 0.0;
  std::vector<PersonState> people;
};

// A static thing that leg detectors confuse with legs (a table or chair leg, a pillar, a box),
// in "odom", bounded by a circle.
struct Furniture
{
  std::string kind;
  double x = 0.0;
  double y = 0.0;
  double radius = 0.0;
};

// Everything the evaluation needs to score a run: the scanners' mounts in "base_footprint"
// (frame id -> pose), the furniture and one frame per scan stamp, in time order.
struct GroundTruth
{
  std::map<std::string, Pose2D> mounts;
  std::vector<Furniture> furniture;
  std::vector<TruthFrame> frames;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__GROUND_TRUTH_HPP_
