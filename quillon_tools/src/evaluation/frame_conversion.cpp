#include "quillon_tools/evaluation/frame_conversion.hpp"

#include <cmath>

namespace quillon_tools
{

Pose2D composePoses(const Pose2D & parent, const Pose2D & child)
{
  const double c = std::cos(parent.yaw);
  const double s = std::sin(parent.yaw);
  Pose2D pose;
  pose.x = parent.x + c * child.x - s * child.y;
  pose.y = parent.y + s * child.x + c * child.y;
  pose.yaw = parent.yaw + child.yaw;
  return pose;
}

std::optional<Pose2D> outputFramePose(
  const GroundTruth & truth, const Pose2D & robot, const std::string & frame_id)
{
  if (frame_id == ROBOT_FRAME) {
    return robot;
  }
  const auto mount = truth.mounts.find(frame_id);
  if (mount == truth.mounts.end()) {
    return std::nullopt;
  }
  return composePoses(robot, mount->second);
}

PlanarVector pointIntoFrame(const Pose2D & frame, const PlanarVector & odom_point)
{
  const double c = std::cos(frame.yaw);
  const double s = std::sin(frame.yaw);
  const double dx = odom_point.x - frame.x;
  const double dy = odom_point.y - frame.y;
  return {c * dx + s * dy, -s * dx + c * dy};
}

PlanarVector pointFromFrame(const Pose2D & frame, const PlanarVector & frame_point)
{
  const double c = std::cos(frame.yaw);
  const double s = std::sin(frame.yaw);
  return {
    frame.x + c * frame_point.x - s * frame_point.y,
    frame.y + s * frame_point.x + c * frame_point.y};
}

PersonInFrame personInFrame(
  const TruthFrame & at, const Pose2D & frame_pose, const PersonState & person)
{
  const double rx = person.x - at.robot.x;
  const double ry = person.y - at.robot.y;
  // omega x r = (-omega * r_y, omega * r_x): the motion of a point fixed to the turning robot.
  const double vx = person.vx - at.robot_vx + at.robot_omega * ry;
  const double vy = person.vy - at.robot_vy - at.robot_omega * rx;
  const double c = std::cos(frame_pose.yaw);
  const double s = std::sin(frame_pose.yaw);
  PersonInFrame seen;
  seen.id = person.id;
  seen.position = pointIntoFrame(frame_pose, {person.x, person.y});
  seen.velocity = {c * vx + s * vy, -s * vx + c * vy};
  return seen;
}

}  // namespace quillon_tools
