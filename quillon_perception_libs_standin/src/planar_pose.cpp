#include "quillon_perception_libs/planar_pose.hpp"

#include <cmath>

namespace orvane
{
namespace perception
{

PlanarPose sensorPoseInOdom(const geometry_msgs::msg::Pose & robot, const Eigen::Matrix4f & mount)
{
  const auto & q = robot.orientation;
  const double robot_yaw =
    std::atan2(2.0 * (q.w * q.z + q.x * q.y), 1.0 - 2.0 * (q.y * q.y + q.z * q.z));
  const double c = std::cos(robot_yaw);
  const double s = std::sin(robot_yaw);
  const double mx = mount(0, 3);
  const double my = mount(1, 3);
  PlanarPose sensor;
  sensor.x = robot.position.x + c * mx - s * my;
  sensor.y = robot.position.y + s * mx + c * my;
  sensor.yaw = wrapAngle(robot_yaw + std::atan2(mount(1, 0), mount(0, 0)));
  return sensor;
}

PlanarPose advance(const PlanarPose & pose, const PlanarVelocity & velocity, double seconds)
{
  return {
    pose.x + velocity.vx * seconds, pose.y + velocity.vy * seconds,
    pose.yaw + velocity.yaw_rate * seconds};
}

PlanarVelocity velocityBetween(const PlanarPose & earlier, const PlanarPose & later, double seconds)
{
  return {
    (later.x - earlier.x) / seconds, (later.y - earlier.y) / seconds,
    wrapAngle(later.yaw - earlier.yaw) / seconds};
}

double wrapAngle(double angle)
{
  const double wrapped = std::remainder(angle, 2.0 * M_PI);
  return wrapped >= M_PI ? wrapped - 2.0 * M_PI : wrapped;
}

}  // namespace perception
}  // namespace orvane
