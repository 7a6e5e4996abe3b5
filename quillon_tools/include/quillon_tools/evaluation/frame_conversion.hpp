#ifndef QUILLON_TOOLS__EVALUATION__FRAME_CONVERSION_HPP_
#define QUILLON_TOOLS__EVALUATION__FRAME_CONVERSION_HPP_

#include <optional>
#include <string>

#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

constexpr const char * ROBOT_FRAME = "base_footprint";

struct PlanarVector
{
  double x = 0.0;
  double y = 0.0;
};

// A truth person as an output list would report it: position in the output frame and velocity
// relative to the robot, expressed in the output frame.
struct PersonInFrame
{
  int32_t id = 0;
  PlanarVector position;
  PlanarVector velocity;
};

// `child` expressed in `parent`'s parent frame (pose composition parent * child).
Pose2D composePoses(const Pose2D & parent, const Pose2D & child);

// Pose in "odom" of the output frame `frame_id` ("base_footprint" or a scanner frame of
// `truth.mounts`) when the robot is at `robot`; nullopt for an unknown frame.
std::optional<Pose2D> outputFramePose(
  const GroundTruth & truth, const Pose2D & robot, const std::string & frame_id);

// A point of "odom" in `frame`, and back.
PlanarVector pointIntoFrame(const Pose2D & frame, const PlanarVector & odom_point);
PlanarVector pointFromFrame(const Pose2D & frame, const PlanarVector & frame_point);

// The person seen from the moving robot: v_rel = v_person - v_robot - omega x (p_person - p_robot)
// in "odom", then rotated into the output frame, so a still person seen by a turning robot moves.
PersonInFrame personInFrame(
  const TruthFrame & at, const Pose2D & frame_pose, const PersonState & person);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__FRAME_CONVERSION_HPP_
