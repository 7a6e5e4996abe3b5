#ifndef QUILLON_TOOLS__RUNNER__DEMO_REPORT_HPP_
#define QUILLON_TOOLS__RUNNER__DEMO_REPORT_HPP_

#include <string>
#include <utility>
#include <vector>

#include "quillon_tools/evaluation/evaluation_result.hpp"
#include "quillon_tools/simulation/scenario.hpp"

namespace quillon_tools
{

// The scanner model the demo simulates unless told otherwise, with its profile, and why.
constexpr const char * DEMO_SCANNER = "lidar_768_7p5hz";
constexpr const char * DEMO_SCANNER_REASON =
  "the only class with real recordings behind its profile, and the slowest common one, so the "
  "demo does not flatter";

// The scanner model a demo run simulates, "" for the simulator's built-in idealised scanner:
// `requested` (--scanner; "" when not given, BUILT_IN_SCANNER for the built-in one) when given,
// else the scenario's own, else DEMO_SCANNER. Throws std::invalid_argument naming `requested`
// and the known names when it is none of them.
std::string demoScanner(const std::string & requested, const std::string & scenario_own);

// "lidar_768_7p5hz: 768 beams 0.35 degrees apart, 7.5 Hz"; for "" the built-in scanner's.
std::string scannerDescription(const std::string & scanner);

// The plain lines the demo opens with: the scene, then for each detector the fused list's share
// of walking time tracked within the first gate (walking recall), its false people (distinct
// track ids that matched nobody, and how many per minute), identity switches per walking
// person-minute and the median cost per scan and per fused list; then where the pictures are.
// `rows` are the table's (evaluateReplay's, labelled by detector) and each figure is printed as
// the table prints it. `parameters` says which ("with its profile", "with the default
// parameters"). Throws std::invalid_argument when `rows` lack one of a detector's topics.
std::string demoSummary(
  const Scenario & scenario, const std::string & parameters,
  const std::vector<std::string> & detectors,
  const std::vector<std::pair<std::string, EvaluationResult>> & rows,
  const std::vector<std::string> & pictures);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__DEMO_REPORT_HPP_
