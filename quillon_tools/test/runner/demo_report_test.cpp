// The demo as a user runs it: by default it simulates the scanner class of the real recordings
// with its profile and opens with a few plain lines whose figures are the table's; --scanner
// built_in gives the idealised scanner with the default parameters; an unknown scanner is refused
// by name. The scanner choice and the plain lines are also checked on their own, for what one run
// of the built-in scenarios cannot show.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "child_process.hpp"
#include "printed_table.hpp"
#include "quillon_tools/runner/demo_report.hpp"
#include "quillon_tools/simulation/scanner_model.hpp"
#include "scratch_folder.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace quillon_tools;
using quillon_test::tableRow;

struct DemoRun
{
  int status = -1;
  std::string output;  // standard output only: the nodes' log goes to <out>/demo.log
  fs::path out;
};

// The demo with `options` and its own output folder, as scripts/demo.sh runs it.
DemoRun runDemo(const std::string & name, const std::vector<std::string> & options)
{
  DemoRun run;
  run.out = quillon_test::scratch(name);
  fs::create_directories(run.out);
  std::vector<std::string> command{"/bin/sh",       "-c",    "exec \"$0\" \"$@\" 2>\"$DEMO_LOG\"",
                                   DEMO_EXECUTABLE, "--out", run.out.string()};
  command.insert(command.end(), options.begin(), options.end());
  ChildProcess demo(command, {{"DEMO_LOG", (run.out / "demo.log").string()}});
  run.status = demo.wait_for_exit(120s);
  run.output = demo.output();
  return run;
}

// The first match of `pattern` in `text`, as its captures; empty when there is none.
std::vector<std::string> captures(const std::string & text, const std::string & pattern)
{
  std::smatch match;
  if (!std::regex_search(text, match, std::regex(pattern))) {
    return {};
  }
  return std::vector<std::string>(match.begin() + 1, match.end());
}

// A fused list's scores for the plain lines: one gate of 0.5 m.
EvaluationResult fusedResult(double walking_recall, int64_t false_ids, int64_t unknown_ids)
{
  EvaluationResult r;
  GateScores g;
  g.gate_m = 0.5;
  g.walking.recall = walking_recall;
  g.walking.id_switches_per_minute = 2.126;
  g.false_positive_ids = false_ids;
  g.false_positives_unknown_id = unknown_ids;
  g.false_positive_ids_per_minute = 0.4;
  r.gates = {g};
  r.latency_median_ms = 1.24;
  return r;
}

std::vector<std::pair<std::string, EvaluationResult>> rowsOf(
  const std::string & detector, const EvaluationResult & fused)
{
  EvaluationResult first;
  first.latency_median_ms = 0.94;
  EvaluationResult second;
  second.latency_median_ms = 0.86;
  return {
    {detector + " /objects_laser1", first},
    {detector + " /objects_laser2", second},
    {detector + " /objects_laser", fused}};
}

}  // namespace

TEST(DemoScanner, TheOptionWinsThenTheScenariosOwnThenTheRecordedScannerClass)
{
  EXPECT_EQ(demoScanner("", ""), "lidar_768_7p5hz");
  EXPECT_EQ(demoScanner("", "lidar_541_10hz"), "lidar_541_10hz");
  EXPECT_EQ(demoScanner("lidar_1081_40hz", "lidar_541_10hz"), "lidar_1081_40hz");
  // The built-in idealised scanner is the scenario's empty scanner, whatever it names.
  EXPECT_EQ(demoScanner(BUILT_IN_SCANNER, ""), "");
  EXPECT_EQ(demoScanner("built_in", "lidar_541_10hz"), "");
}

TEST(DemoScanner, AnUnknownNameIsRefusedNamingItAndTheKnownOnes)
{
  try {
    demoScanner("lidar_9000_100hz", "");
    FAIL() << "an unknown scanner was taken";
  } catch (const std::invalid_argument & e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("\"lidar_9000_100hz\""), std::string::npos) << message;
    EXPECT_NE(message.find("lidar_768_7p5hz"), std::string::npos) << message;
    EXPECT_NE(message.find("built_in"), std::string::npos) << message;
  }
}

