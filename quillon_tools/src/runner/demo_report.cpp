#include "quillon_tools/runner/demo_report.hpp"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "quillon_tools/evaluation/report_table.hpp"
#include "quillon_tools/simulation/scanner_model.hpp"
#include "quillon_tools/simulation/simulator.hpp"

namespace quillon_tools
{
namespace
{

const EvaluationResult & rowOf(
  const std::vector<std::pair<std::string, EvaluationResult>> & rows, const std::string & label)
{
  for (const auto & [row_label, result] : rows) {
    if (row_label == label) {
      return result;
    }
  }
  throw std::invalid_argument("the table has no row \"" + label + "\"");
}

// The table's three-decimal share as a percentage, so that both say the same.
std::string percent(double share)
{
  const std::string shown = tableNumber(share, 3);
  return shown == "-" ? shown : tableNumber(std::stod(shown) * 100.0, 1);
}

// One detector's lines: the fused list under the first gate, its walking people, and the cost of
// each scanner's lists and of the fused one.
std::string detectorLines(
  const std::string & detector, const std::vector<std::pair<std::string, EvaluationResult>> & rows)
{
  const EvaluationResult & fused = rowOf(rows, detector + " /objects_laser");
  const GateScores & g = fused.gates.at(0);
  char gate[32];
  std::snprintf(gate, sizeof(gate), "%g m", g.gate_m);
  std::string text = detector + " detector, fused list: tracked them within " + gate + " for " +
                     percent(g.walking.recall) + " % of their walking time in view.\n";
  text += "  False people: " + std::to_string(g.false_positive_ids) +
          " (distinct track ids that matched nobody; " +
          tableNumber(g.false_positive_ids_per_minute, 2) + " per minute";
  if (g.false_positives_unknown_id > 0) {
    text +=
      "; besides, " + std::to_string(g.false_positives_unknown_id) + " false entries without an id";
  }
  text += ").\n  Identity changes: " + tableNumber(g.walking.id_switches_per_minute, 2) +
          " per walking person-minute.\n";
  text +=
    "  Cost: " + tableNumber(rowOf(rows, detector + " /objects_laser1").latency_median_ms, 1) +
    " ms and " + tableNumber(rowOf(rows, detector + " /objects_laser2").latency_median_ms, 1) +
    " ms per scan (median, each scanner's trailscan); " + tableNumber(fused.latency_median_ms, 1) +
    " ms to the fused list.\n";
  return text;
}

std::string scannerName(const std::string & scanner)
{
  return scanner.empty() ? "built-in idealised" : scanner;
}

}  // namespace

std::string demoScanner(const std::string & requested, const std::string & scenario_own)
{
  if (requested == BUILT_IN_SCANNER) {
    return "";
  }
  if (requested.empty()) {
    return scenario_own.empty() ? DEMO_SCANNER : scenario_own;
  }
  try {
    return scannerModel(requested).name;
  } catch (const std::invalid_argument & e) {
    throw std::invalid_argument(
      std::string(e.what()) + ", or " + BUILT_IN_SCANNER + " for the idealised scanner");
  }
}

std::string scannerDescription(const std::string & scanner)
{
  const ScanSettings scan = withScannerModel(SimulatorConfig{}, scanner).scan;
  char text[160];
  std::snprintf(
    text, sizeof(text), "%s: %d beams %.2g degrees apart, %g Hz", scannerName(scanner).c_str(),
    scan.beams, scan.fov * 180.0 / M_PI / (scan.beams - 1), scan.rate_hz);
  return text;
}

std::string demoSummary(
  const Scenario & scenario, const std::string & parameters,
  const std::vector<std::string> & detectors,
  const std::vector<std::pair<std::string, EvaluationResult>> & rows,
  const std::vector<std::string> & pictures)
{
  const std::size_t people = scenario.walkers.size();
  char opening[320];
  std::snprintf(
    opening, sizeof(opening), "%s, simulated for %.0f s: %zu %s, two %s scanners %s.\n",
    scenario.name.c_str(), scenario.duration_s, people, people == 1 ? "person" : "people",
    scannerName(scenario.scanner).c_str(), parameters.c_str());
  std::string text = opening;
  for (const auto & detector : detectors) {
    text += detectorLines(detector, rows);
  }
  text += "Pictures:";
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    text += (i == 0 ? " " : ", ") + pictures[i];
  }
  return text + "\n";
}

}  // namespace quillon_tools
