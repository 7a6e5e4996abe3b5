#include "quillon_perception_libs/dynamic_laser_detector.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace orvane
{
namespace perception
{
namespace
{

constexpr float NO_RETURN = std::numeric_limits<float>::infinity();
// Longer scans are passed on as static and not remembered: memory stays bounded.
constexpr std::size_t MAX_BEAMS = 65536;
// A sweep that claims to last longer than this is not a laser scanner's; its timing is ignored.
constexpr double MAX_SWEEP_S = 1.0;
// m: a robot's own body lies within this of its scanner.
constexpr float BODY_REACH = 1.0f;
// m: a person who walks to a spot and stops had a leg moving this close to it a moment before.
constexpr double ARRIVAL_RADIUS = 0.8;
// Odometry farther apart than this gives no useful velocity for the sweep.
constexpr double MAX_POSE_GAP_S = 1.0;
// No odometry runs this far (m); beyond it, or not finite, a pose would poison the odometer's sums
// and the single-precision beam geometry for as long as the memory lasts.
constexpr double MAX_POSE_MAGNITUDE = 1.0e9;

double stampSeconds(const sensor_msgs::msg::LaserScan & scan)
{
  return scan.header.stamp.sec + scan.header.stamp.nanosec * 1e-9;
}

void copyGeometry(const sensor_msgs::msg::LaserScan & in, sensor_msgs::msg::LaserScan & out)
{
  out.header = in.header;
  out.angle_min = in.angle_min;
  out.angle_max = in.angle_max;
  out.angle_increment = in.angle_increment;
  out.time_increment = in.time_increment;
  out.scan_time = in.scan_time;
  out.range_min = in.range_min;
  out.range_max = in.range_max;
  out.ranges.assign(in.ranges.size(), NO_RETURN);
}

// Beam angles and range limits that free space can be read from.
bool usableGeometry(const sensor_msgs::msg::LaserScan & scan)
{
  return std::isfinite(scan.angle_min) && std::isfinite(scan.angle_increment) &&
         scan.angle_increment != 0.0f && std::isfinite(scan.range_min) &&
         std::isfinite(scan.range_max) && scan.range_min >= 0.0f &&
         scan.range_max > scan.range_min && scan.ranges.size() <= MAX_BEAMS;
}

// Keeps only runs of at least `min_run` consecutive moving beams: single stray beams are noise.
void dropShortRuns(std::vector<bool> & moving, int min_run)
{
  std::size_t i = 0;
  while (i < moving.size()) {
    if (!moving[i]) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < moving.size() && moving[end]) {
      ++end;
    }
    if (static_cast<long>(end - i) < min_run) {
      std::fill(
        moving.begin() + static_cast<long>(i), moving.begin() + static_cast<long>(end), false);
    }
    i = end;
  }
}

// Spreads motion from each moving return to its neighbours on the next beams whose spots no
// remembered scan saw, while their ranges stay within `gap` of each other: one body.
void joinUnseenToMoving(
  std::vector<bool> & moving, const std::vector<bool> & unseen, const std::vector<float> & ranges,
  float gap)
{
  const auto joins = [&](std::size_t beam, std::size_t neighbour) {
    return !moving[beam] && unseen[beam] && moving[neighbour] &&
           std::fabs(ranges[beam] - ranges[neighbour]) <= gap;
  };
  for (std::size_t i = 1; i < moving.size(); ++i) {
    if (joins(i, i - 1)) {
      moving[i] = true;
    }
  }
  for (std::size_t i = moving.size(); i-- > 1;) {
    if (joins(i - 1, i)) {
      moving[i - 1] = true;
    }
  }
}

bool isPlaceable(const PlanarPose & sensor)
{
  return std::fabs(sensor.x) <= MAX_POSE_MAGNITUDE && std::fabs(sensor.y) <= MAX_POSE_MAGNITUDE &&
         std::isfinite(sensor.yaw);  // false for NaN
}

}  // namespace

DynamicLaserDetector::DynamicLaserDetector(const std::string & config_path)
: sensor_to_base(Eigen::Matrix4f::Identity()),
  settings_(loadFreeSpaceSettings(config_path)),
  memory_(settings_.free_space_memory, settings_.memory_spacing),
  structure_(settings_.structure_memory)
{
}

void DynamicLaserDetector::Process(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose,
  const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
  const sensor_msgs::msg::LaserScan::SharedPtr & static_scan)
{
  copyGeometry(*scan, *dynamic_scan);
  copyGeometry(*scan, *static_scan);
  const double stamp = stampSeconds(*scan);
  if (last_pose_ && stamp < last_pose_->stamp) {
    forget();  // time went back (a recording replayed again): earlier scans mean nothing now
  }
  memory_.expire(stamp);
  structure_.expire(stamp);
  moving_.assign(scan->ranges.size(), false);
  const PlanarPose sensor = sensorPoseInOdom(pose, sensor_to_base);
  if (usableGeometry(*scan) && isPlaceable(sensor)) {
    keepPendingView(stamp, sensor);
    const Sweep sweep = sweepOf(*scan, sensor, stamp);
    markMoving(*scan, sweep, stamp);
    if (memory_.wants(stamp)) {
      pending_view_ = viewOf(*scan, sweep, stamp);
    }
  }
  for (std::size_t i = 0; i < scan->ranges.size(); ++i) {
    (moving_[i] ? dynamic_scan : static_scan)->ranges[i] = scan->ranges[i];
  }
}

void DynamicLaserDetector::forget()
{
  memory_.clear();
  structure_.clear();
  pending_view_.reset();
  last_pose_.reset();
  odometer_ = Odometer{};
}

void DynamicLaserDetector::keepPendingView(double stamp, const PlanarPose & sensor)
{
  if (!pending_view_) {
    return;
  }
  // The previous scan is remembered once this scan's pose shows how the scanner moved while the
  // mirror went round; a sweep of unknown motion could show free space where there is none.
  const double gap = stamp - pending_view_->stamp;
  if (gap > 0.0 && gap <= MAX_POSE_GAP_S) {
    Sweep & sweep = pending_view_->sweep;
    sweep.velocity = velocityBetween(sweep.start, sensor, gap);
    memory_.keep(std::move(*pending_view_));
  }
  pending_view_.reset();
}

Sweep DynamicLaserDetector::sweepOf(
  const sensor_msgs::msg::LaserScan & scan, const PlanarPose & sensor, double stamp)
{
  Sweep sweep;
  sweep.start = sensor;
  sweep.angle_min = scan.angle_min;
  sweep.angle_increment = scan.angle_increment;
  const double step = scan.time_increment;
  if (
    std::isfinite(step) &&
    std::fabs(step) * static_cast<double>(scan.ranges.size()) <= MAX_SWEEP_S) {
    sweep.beam_time_step = step;
  }
  if (last_pose_) {
    odometer_.distance +=
      std::hypot(sensor.x - last_pose_->sensor.x, sensor.y - last_pose_->sensor.y);
    odometer_.turned += std::fabs(wrapAngle(sensor.yaw - last_pose_->sensor.yaw));
    // This sweep's own motion is not known yet: assume it goes on as since the previous scan.
    const double gap = stamp - last_pose_->stamp;
    if (gap > 0.0 && gap <= MAX_POSE_GAP_S) {
      sweep.velocity = velocityBetween(last_pose_->sensor, sensor, gap);
    }
  }
  last_pose_ = LastPose{stamp, sensor};
  return sweep;
}

void DynamicLaserDetector::markMoving(
  const sensor_msgs::msg::LaserScan & scan, const Sweep & sweep, double stamp)
{
  if (memory_.empty()) {
    return;  // nothing seen before: nothing is known to be free
  }
  margins_.clear();
  for (const RememberedView & view : memory_.views()) {
    margins_.push_back(marginsSince(view, odometer_, settings_));
  }
  current_view_.stamp = stamp;
  current_view_.sweep = sweep;
  current_view_.odometer = odometer_;
  setReach(scan, current_view_);  // only asked what it sees through: no places needed
  current_margins_ = marginsSince(current_view_, odometer_, settings_);
  const float farthest = static_cast<float>(settings_.max_range);
  unseen_.assign(scan.ranges.size(), false);
  for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
    const float r = scan.ranges[i];
    // A reading of range_max is what some drivers write for no echo: never a return that moves.
    if (!(r > 0.0f && r >= scan.range_min && r < scan.range_max && r <= farthest)) {
      continue;  // no return, or one the scanner does not vouch for
    }
    const PlanarPose at_beam = sweep.poseOfBeam(static_cast<double>(i));
    const double angle =
      at_beam.yaw + sweep.angle_min + static_cast<double>(i) * sweep.angle_increment;
    const double x = at_beam.x + r * std::cos(angle);
    const double y = at_beam.y + r * std::sin(angle);
    PlanarPose seen_through_from;
    bool unseen = false;
    moving_[i] = seenFree(x, y, seen_through_from, unseen) &&
                 !movesWithRobot(scan, i, sweep.start) &&
                 !structure_.isStructure(x, y, stamp, seen_through_from);
    unseen_[i] = unseen;
  }
  if (settings_.unseen_join_range_gap > 0.0 && stoodStill()) {
    joinUnseenToMoving(
      moving_, unseen_, scan.ranges, static_cast<float>(settings_.unseen_join_range_gap));
  }
  dropShortRuns(moving_, settings_.min_support_beams);
}

