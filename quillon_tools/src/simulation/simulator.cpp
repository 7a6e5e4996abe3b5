#include "quillon_tools/simulation/simulator.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>

#include "quillon_tools/simulation/scanner_model.hpp"
#include "quillon_tools/simulation/stamp.hpp"

namespace quillon_tools
{

namespace
{

constexpr int64_t PEOPLE_REFRESH_NS = 500000;

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

SimulatorConfig withScannerModel(SimulatorConfig config, const std::string & model)
{
  if (model.empty()) {
    return config;
  }
  config.scan = scannerModel(model).scan;
  config.legs = realisticLegs();
  config.odometry = realisticOdometry();
  return config;
}

Simulator::Simulator(const Scenario & scenario, const SimulatorConfig & config)
: scenario_(scenario),
  config_(withScannerModel(config, scenario.scanner)),
  robot_(scenario.robot),
  noise_(config.seed)
{
  validate(config_.scan);
  validate(config_.legs);
  validate(config_.odometry);
  checkMounts(config_);
  const double duration = runDuration(scenario, config_);
  walkers_ = makeWalkers(scenario, duration + 1.0);
  period_ns_ = std::llround(1e9 / config_.scan.rate_hz);
  if (period_ns_ < 2) {
    throw std::invalid_argument("scan rate is too high");
  }
  if (config_.odometry.rate_hz > 0.0) {
    drifting_odometry_.emplace(config_.odometry, robot_, config_.start_stamp_ns, config_.seed);
  }
  end_ns_ = config_.start_stamp_ns + std::llround(duration * 1e9);
  next_stamp_ns_ = {config_.start_stamp_ns, config_.start_stamp_ns + period_ns_ / 2};
}

double Simulator::secondsSinceStart(int64_t stamp_ns) const
{
  return secondsBetween(config_.start_stamp_ns, stamp_ns);
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
  int64_t people_stamp = 0;
  const auto scene_at = [&](int64_t beam_stamp_ns, ScanScene & scene) {
    scene.scanner = compose(robot_.at(secondsSinceStart(beam_stamp_ns)).pose, mount.pose);
    // Feet swing at a few metres per second at most: taking the people afresh every half
    // millisecond of a sweep keeps them within about a millimetre of each beam's instant.
    if (beam_stamp_ns == stamp || beam_stamp_ns - people_stamp >= PEOPLE_REFRESH_NS) {
      scene.people = peopleAt(beam_stamp_ns);
      people_stamp = beam_stamp_ns;
    }
  };
  RenderedScan rendered =
    renderScan(config_.scan, scenario_.world, scene_at, mount.frame_id, stamp, noise_);
  out.topic = mount.topic;
  out.scan = std::move(rendered.scan);
  out.published_ns =
    config_.scan.sweep_timing ? stamp + beamOffsetNs(out.scan, config_.scan.beams - 1) : stamp;
  out.odometry = odometryUntil(out.published_ns);
  out.truth = truthAt(stamp);
  out.truth.scanner_frame = mount.frame_id;
  countReturns(rendered.person_of_beam, out.truth);
  return true;
}

std::vector<geometry_msgs::msg::TransformStamped> Simulator::odometryUntil(int64_t stamp_ns)
{
  if (!drifting_odometry_) {
    return {planarTransform(
      stamp_ns, "odom", "base_footprint", robot_.at(secondsSinceStart(stamp_ns)).pose)};
  }
  std::vector<geometry_msgs::msg::TransformStamped> odometry;
  for (const auto & sample : drifting_odometry_->samplesUntil(stamp_ns)) {
    odometry.push_back(planarTransform(sample.stamp_ns, "odom", "base_footprint", sample.pose));
  }
  return odometry;
}

void Simulator::countReturns(const std::vector<int> & person_of_beam, TruthFrame & frame) const
{
  std::map<int32_t, int32_t> returns_by_id;
  for (const int owner : person_of_beam) {
    if (owner >= 0) {
      ++returns_by_id[walkers_[static_cast<size_t>(owner)].id()];
    }
  }
  for (auto & person : frame.people) {
    const auto found = returns_by_id.find(person.id);
    person.beams = found == returns_by_id.end() ? 0 : found->second;
  }
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

std::vector<PersonOutline> Simulator::peopleAt(int64_t stamp_ns) const
{
  const double t = secondsSinceStart(stamp_ns);
  std::vector<PersonOutline> people;
  for (size_t i = 0; i < walkers_.size(); ++i) {
    if (walkers_[i].present(t)) {
      people.push_back(personOutline(
        static_cast<int>(i), walkers_[i].legs(t, config_.legs.side_offset), config_.legs));
    }
  }
  return people;
}

std::vector<Circle> Simulator::legsAt(int64_t stamp_ns) const
{
  std::vector<Circle> legs;
  for (const auto & person : peopleAt(stamp_ns)) {
    legs.insert(legs.end(), person.legs.begin(), person.legs.end());
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
    truth.views[m.frame_id] = {config_.scan.fov, config_.scan.range_max};
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
