#ifndef QUILLON_TOOLS__RUNNER__SCENARIO_REPLAY_HPP_
#define QUILLON_TOOLS__RUNNER__SCENARIO_REPLAY_HPP_

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "quillon_tools/evaluation/evaluation.hpp"
#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/runner/replay_runner.hpp"
#include "quillon_tools/simulation/scenario.hpp"
#include "quillon_tools/simulation/simulator.hpp"

namespace quillon_tools
{

// The output topics a run is scored on, in the order reports list them.
const std::vector<std::string> & scoredTopics();

struct ScenarioReplay
{
  GroundTruth truth;
  ReplayOutputs outputs;
};

// Simulates the scenario and feeds every scan through a ReplayRunner when it is published, after
// the odometry samples since the previous scan, each at its own stamp.
// `progress` (if set) is called after each scan with the simulated seconds done. Throws
// std::runtime_error when trailscan cannot start (the mounts were not understood).
ScenarioReplay replayScenario(
  const Scenario & scenario, const SimulatorConfig & config, const ReplayOptions & options,
  const std::function<void(double)> & progress = {});

// The lists of one output topic, each with the ids its markers of the same stamp give.
std::vector<ScoredList> scoredLists(const ReplayOutputs & outputs, const std::string & topic);

// One evaluation per scored topic, labelled "<label> <topic>".
std::vector<std::pair<std::string, EvaluationResult>> evaluateReplay(
  const GroundTruth & truth, const ReplayOutputs & outputs, const std::string & label,
  const EvaluationOptions & options = {});

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__SCENARIO_REPLAY_HPP_