TEST(DemoSummary, SaysEachDetectorsFiguresAndCountsFalsePeopleByDistinctId)
{
  Scenario scenario;
  scenario.name = "room";
  scenario.duration_s = 40.0;
  scenario.scanner = "lidar_768_7p5hz";
  scenario.walkers.resize(5);
  auto rows = rowsOf("closed", fusedResult(0.8964, 3, 0));
  const auto geometric = rowsOf("geometric", fusedResult(0.5, 6, 2));
  rows.insert(rows.end(), geometric.begin(), geometric.end());

  const std::string summary = demoSummary(
    scenario, "with its profile", {"closed", "geometric"}, rows, {"out/a.svg", "out/b.svg"});

  EXPECT_EQ(
    summary.substr(0, summary.find('\n')),
    "room, simulated for 40 s: 5 people, two lidar_768_7p5hz scanners with its profile.");
  EXPECT_NE(
    summary.find("closed detector, fused list: tracked them within 0.5 m for 89.6 %"),
    std::string::npos)
    << summary;
  EXPECT_NE(
    summary.find("False people: 3 (distinct track ids that matched nobody; 0.40 per minute)."),
    std::string::npos)
    << summary;
  EXPECT_NE(summary.find("Identity changes: 2.13 per walking person-minute."), std::string::npos)
    << summary;
  EXPECT_NE(
    summary.find("Cost: 0.9 ms and 0.9 ms per scan (median, each scanner's trailscan); 1.2 ms"),
    std::string::npos)
    << summary;
  EXPECT_NE(
    summary.find("geometric detector, fused list: tracked them within 0.5 m for 50.0 %"),
    std::string::npos)
    << summary;
  // False entries whose track id is unknown are no distinct people: they are told apart.
  EXPECT_NE(
    summary.find("False people: 6 (distinct track ids that matched nobody; 0.40 per "
                 "minute; besides, 2 false entries without an id)."),
    std::string::npos)
    << summary;
  EXPECT_NE(summary.find("\nPictures: out/a.svg, out/b.svg\n"), std::string::npos) << summary;
}

TEST(DemoProgram, ByDefaultSimulatesTheRecordedScannerClassWithItsProfile)
{
  const DemoRun run = runDemo("default", {"--detector", "closed"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(
    run.output.substr(0, run.output.find('\n')),
    "crowded_room, simulated for 40 s: 5 people, two lidar_768_7p5hz scanners with its profile.");
  EXPECT_NE(run.output.find("Scanner: lidar_768_7p5hz, the demo's default:"), std::string::npos)
    << run.output;
  EXPECT_NE(run.output.find("Parameters: scanner profile lidar_768_7p5hz"), std::string::npos)
    << run.output;
}

TEST(DemoProgram, BuiltInIsTheIdealisedScannerWithTheDefaultParameters)
{
  const DemoRun run = runDemo("built_in", {"--scanner", "built_in", "--detector", "closed"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(
    run.output.substr(0, run.output.find('\n')),
    "crowded_room, simulated for 40 s: 5 people, two built-in idealised scanners with the default "
    "parameters.");
  EXPECT_NE(
    run.output.find("(built-in idealised: 1081 beams 0.25 degrees apart, 25 Hz)"),
    std::string::npos)
    << run.output;
  EXPECT_NE(run.output.find("Parameters: the defaults"), std::string::npos) << run.output;
}

TEST(DemoProgram, OpensWithPlainLinesWhoseFiguresAreTheTablesBeforeTheTable)
{
  const DemoRun run = runDemo("plain_lines", {"--detector", "both"});
  ASSERT_EQ(run.status, 0) << run.output;
  const std::size_t table = run.output.find("Matched within 0.5 m");
  ASSERT_NE(table, std::string::npos) << run.output;
  const std::string opening = run.output.substr(0, table);
  for (const std::string detector : {"closed", "geometric"}) {
    SCOPED_TRACE(detector);
    const auto fused = tableRow(run.output, detector, "/objects_laser");
    const auto walking = tableRow(run.output, detector, "/objects_laser", 1);
    const auto first = tableRow(run.output, detector, "/objects_laser1");
    const auto second = tableRow(run.output, detector, "/objects_laser2");
    ASSERT_EQ(fused.size(), 16u) << run.output;
    ASSERT_EQ(walking.size(), 9u) << run.output;
    ASSERT_EQ(first.size(), 16u) << run.output;
    ASSERT_EQ(second.size(), 16u) << run.output;

    const auto recall = captures(
      opening, detector + " detector, fused list: tracked them within 0\\.5 m for ([0-9.]+) %");
    ASSERT_EQ(recall.size(), 1u) << opening;
    EXPECT_NEAR(std::stod(recall[0]), std::stod(walking[5]) * 100.0, 1e-9);  // walking recall

    const std::string after = opening.substr(opening.find(detector + " detector"));
    EXPECT_EQ(
      captures(after, "Identity changes: ([0-9.]+) per walking person-minute"),
      std::vector<std::string>{walking[4]});  // walking IDSW/min
    EXPECT_EQ(
      captures(after, "Cost: ([0-9.]+) ms and ([0-9.]+) ms per scan .*; ([0-9.]+) ms to the fused"),
      (std::vector<std::string>{first[14], second[14], fused[14]}));  // lat50
    EXPECT_TRUE(fs::exists(run.out / ("crowded_room_" + detector + ".svg")));
  }
  EXPECT_NE(
    opening.find(
      "Pictures: " + (run.out / "crowded_room_closed.svg").string() + ", " +
      (run.out / "crowded_room_geometric.svg").string() + "\n"),
    std::string::npos)
    << opening;
}

TEST(DemoProgram, AnUnknownScannerIsRefusedByName)
{
  ChildProcess demo({DEMO_EXECUTABLE, "--scanner", "lidar_9000_100hz"});
  EXPECT_EQ(demo.wait_for_exit(30s), 2) << demo.output();
  EXPECT_NE(demo.output().find("unknown scanner model \"lidar_9000_100hz\""), std::string::npos)
    << demo.output();
}
