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

TEST(ReportTable, OneAlignedRowPerTopicAndNotesForSkippedInput)
{
  EvaluationResult fused;
  fused.lists_scored = 120;
  fused.ground_truth = 240;
  fused.true_positives = 230;
  fused.false_positives = 5;
  fused.false_negatives = 10;
  fused.id_switches = 2;
  fused.precision = 230.0 / 235.0;
  fused.recall = 230.0 / 240.0;
  fused.f1 = 0.96;
  fused.mota = 0.9291666;
  fused.mean_position_error_m = 0.0834;
  fused.mean_velocity_error_mps = 0.2;
  fused.false_positives_on_furniture = 4;
  fused.latency_median_ms = 3.25;
  fused.latency_max_ms = 17.0;
  EvaluationResult empty;
  empty.precision = empty.recall = empty.f1 = empty.mota = std::nan("");
  empty.mean_position_error_m = empty.mean_velocity_error_mps = std::nan("");
  empty.latency_median_ms = empty.latency_max_ms = std::nan("");
  empty.lists_in_unknown_frame = 3;

  const auto table = lines(formatTable({{"/objects_laser", fused}, {"/objects_laser1", empty}}));
  ASSERT_EQ(table.size(), 5u);
  for (const char * heading : {"frames", "IDSW", "MOTA", "FPfurn", "lat50[ms]", "latmax[ms]"}) {
    EXPECT_NE(table[0].find(heading), std::string::npos) << heading;
  }
  EXPECT_EQ(table[2].size(), table[0].size());
  EXPECT_EQ(table[3].size(), table[0].size());
  EXPECT_EQ(table[2].rfind("/objects_laser ", 0), 0u);
  for (const char * cell : {" 120 ", " 230 ", " 0.979 ", " 0.929 ", " 0.083 ", " 3.2", " 17.0"}) {
    EXPECT_NE(table[2].find(cell), std::string::npos) << cell;
  }
  EXPECT_NE(table[3].find(" - "), std::string::npos);
  EXPECT_EQ(table[4].rfind("note: /objects_laser1:", 0), 0u);
  EXPECT_NE(table[4].find("3 lists in an unknown frame"), std::string::npos);
}

}  // namespace
}  // namespace quillon_tools