bool DynamicLaserDetector::stoodStill() const
{
  return atRestSince(memory_.views().front(), odometer_);
}

bool DynamicLaserDetector::seenFree(
  double x, double y, PlanarPose & seen_through_from, bool & unseen) const
{
  // The remembered views weigh in: a spot is free when more of them saw through it than saw it
  // occupied before the newest one that saw through it. A surface that now and then brings no
  // echo back (+inf) was seen occupied before and stays static; a person who stops stays moving
  // as long as the free space they stepped into is remembered.
  const auto & views = memory_.views();
  int free_views = 0;
  int hits = 0;
  int hits_before_free = 0;  // hits older than the newest view so far that saw through the spot
  std::size_t newest_free = 0;
  std::optional<double> occupied_since;  // oldest hit since the newest view that saw through
  shadows_.clear();
  for (std::size_t k = 0; k < views.size(); ++k) {
    const SpotSight sight = sightOf(views[k], x, y, margins_[k]);
    if (sight.kind == SpotSight::kSeenThrough) {
      ++free_views;
      newest_free = k;
      hits_before_free = hits;
      occupied_since.reset();
    } else if (sight.kind == SpotSight::kHit) {
      ++hits;
      occupied_since = occupied_since.value_or(views[k].stamp);
    } else if (sight.kind == SpotSight::kShadowed && sight.depth <= settings_.uncovered_depth) {
      shadows_.push_back(sight);
    }
    // Seen occupied, and the younger views left cannot outvote it: most spots are walls.
    const auto younger = static_cast<int>(views.size() - 1 - k);
    if (hits > 0 && free_views <= hits_before_free && free_views + younger <= hits) {
      return false;
    }
  }
  unseen = free_views == 0 && hits == 0 && shadows_.empty();
  if (free_views > hits_before_free) {
    seen_through_from = views[newest_free].sweep.start;
    return !settled(occupied_since.value_or(current_view_.stamp), views[newest_free], x, y);
  }
  // Someone walking straight away steps into space their own legs hid: never seen free, but
  // right behind something that has since gone, and never seen occupied.
  seen_through_from = current_view_.sweep.start;
  return hits == 0 && std::any_of(shadows_.begin(), shadows_.end(), [this](const SpotSight & s) {
           return seesThrough(current_view_, s.occluder_x, s.occluder_y, current_margins_);
         });
}

