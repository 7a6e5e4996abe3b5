#ifndef QUILLON_TOOLS__SIMULATION__SCENARIO_HPP_
#define QUILLON_TOOLS__SIMULATION__SCENARIO_HPP_

#include <string>
#include <vector>

#include "quillon_tools/simulation/robot_motion.hpp"
#include "quillon_tools/simulation/walker.hpp"
#include "quillon_tools/simulation/world.hpp"

namespace quillon_tools
{

// Everything that happens in one simulated run, apart from the sensors.
struct Scenario
{
  std::string name;
  double duration_s = 40.0;
  // The scanner model both scanners are simulated with (a name of the scanner model registry);
  // empty for the simulator's built-in default settings.
  std::string scanner;
  World world;
  RobotScript robot;
  std::vector<WalkerScript> walkers;
};

constexpr const char * DEFAULT_SCENARIO = "crowded_room";

// The built-in scenarios, in a fixed order.
std::vector<std::string> scenarioNames();

// Scenarios of 3 minutes that the benchmark runs only when asked (--long): an office floor and a
// busy corridor, with the robot standing, driving and turning round in turn.
std::vector<std::string> longScenarioNames();

// Any of both; throws std::invalid_argument naming the known scenarios for an unknown name.
Scenario makeScenario(const std::string & name);

// The corridor of "corridor_walkers" for long runs: someone enters every few seconds from
// alternating ends and lanes, at varying speeds, now and then as a pair, and leaves at the
// other end, for `duration_s` seconds.
Scenario comingAndGoingCorridor(double duration_s);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__SCENARIO_HPP_
