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
  // Returns the frame's scan took from this person (its legs); -1 when unknown (annotations).
  int32_t beams = -1;
};

// A circle in "odom" where somebody is known to be but not labelled in its frame: a detection of
// nobody there is neither a true nor a false positive.
struct IgnoredRegion
{
  double x = 0.0;
  double y = 0.0;
  double radius = 0.0;
};

// Where everything was at one scan stamp. Robot velocities are those of "base_footprint" in
// "odom" (linear) and its turn rate (angular, rad/s, counter-clockwise positive).
struct TruthFrame
{
  int64_t stamp_ns = 0;
  // The scanner frame whose scan this frame belongs to; empty when unknown (annotations).
  std::string scanner_frame;
  Pose2D robot;
  double robot_vx = 0.0;
  double robot_vy = 0.0;
  double robot_omega = 0.0;
  std::vector<PersonState> people;
  std::vector<IgnoredRegion> ignored;
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

// What a scanner can see: the angular width of its field of view (rad, centred on the mount's
// heading) and its range limit (m).
struct ScannerView
{
  double fov = 6.283185307179586;
  double range_max = 1.0e9;
};

// Everything the evaluation needs to score a run: the scanners' mounts in "base_footprint"
// (frame id -> pose), what each can see (absent: all around, unlimited), the furniture and one
// frame per scan stamp, in time order.
struct GroundTruth
{
  std::map<std::string, Pose2D> mounts;
  std::map<std::string, ScannerView> views;
  std::vector<Furniture> furniture;
  std::vector<TruthFrame> frames;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__GROUND_TRUTH_HPP_
