#include "quillon_dynamic_detector/seen_through_memory.hpp"

#include <algorithm>
#include <cmath>

#include <Eigen/LU>

namespace quillon_dynamic_detector
{
namespace
{

// Scans kept over the memory: enough for a leg that steps in within a few hundredths of a second
// of being seen through, few enough that a spot costs a handful of look-ups.
constexpr int KEPT_SCANS = 8;

// A kept scan taken within this of the scanner's place and heading now counts as taken from here.
constexpr float SAME_PLACE = 0.02f;    // m
constexpr float SAME_HEADING = 0.02f;  // rad

constexpr float TWO_PI = 6.283185307179586f;

}  // namespace

SeenThroughMemory::SeenThroughMemory(const Settings & settings) : settings_(settings) {}

void SeenThroughMemory::startScan(
  const sensor_msgs::msg::LaserScan & scan, const Eigen::Matrix4f & sensor_to_base,
  const PlanarPose & robot, double t)
{
  while (!scans_.empty() && t - scans_.front().stamp > static_cast<double>(settings_.memory)) {
    scans_.pop_front();
  }
  has_current_ = false;
  // The mounting's plane may be mirrored (a scanner upside down), so it is inverted, not
  // transposed.
  const Eigen::Matrix2f mounting = sensor_to_base.topLeftCorner<2, 2>();
  if (
    !(settings_.memory > 0.0f) || !(std::fabs(mounting.determinant()) > 1e-6f) ||
    !std::isfinite(scan.angle_increment)) {
    return;
  }
  Eigen::Matrix2f odom_from_base;
  odom_from_base << std::cos(robot.yaw), -std::sin(robot.yaw), std::sin(robot.yaw),
    std::cos(robot.yaw);
  const Eigen::Vector2f robot_position(robot.x, robot.y);
  current_.stamp = t;
  current_.to_sensor = mounting.inverse() * odom_from_base.transpose();
  current_.origin = odom_from_base * sensor_to_base.block<2, 1>(0, 3) + robot_position;
  current_.offset = -current_.to_sensor * current_.origin;
  const Eigen::Vector2f x_axis = odom_from_base * mounting.col(0);
  current_.heading = std::atan2(x_axis.y(), x_axis.x());
  current_.angle_min = scan.angle_min;
  current_.angle_increment = scan.angle_increment;
  current_.range_min = scan.range_min;
  current_.range_max = scan.range_max;
  current_.ranges = scan.ranges;
  has_current_ = true;
}

bool SeenThroughMemory::wasSeenThrough(const PlanarPoint & p) const
{
  for (const KeptScan & scan : scans_) {
    // Placed once per kept scan: both rules ask the same beams.
    long first = 0;
    float range = 0.0f;
    if (
      locate(scan, p, first, range) &&
      (sawThrough(scan, first, range) || sawStepAway(scan, p, first, range))) {
      return true;
    }
  }
  return false;
}

void SeenThroughMemory::keepCurrentScan()
{
  const double spacing = static_cast<double>(settings_.memory) / KEPT_SCANS;
  if (has_current_ && (scans_.empty() || current_.stamp - scans_.back().stamp >= spacing)) {
    scans_.push_back(std::move(current_));
  }
  has_current_ = false;
}

void SeenThroughMemory::remember(
  const sensor_msgs::msg::LaserScan & scan, const Eigen::Matrix4f & sensor_to_base,
  const PlanarPose & robot, double t)
{
  startScan(scan, sensor_to_base, robot, t);
  keepCurrentScan();
}

void SeenThroughMemory::clear()
{
  scans_.clear();
  has_current_ = false;
}

float SeenThroughMemory::reach(const KeptScan & scan, long index)
{
  if (index < 0 || index >= static_cast<long>(scan.ranges.size())) {
    return -1.0f;
  }
  const float r = scan.ranges[static_cast<std::size_t>(index)];
  if (std::isinf(r) && r > 0.0f) {
    return scan.range_max;
  }
  // NaN fails the comparison: no information, like a reading below range_min.
  return r >= scan.range_min && r > 0.0f ? r : -1.0f;
}

bool SeenThroughMemory::locate(
  const KeptScan & scan, const PlanarPoint & p, long & first, float & range)
{
  const Eigen::Vector2f local = scan.to_sensor * Eigen::Vector2f(p.x, p.y) + scan.offset;
  range = local.norm();
  const float increment = scan.angle_increment;
  if (!(std::fabs(increment) > 0.0f)) {
    return false;
  }
  // Angle from the first beam, taken the way the beams run, in [0, 2 pi).
  float turn = std::atan2(local.y(), local.x()) - scan.angle_min;
  if (increment < 0.0f) {
    turn = -turn;
  }
  turn -= TWO_PI * std::floor(turn / TWO_PI);
  // Compared before the conversion: a tiny increment would put the beam beyond any long, and for
  // an absurd angle_min (1e30 rad) the wrap above loses every digit and may leave turn negative.
  const float beam = std::floor(turn / std::fabs(increment));
  if (!(beam >= 0.0f && beam < static_cast<float>(scan.ranges.size()))) {
    return false;
  }
  first = static_cast<long>(beam);
  return true;
}

bool SeenThroughMemory::sawThrough(const KeptScan & scan, long first, float range) const
{
  // Both beams around the spot must have reached past: beside an edge one of them may have
  // passed the corner that the spot now lies just behind. After a turn, so must the beams as
  // far to either side as the turn may have misplaced the spot (odometry, a scan swept while
  // turning): a thin leg of furniture seen a little off was not seen through.
  long spread = 0;
  if (settings_.turn_margin > 0.0f && has_current_ && range > 0.0f) {
    const float turned = std::fabs(std::remainder(current_.heading - scan.heading, TWO_PI));
    const float lateral = settings_.turn_margin * turned * range;
    spread = static_cast<long>(
      std::min(std::atan2(lateral, range) / std::fabs(scan.angle_increment), 1.0e6f));
  }
  const float needed = range + margin(range);
  for (long index = first - spread; index <= first + 1 + spread; ++index) {
    if (!(reach(scan, index) > needed)) {
      return false;
    }
  }
  return true;
}

bool SeenThroughMemory::sawStepAway(
  const KeptScan & scan, const PlanarPoint & p, long first, float range) const
{
  if (!(settings_.uncovered_depth > 0.0f) || !has_current_) {
    return false;
  }
  const float turned = std::remainder(current_.heading - scan.heading, TWO_PI);
  if ((current_.origin - scan.origin).norm() > SAME_PLACE || std::fabs(turned) > SAME_HEADING) {
    return false;
  }
  const float before = reach(scan, first);
  const float after = reach(scan, first + 1);
  if (before < 0.0f || after < 0.0f || !(range > 0.0f)) {
    return false;
  }
  const float nearest = range - settings_.uncovered_depth;
  const float farthest = range - margin(range);
  if (before < nearest || before > farthest || after < nearest || after > farthest) {
    return false;
  }
  // Where those beams ended, on the way from the kept scan's scanner to `p`.
  const Eigen::Vector2f from = scan.origin;
  const Eigen::Vector2f end =
    from + (Eigen::Vector2f(p.x, p.y) - from) * (0.5f * (before + after) / range);
  long end_first = 0;
  float end_range = 0.0f;
  return locate(current_, PlanarPoint{end.x(), end.y()}, end_first, end_range) &&
         sawThrough(current_, end_first, end_range);
}

}  // namespace quillon_dynamic_detector
