#ifndef QUILLON_TOOLS__SIMULATION__SIMULATOR_HPP_
#define QUILLON_TOOLS__SIMULATION__SIMULATOR_HPP_

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/simulation/laser_scanner.hpp"
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

struct SimulatorConfig
{
  ScanSettings scan;
  std::array<ScannerMount, 2> mounts{{
    {"/scan_01", "base_scan_01", {0.3, 0.2, 0.7853981633974483}},
    {"/scan_02", "base_scan_02", {-0.3, -0.2, -2.356194490192345}},
  }};
  uint64_t seed = 1;
  int64_t start_stamp_ns = 1700000000LL * 1000000000LL;
  // Seconds of simulated time; 0 takes the scenario's duration.
  double duration_s = 0.0;
};

// One scan with the robot's odometry and the ground truth at its stamp.
struct SimulatedScan
{
  std::string topic;
  sensor_msgs::msg::LaserScan scan;
  geometry_msgs::msg::TransformStamped odom_to_base;
  TruthFrame truth;
};

// Produces both scanners' scans in stamp order: scanner 2 fires half a period after scanner 1.
class Simulator
{
public:
  // Throws std::invalid_argument for bad settings or a bad scenario.
  Simulator(const Scenario & scenario, const SimulatorConfig & config);

  // The next scan in time order; false once the duration is over.
  bool next(SimulatedScan & out);

  // "base_footprint" to each scanner frame, stamped at the start.
  std::vector<geometry_msgs::msg::TransformStamped> staticTransforms() const;
  // Mounts and furniture, no frames.
  GroundTruth groundTruthHeader() const;

  // The truth at a stamp (any time, not only scan stamps).
  TruthFrame truthAt(int64_t stamp_ns) const;
  // Leg circles of everyone present at a stamp.
  std::vector<Circle> legsAt(int64_t stamp_ns) const;

private:
  double secondsSinceStart(int64_t stamp_ns) const;

  Scenario scenario_;
  SimulatorConfig config_;
  RobotMotion robot_;
  std::vector<Walker> walkers_;
  SeededNoise noise_;
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
