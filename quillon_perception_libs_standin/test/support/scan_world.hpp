#ifndef QUILLON_PERCEPTION_LIBS__TEST__SCAN_WORLD_HPP_
#define QUILLON_PERCEPTION_LIBS__TEST__SCAN_WORLD_HPP_

// A small planar world for the detector's tests: a rectangular room, round things in it (legs,
// table legs, posts) and a scanner on a robot whose pose is a function of time. Scans are made
// beam by beam as a turning mirror takes them.

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "geometry_msgs/msg/pose.hpp"
#include "quillon_perception_libs/planar_pose.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace scan_world
{

using orvane::perception::PlanarPose;

struct Circle
{
  double x = 0.0;
  double y = 0.0;
  double radius = 0.06;
};

struct World
{
  double half_length = 4.0;  // room from -half_length to +half_length in x
  double half_width = 3.0;
  std::vector<Circle> circles;
};

// Distance from (ox, oy) along the unit direction (dx, dy) to the first wall or circle.
inline double castRay(const World & world, double ox, double oy, double dx, double dy)
{
  double best = std::numeric_limits<double>::infinity();
  auto wall = [&](double to, double o, double d) {
    if (d != 0.0) {
      const double t = (to - o) / d;
      if (t > 0.0) {
        best = std::min(best, t);
      }
    }
  };
  wall(world.half_length, ox, dx);
  wall(-world.half_length, ox, dx);
  wall(world.half_width, oy, dy);
  wall(-world.half_width, oy, dy);
  for (const Circle & c : world.circles) {
    const double fx = ox - c.x;
    const double fy = oy - c.y;
    const double b = fx * dx + fy * dy;
    const double disc = b * b - (fx * fx + fy * fy - c.radius * c.radius);
    if (disc >= 0.0) {
      const double t = -b - std::sqrt(disc);
      if (t > 0.0) {
        best = std::min(best, t);
      }
    }
  }
  return best;
}

struct Scanner
{
  int beams = 1081;
  double fov = 1.5 * M_PI;
  double rate_hz = 40.0;
  bool sweep_timing = true;  // each beam taken as the mirror passes it (a full turn per period)
  double noise_sigma = 0.0;  // m
  float range_min = 0.05f;
  float range_max = 30.0f;
  double mount_x = 0.3;  // scanner ahead of the robot's centre

  double angleIncrement() const { return fov / (beams - 1); }
  double beamTimeStep() const
  {
    return sweep_timing ? angleIncrement() / (2.0 * M_PI) / rate_hz : 0.0;
  }
};

using RobotPath = std::function<PlanarPose(double)>;  // robot pose in "odom" at a time
using WorldAt = std::function<World(double)>;         // the world at a time
using Scan = sensor_msgs::msg::LaserScan;

inline PlanarPose sensorAt(const Scanner & scanner, const PlanarPose & robot)
{
  return {
    robot.x + scanner.mount_x * std::cos(robot.yaw),
    robot.y + scanner.mount_x * std::sin(robot.yaw), robot.yaw};
}

// The scan whose first beam is taken at `stamp`.
inline Scan::SharedPtr scanAt(
  const Scanner & scanner, const WorldAt & world_at, const RobotPath & path, double stamp,
  std::mt19937 * noise = nullptr)
{
  auto scan = std::make_shared<Scan>();
  scan->header.frame_id = "base_scan_01";
  scan->header.stamp.sec = static_cast<int32_t>(std::floor(stamp));
  scan->header.stamp.nanosec =
    static_cast<uint32_t>(std::llround((stamp - std::floor(stamp)) * 1e9));
  scan->angle_min = static_cast<float>(-0.5 * scanner.fov);
  scan->angle_increment = static_cast<float>(scanner.angleIncrement());
  scan->angle_max = scan->angle_min + static_cast<float>(scanner.beams - 1) * scan->angle_increment;
  scan->time_increment = static_cast<float>(scanner.beamTimeStep());
  scan->scan_time = static_cast<float>(1.0 / scanner.rate_hz);
  scan->range_min = scanner.range_min;
  scan->range_max = scanner.range_max;
  std::normal_distribution<double> gauss(
    0.0, scanner.noise_sigma > 0.0 ? scanner.noise_sigma : 1.0);
  for (int i = 0; i < scanner.beams; ++i) {
    const double t = stamp + i * scanner.beamTimeStep();
    const PlanarPose sensor = sensorAt(scanner, path(t));
    const double angle =
      sensor.yaw + scan->angle_min + i * static_cast<double>(scan->angle_increment);
    double r = castRay(world_at(t), sensor.x, sensor.y, std::cos(angle), std::sin(angle));
    if (noise != nullptr && scanner.noise_sigma > 0.0) {
      r += gauss(*noise);
    }
    scan->ranges.push_back(
      r > scanner.range_max ? std::numeric_limits<float>::infinity() : static_cast<float>(r));
  }
  return scan;
}

inline geometry_msgs::msg::Pose poseMessage(const PlanarPose & robot)
{
  geometry_msgs::msg::Pose pose;
  pose.position.x = robot.x;
  pose.position.y = robot.y;
  pose.orientation.z = std::sin(0.5 * robot.yaw);
  pose.orientation.w = std::cos(0.5 * robot.yaw);
  return pose;
}

// Where beam i of `scan` hit, in "odom", for a robot on `path`.
inline std::pair<double, double> hitPoint(
  const Scanner & scanner, const RobotPath & path, const Scan & scan, std::size_t i, double stamp)
{
  const PlanarPose sensor = sensorAt(scanner, path(stamp + i * scanner.beamTimeStep()));
  const double angle = sensor.yaw + scan.angle_min + i * static_cast<double>(scan.angle_increment);
  return {sensor.x + scan.ranges[i] * std::cos(angle), sensor.y + scan.ranges[i] * std::sin(angle)};
}

inline bool nearCircle(const std::pair<double, double> & p, const Circle & c, double slack = 0.05)
{
  return std::hypot(p.first - c.x, p.second - c.y) < c.radius + slack;
}

}  // namespace scan_world

#endif  // QUILLON_PERCEPTION_LIBS__TEST__SCAN_WORLD_HPP_