bool DynamicLaserDetector::settled(
  double occupied_since, const RememberedView & last_free, double x, double y) const
{
  // Something the earlier scans could not see (glass at a slant, a dark post) has come into view
  // and stays; a person who walked there and stopped had a leg moving beside it a moment before.
  return settings_.settle_time > 0.0 &&
         current_view_.stamp - occupied_since >= settings_.settle_time &&
         !movedNear(last_free, x, y, ARRIVAL_RADIUS);
}

bool DynamicLaserDetector::movesWithRobot(
  const sensor_msgs::msg::LaserScan & scan, std::size_t beam, const PlanarPose & sensor) const
{
  // The oldest view that brought an echo back on this beam decides: one that lost it says
  // nothing, and a younger one has seen the robot travel less (a person walking ahead at nearly
  // the robot's speed keeps their range for a while too). Within reach of the robot's body any
  // view will do, since the body's returns may wander a few centimetres from scan to scan.
  const bool within_body_reach = scan.ranges[beam] <= BODY_REACH;
  for (const RememberedView & view : memory_.views()) {
    if (
      view.reach.size() != scan.ranges.size() || view.sweep.angle_min != scan.angle_min ||
      view.sweep.angle_increment != scan.angle_increment) {
      return false;
    }
    if (view.echo[beam] == 0) {
      continue;
    }
    const PlanarPose & then = view.sweep.start;
    // Turning counts one metre of travel per radian.
    const double travel = std::hypot(sensor.x - then.x, sensor.y - then.y) +
                          std::fabs(wrapAngle(sensor.yaw - then.yaw));
    const bool kept_range =
      travel >= settings_.body_min_travel &&
      std::fabs(view.reach[beam] - scan.ranges[beam]) <= settings_.body_range_tolerance;
    if (kept_range || !within_body_reach) {
      return kept_range;
    }
  }
  return false;
}

RememberedView DynamicLaserDetector::viewOf(
  const sensor_msgs::msg::LaserScan & scan, const Sweep & sweep, double stamp)
{
  RememberedView view;
  view.stamp = stamp;
  view.sweep = sweep;
  view.odometer = odometer_;
  view.reach = memory_.recycledReach();
  setReach(scan, view);
  placeReturns(view);
  view.moving_x.clear();
  view.moving_y.clear();
  const auto farthest = static_cast<float>(settings_.max_range);
  for (std::size_t i = 0; i < moving_.size(); ++i) {
    if (moving_[i]) {
      view.moving_x.push_back(view.hit_x[i]);
      view.moving_y.push_back(view.hit_y[i]);
    } else if (view.echo[i] != 0 && view.reach[i] <= farthest) {
      structure_.remember(view.hit_x[i], view.hit_y[i], stamp, sweep.start);
    }
  }
  return view;
}

}  // namespace perception
}  // namespace orvane
