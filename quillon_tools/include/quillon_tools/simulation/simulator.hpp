#ifndef QUILLON_TOOLS__SIMULATION__SIMULATOR_HPP_
#define QUILLON_TOOLS__SIMULATION__SIMULATOR_HPP_

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/simulation/laser_scanner.hpp"
#include "quillon_tools/simulation/odometry.hpp"
#include "quillon_tools/simulation/person_outline.hpp"
#include "quillon_tools/simulation/robot_motion.hpp"
#include "quillon_tools/simulation/scenario.hpp"
#include "quillon_tools/simulation/seeded_noise.hpp"
#include "quillon_tools/simulation/walker.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_tools
{

// Where a scanner sits on the robot and where it publishes.
struct ScannerMount
{
  std::string topic;
  std::string frame_id;
  Pose2D pose;  // in "base_footprint"
};

// The defaults are the simulator's idealised world; withScannerModel() makes it a real one.
struct SimulatorConfig
{
  ScanSettings scan;
  LegShape legs;
  OdometrySettings odometry;
  std::array<ScannerMount, 2> mounts{{
    {"/scan_01", "base_scan_01", {0.3, 0.2, 0.7853981633974483}},
    {"/scan_02", "base_scan_02", {-0.3, -0.2, -2.356194490192345}},
  }};
  uint64_t seed = 1;
  int64_t start_stamp_ns = 1700000000LL * 1000000000LL;
  // Seconds of simulated time; 0 takes the scenario's duration.
  double duration_s = 0.0;
};

// The configuration with a scanner model's scan settings and what comes with every model
// (realistic legs and odometry, scanner_model.hpp); config itself for an empty name. Throws
// std::invalid_argument naming the known models for an unknown name.
SimulatorConfig withScannerModel(SimulatorConfig config, const std::string & model);

// One scan with the odometry published since the previous scan and the ground truth at its
// stamp (the truth of each person counts the returns this scan took from their legs).
struct SimulatedScan
{
  std::string topic;
  sensor_msgs::msg::LaserScan scan;
  // When the scanner publishes the scan: as its sweep ends (a timed sweep), or at its stamp.
  int64_t published_ns = 0;
  // "odom" to "base_footprint", stamped after the previous scan was published up to this one,
  // in stamp order: hand them on, each at its stamp, before the scan. The idealised odometry
  // gives exactly one sample, the true pose when the scan is published.
  std::vector<geometry_msgs::msg::TransformStamped> odometry;
  TruthFrame truth;
};

// Produces both scanners' scans in stamp order: scanner 2 fires half a period after scanner 1.
// A scenario that names a scanner model runs with it (withScannerModel), whatever the given
// configuration's scan, legs and odometry say.
class Simulator
{
public:
  // Throws std::invalid_argument for bad settings, an unknown scanner model or a bad scenario.
  Simulator(const Scenario & scenario, const SimulatorConfig & config);

  // The next scan in time order; false once the duration is over.
  bool next(SimulatedScan & out);

  // "base_footprint" to each scanner frame, stamped at the start.
  std::vector<geometry_msgs::msg::TransformStamped> staticTransforms() const;
  // Mounts, what the scanners can see and the furniture; no frames.
  GroundTruth groundTruthHeader() const;

  // The truth at a stamp (any time, not only scan stamps).
  TruthFrame truthAt(int64_t stamp_ns) const;
  // Outlines of everyone present at a stamp, each owned by its walker's index in the scenario.
  std::vector<PersonOutline> peopleAt(int64_t stamp_ns) const;
  // Leg circles of everyone present at a stamp.
  std::vector<Circle> legsAt(int64_t stamp_ns) const;

private:
  double secondsSinceStart(int64_t stamp_ns) const;
  std::vector<geometry_msgs::msg::TransformStamped> odometryUntil(int64_t stamp_ns);
  void countReturns(const std::vector<int> & person_of_beam, TruthFrame & frame) const;

  Scenario scenario_;
  SimulatorConfig config_;
  RobotMotion robot_;
  std::vector<Walker> walkers_;
  SeededNoise noise_;
  std::optional<DriftingOdometry> drifting_odometry_;
  int64_t period_ns_;
  int64_t end_ns_;
  std::array<int64_t, 2> next_stamp_ns_;
};

// Runs a whole scenario in memory and returns its ground truth (mounts, furniture, a frame per
// scan); the scans themselves are handed to on_scan when given.
GroundTruth simulateAll(
  const Scenario & scenario, const SimulatorConfig & config,
  const std::function<void(const SimulatedScan &)> & on_scan = {});

// A stamped transform of a planar pose.
geometry_msgs::msg::TransformStamped planarTransform(
  int64_t stamp_ns, const std::string & parent, const std::string & child, const Pose2D & pose);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__SIMULATOR_HPP_
