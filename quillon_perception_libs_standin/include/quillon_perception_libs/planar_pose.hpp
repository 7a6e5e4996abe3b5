#ifndef QUILLON_PERCEPTION_LIBS__PLANAR_POSE_HPP_
#define QUILLON_PERCEPTION_LIBS__PLANAR_POSE_HPP_

#include <Eigen/Core>

#include "geometry_msgs/msg/pose.hpp"

namespace orvane
{
namespace perception
{

// A pose in the plane of the scans ("odom"), and its rate of change.
struct PlanarPose
{
  double x = 0.0;
  double y = 0.0;
  double yaw = 0.0;
};

struct PlanarVelocity
{
  double vx = 0.0;  // m/s, in the odometry frame
  double vy = 0.0;
  double yaw_rate = 0.0;  // rad/s
};

// The scanner's pose in "odom": the robot's pose composed with the scanner's mounting (only its
// planar part: translation x, y and the rotation about z).
PlanarPose sensorPoseInOdom(const geometry_msgs::msg::Pose & robot, const Eigen::Matrix4f & mount);

// The pose `seconds` later at constant velocity.
PlanarPose advance(const PlanarPose & pose, const PlanarVelocity & velocity, double seconds);

// The velocity that leads from `earlier` to `later` in `seconds` (> 0); heading wraps.
PlanarVelocity velocityBetween(
  const PlanarPose & earlier, const PlanarPose & later, double seconds);

// Angle wrapped into [-pi, pi).
double wrapAngle(double angle);

}  // namespace perception
}  // namespace orvane

#endif  // QUILLON_PERCEPTION_LIBS__PLANAR_POSE_HPP_
