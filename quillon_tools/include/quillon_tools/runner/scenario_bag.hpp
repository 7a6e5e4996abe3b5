// A simulated scenario written as a recording, so that the offline runner, a live replay or
// another tool can take it like one made on the robot.
#ifndef QUILLON_TOOLS__RUNNER__SCENARIO_BAG_HPP_
#define QUILLON_TOOLS__RUNNER__SCENARIO_BAG_HPP_

#include <filesystem>

#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/simulation/scenario.hpp"
#include "quillon_tools/simulation/simulator.hpp"

namespace quillon_tools
{

// Writes "/tf_static" (the mounts) once at the start, then per scan the odometry samples since
// the previous scan on "/tf" (odom to base_footprint), each received at its own stamp, and the
// scan, received when it is published (as its sweep ends, or at its stamp); each topic with the
// QoS its live publisher offers. Returns the ground truth of the run. Throws BagError when the
// bag cannot be written (e.g. the folder exists), std::invalid_argument for bad simulator
// settings.
GroundTruth writeScenarioBag(
  const Scenario & scenario, const SimulatorConfig & config, const std::filesystem::path & bag);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__SCENARIO_BAG_HPP_
