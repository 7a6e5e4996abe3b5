#include "quillon_tools/simulation/simulator.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <utility>

#include "quillon_tools/simulation/stamp.hpp"

namespace quillon_tools
{

namespace
{

constexpr int64_t NS_PER_SECOND = 1000000000;

// The mount pose (in the robot frame) expressed in the world.
Pose2D compose(const Pose2D & robot, const Pose2D & mount)
{
  const double c = std::cos(robot.yaw);
  const double s = std::sin(robot.yaw);
  return {
    robot.x + c * mount.x - s * mount.y, robot.y + s * mount.x + c * mount.y,
    robot.yaw + mount.yaw};
}

double runDuration(const Scenario & scenario, const SimulatorConfig & config)
{
  const double duration = config.duration_s > 0.0 ? config.duration_s : scenario.duration_s;
  if (!std::isfinite(duration) || duration <= 0.0 || !std::isfinite(config.duration_s)) {
    throw std::invalid_argument("simulation duration must be positive and finite");
  }
  return duration;
}

void checkMounts(const SimulatorConfig & config)
{
  for (const auto & m : config.mounts) {
    if (!std::isfinite(m.pose.x) || !std::isfinite(m.pose.y) || !std::isfinite(m.pose.yaw)) {
      throw std::invalid_argument("mount of " + m.frame_id + " is not finite");
    }
  }
  if (config.start_stamp_ns < 0) {
    throw std::invalid_argument("start stamp must not be negative");
  }
}

std::vector<Walker> makeWalkers(const Scenario & scenario, double horizon)
{
  std::vector<Walker> walkers;
  std::set<int32_t> ids;
  for (const auto & script : scenario.walkers) {
    if (!ids.insert(script.id).second) {
      throw std::invalid_argument("walker id " + std::to_string(script.id) + " is used twice");
    }
    walkers.emplace_back(script, horizon);
  }
  return walkers;
}

}  // namespace

Simulator::Simulator(const Scenario & scenario, const SimulatorConfig & config)
: scenario_(scenario), config_(config), robot_(scenario.robot), noise_(config.seed)
{
  validate(config.scan);
  checkMounts(config);
  const double duration = runDuration(scenario, config);
  walkers_ = makeWalkers(scenario, duration + 1.0);
  period_ns_ = std::llround(1e9 / config.scan.rate_hz);
  if (period_ns_ < 2) {
    throw std::invalid_argument("scan rate is too high");
  }
  end_ns_ = config.start_stamp_ns + std::llround(duration * 1e9);
  next_stamp_ns_ = {config.start_stamp_ns, config.start_stamp_ns + period_ns_ / 2};
}

double Simulator::secondsSinceStart(int64_t stamp_ns) const
{
  const int64_t since = stamp_ns - config_.start_stamp_ns;
  // Whole seconds and the rest apart, so that long runs keep nanosecond resolution.
  return static_cast<double>(since / NS_PER_SECOND) +
         static_cast<double>(since % NS_PER_SECOND) * 1e-9;
}

bool Simulator::next(SimulatedScan & out)
{
  const size_t k = next_stamp_ns_[0] <= next_stamp_ns_[1] ? 0 : 1;
  const int64_t stamp = next_stamp_ns_[k];
  if (stamp >= end_ns_) {
    return false;
  }
  next_stamp_ns_[k] += period_ns_;
  const ScannerMount & mount = config_.mounts[k];
  const RobotState robot = robot_.at(secondsSinceStart(stamp));
  out.topic = mount.topic;
  out.scan = renderScan(
    config_.scan, scenario_.world, legsAt(stamp), compose(robot.pose, mount.pose), mount.frame_id,
    stamp, noise_);
  out.odom_to_base = planarTransform(stamp, "odom", "base_footprint", robot.pose);
  out.truth = truthAt(stamp);
  return true;
}

TruthFrame Simulator::truthAt(int64_t stamp_ns) const
{
  const double t = secondsSinceStart(stamp_ns);
  const RobotState robot = robot_.at(t);
  TruthFrame frame;
  frame.stamp_ns = stamp_ns;
  frame.robot = robot.pose;
  frame.robot_vx = robot.vx;
  frame.robot_vy = robot.vy;
  frame.robot_omega = robot.omega;
  for (const auto & walker : walkers_) {
    if (walker.present(t)) {
      frame.people.push_back(walker.state(t));
    }
  }
  return frame;
}

std::vector<Circle> Simulator::legsAt(int64_t stamp_ns) const
{
  const double t = secondsSinceStart(stamp_ns);
  std::vector<Circle> legs;
  for (const auto & walker : walkers_) {
    if (walker.present(t)) {
      for (const auto & leg : walker.legs(t)) {
        legs.push_back({leg, LEG_RADIUS});
      }
    }
  }
  return legs;
}

std::vector<geometry_msgs::msg::TransformStamped> Simulator::staticTransforms() const
{
  std::vector<geometry_msgs::msg::TransformStamped> transforms;
  for (const auto & m : config_.mounts) {
    transforms.push_back(
      planarTransform(config_.start_stamp_ns, "base_footprint", m.frame_id, m.pose));
  }
  return transforms;
}

GroundTruth Simulator::groundTruthHeader() const
{
  GroundTruth truth;
  for (const auto & m : config_.mounts) {
    truth.mounts[m.frame_id] = m.pose;
  }
  truth.furniture = scenario_.world.furniture();
  return truth;
}

GroundTruth simulateAll(
  const Scenario & scenario, const SimulatorConfig & config,
  const std::function<void(const SimulatedScan &)> & on_scan)
{
  Simulator simulator(scenario, config);
  GroundTruth truth = simulator.groundTruthHeader();
  SimulatedScan scan;
  while (simulator.next(scan)) {
    if (on_scan) {
      on_scan(scan);
    }
    truth.frames.push_back(std::move(scan.truth));
  }
  return truth;
}

geometry_msgs::msg::TransformStamped planarTransform(
  int64_t stamp_ns, const std::string & parent, const std::string & child, const Pose2D & pose)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.stamp = stampFromNanoseconds(stamp_ns);
  t.header.frame_id = parent;
  t.child_frame_id = child;
  t.transform.translation.x = pose.x;
  t.transform.translation.y = pose.y;
  t.transform.rotation.z = std::sin(0.5 * pose.yaw);
  t.transform.rotation.w = std::cos(0.5 * pose.yaw);
  return t;
}

}  // namespace quillon_tools
