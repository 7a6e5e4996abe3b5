// Builders for clusters and laser scans, so that each test reads as the situation it checks.
#ifndef CLUSTER_BUILDERS_HPP_
#define CLUSTER_BUILDERS_HPP_

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace cluster_builders
{

using quillon_dynamic_detector::ClusterCloud;
using quillon_dynamic_detector::ClusterList;

constexpr float NO_RETURN = std::numeric_limits<float>::quiet_NaN();
constexpr float PI_F = 3.14159265F;

// A cluster holding exactly these (x, y) points, z = 0, in this order.
inline ClusterCloud makeCluster(const std::vector<std::pair<float, float>> & points)
{
  auto cluster = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  for (const auto & [x, y] : points) {
    cluster->push_back(pcl::PointXYZ(x, y, 0.0F));
  }
  return cluster;
}

// An nx-by-ny grid of points `spacing` apart, centred at (cx, cy).
inline ClusterCloud makeGrid(float cx, float cy, int nx, int ny, float spacing)
{
  std::vector<std::pair<float, float>> points;
  for (int iy = 0; iy < ny; ++iy) {
    for (int ix = 0; ix < nx; ++ix) {
      points.emplace_back(
        cx + (static_cast<float>(ix) - static_cast<float>(nx - 1) / 2.0F) * spacing,
        cy + (static_cast<float>(iy) - static_cast<float>(ny - 1) / 2.0F) * spacing);
    }
  }
  return makeCluster(points);
}

// A leg-sized cluster around (cx, cy): 3 x 3 points 3 cm apart (6 cm across, 9 points).
inline ClusterCloud makeLeg(float cx, float cy) { return makeGrid(cx, cy, 3, 3, 0.03F); }

// A cluster too big to be a leg around (cx, cy): 6 x 5 points 3 cm apart (30 points).
inline ClusterCloud makeBody(float cx, float cy) { return makeGrid(cx, cy, 6, 5, 0.03F); }

// Two points at (cx - 0.03, cy) and (cx + 0.03, cy): a tiny leg whose centroid y is exactly cy,
// for tests that place clusters at exact distances.
inline ClusterCloud makePointPair(float cx, float cy)
{
  return makeCluster({{cx - 0.03F, cy}, {cx + 0.03F, cy}});
}

// Points of all clusters in list order, as (x, y).
inline std::vector<std::pair<float, float>> pointsOf(const ClusterList & clusters)
{
  std::vector<std::pair<float, float>> points;
  for (const ClusterCloud & cluster : clusters) {
    for (const pcl::PointXYZ & p : *cluster) {
      points.emplace_back(p.x, p.y);
    }
  }
  return points;
}

inline sensor_msgs::msg::LaserScan::SharedPtr makeScan(
  std::vector<float> ranges, float angle_min = -0.75F * PI_F,
  float angle_increment = 1.5F * PI_F / 1080.0F)
{
  auto scan = std::make_shared<sensor_msgs::msg::LaserScan>();
  scan->header.frame_id = "base_scan_01";
  scan->angle_min = angle_min;
  scan->angle_increment = angle_increment;
  scan->angle_max = angle_min + angle_increment * static_cast<float>(ranges.size() - 1);
  scan->range_min = 0.05F;
  scan->range_max = 30.0F;
  scan->ranges = std::move(ranges);
  return scan;
}

// Ranges made of runs: {count, range} pairs laid end to end.
inline std::vector<float> rangeRuns(const std::vector<std::pair<std::size_t, float>> & runs)
{
  std::vector<float> ranges;
  for (const auto & [count, range] : runs) {
    ranges.insert(ranges.end(), count, range);
  }
  return ranges;
}

struct Circle
{
  float x;
  float y;
  float radius;
};

// A scanner at the origin of a room of walls x = +-half_x, y = +-half_y, with round obstacles
// (people's legs) in it. Every beam returns the nearest hit.
struct Room
{
  float half_x = 4.0F;
  float half_y = 3.0F;
  std::vector<Circle> circles;
};

inline float wallRange(const Room & room, float dx, float dy)
{
  const float tx = std::abs(dx) > 1e-9F ? room.half_x / std::abs(dx) : NO_RETURN;
  const float ty = std::abs(dy) > 1e-9F ? room.half_y / std::abs(dy) : NO_RETURN;
  return std::isnan(tx) ? ty : (std::isnan(ty) ? tx : std::min(tx, ty));
}

inline float circleRange(const Circle & c, float dx, float dy)
{
  const float along = c.x * dx + c.y * dy;
  const float miss_sq = c.x * c.x + c.y * c.y - along * along;
  const float half_chord_sq = c.radius * c.radius - miss_sq;
  if (along <= 0.0F || half_chord_sq < 0.0F) {
    return NO_RETURN;
  }
  return along - std::sqrt(half_chord_sq);
}

// One scan of the room, 1081 beams over 270 degrees unless told otherwise. With `walls` false
// only the circles return (as in a moving-point scan).
inline sensor_msgs::msg::LaserScan::SharedPtr makeRoomScan(
  const Room & room, bool walls = true, std::size_t beams = 1081, float angle_min = -0.75F * PI_F,
  float angle_increment = 1.5F * PI_F / 1080.0F)
{
  std::vector<float> ranges(beams, NO_RETURN);
  for (std::size_t i = 0; i < beams; ++i) {
    const float angle = static_cast<float>(i) * angle_increment + angle_min;
    const float dx = std::cos(angle);
    const float dy = std::sin(angle);
    float nearest = walls ? wallRange(room, dx, dy) : NO_RETURN;
    for (const Circle & c : room.circles) {
      const float r = circleRange(c, dx, dy);
      if (!std::isnan(r) && (std::isnan(nearest) || r < nearest)) {
        nearest = r;
      }
    }
    ranges[i] = nearest;
  }
  return makeScan(std::move(ranges), angle_min, angle_increment);
}

// A person's two legs (radius 6 cm) at (x, y), their centres `stride` apart across the line of
// sight: 0.3 m keeps them apart for the clusterer's 0.18 m tolerance.
inline void addPerson(Room & room, float x, float y, float stride = 0.3F)
{
  const float range = std::hypot(x, y);
  const float across_x = -y / range * stride / 2.0F;
  const float across_y = x / range * stride / 2.0F;
  room.circles.push_back({x + across_x, y + across_y, 0.06F});
  room.circles.push_back({x - across_x, y - across_y, 0.06F});
}

// A person walking along +x at `speed` with a gait: one leg stands while the other swings
// forward at twice the walking speed, swapping every step of `step` metres. The legs sit
// 0.1 m either side of the line y = `y`; returns the body's x at time t.
inline float addWalkingPerson(
  Room & room, float start_x, float y, float speed, float t, float step = 0.6F)
{
  const float step_time = step / speed;
  const float steps = t / step_time;
  const float whole_steps = std::floor(steps);
  const float swing = steps - whole_steps;  // 0 .. 1 within the current step
  const float body_x = start_x + speed * t;
  // The standing leg was planted half a step ahead of the body when the step began.
  const float standing_x = start_x + step * whole_steps + 0.5F * step;
  const float swinging_x = standing_x - step + 2.0F * step * swing;
  const bool left_swings = static_cast<int>(whole_steps) % 2 == 0;
  room.circles.push_back({left_swings ? swinging_x : standing_x, y + 0.1F, 0.06F});
  room.circles.push_back({left_swings ? standing_x : swinging_x, y - 0.1F, 0.06F});
  return body_x;
}

}  // namespace cluster_builders

#endif  // CLUSTER_BUILDERS_HPP_
