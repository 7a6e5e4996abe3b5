#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "quillon_tools/evaluation/report_table.hpp"

namespace quillon_tools
{
namespace
{

std::vector<std::string> lines(const std::string & text)
{
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    all.push_back(line);
  }
  return all;
}

// The numbers and dashes of a line, without its label.
std::vector<std::string> words(const std::string & line, const std::string & label)
{
  std::istringstream in(line.substr(label.size()));
  std::vector<std::string> all;
  for (std::string word; in >> word;) {
    all.push_back(word);
  }
  return all;
}

PeopleScores people(int64_t ground_truth, int64_t true_positives, int64_t id_switches)
{
  PeopleScores p;
  p.ground_truth = ground_truth;
  p.true_positives = true_positives;
  p.false_negatives = ground_truth - true_positives;
  p.id_switches = id_switches;
  p.recall = static_cast<double>(true_positives) / static_cast<double>(ground_truth);
  p.motp_m = 0.0834;
  p.mean_velocity_error_mps = 0.2;
  p.id_switches_per_minute = 1.5;
  const int64_t false_positives = 5;  // the gate's, as below
  p.mota = 1.0 - static_cast<double>(p.false_negatives + false_positives + id_switches) /
                   static_cast<double>(ground_truth);
  return p;
}

GateScores gate(double gate_m, int64_t true_positives)
{
  GateScores g;
  g.gate_m = gate_m;
  g.all = people(240, true_positives, 2);
  g.walking = people(200, true_positives - 30, 2);
  g.standing = people(40, 30, 0);
  g.standing.id_switches_per_minute = std::nan("");
  g.false_positives = 5;
  g.false_positives_on_furniture = 4;
  g.precision = 230.0 / 235.0;
  g.mota = 0.9291666;
  g.identity.idf1 = 0.8125;
  return g;
}

TEST(ReportTable, OneBlockPerGateWithWalkingAndStandingRowsAndNotesForSkippedInput)
{
  EvaluationResult fused;
  fused.lists_scored = 120;
  fused.gates = {gate(0.5, 230), gate(0.75, 236)};
  fused.latency_median_ms = 3.25;
  fused.latency_max_ms = 17.0;
  EvaluationResult empty;
  empty.gates = {GateScores{}, GateScores{}};
  empty.gates[0].precision = empty.gates[0].all.recall = std::nan("");
  empty.latency_median_ms = empty.latency_max_ms = std::nan("");
  empty.lists_in_unknown_frame = 3;

  const auto table = lines(formatTable({{"/objects_laser", fused}, {"/objects_laser1", empty}}));
  ASSERT_EQ(table.size(), 20u);
  EXPECT_EQ(table[0], "Matched within 0.5 m");
  for (const char * heading :
       {"frames", "IDSW/min", "MOTA", "MOTP[m]", "FPfurn", "IDF1", "lat50[ms]", "latmax[ms]"}) {
    EXPECT_NE(table[1].find(heading), std::string::npos) << heading;
  }
  EXPECT_EQ(table[3].size(), table[1].size());
  EXPECT_EQ(
    words(table[3], "/objects_laser"),
    (std::vector<std::string>{
      "120", "240", "230", "5", "10", "2", "1.50", "0.979", "0.958", "0.929", "0.083", "0.200", "4",
      "0.812", "3.2", "17.0"}));
  // People rows leave the false-positive counts blank, so their cells line up by width; their
  // MOTA is their own.
  EXPECT_EQ(table[4].rfind("  walking ", 0), 0u);
  EXPECT_EQ(
    words(table[4], "  walking"),
    (std::vector<std::string>{"200", "200", "0", "2", "1.50", "1.000", "0.965", "0.083", "0.200"}));
  EXPECT_EQ(table[5].rfind("  standing ", 0), 0u);
  EXPECT_NE(table[5].find(" - "), std::string::npos);  // no switches per minute without time
  EXPECT_EQ(table[4].find("0.979"), std::string::npos);
  EXPECT_EQ(table[4].find(" 0.083 "), table[3].find(" 0.083 "));
  EXPECT_NE(table[6].find(" - "), std::string::npos);

  EXPECT_EQ(table[9], "");
  EXPECT_EQ(table[10], "Matched within 0.75 m");
  EXPECT_EQ(table[11].find("lat50"), std::string::npos);
  EXPECT_EQ(words(table[13], "/objects_laser").at(2), "236");
  EXPECT_EQ(table[19].rfind("note: /objects_laser1:", 0), 0u);
  EXPECT_NE(table[19].find("3 lists in an unknown frame"), std::string::npos);
}

}  // namespace
}  // namespace quillon_tools
