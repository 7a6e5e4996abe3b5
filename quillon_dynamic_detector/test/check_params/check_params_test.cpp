#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scratch_folder.hpp"

namespace
{

struct CheckRun
{
  int status = -1;
  std::string output;  // stdout and stderr
};

std::string quoted(const std::string & text) { return "'" + text + "'"; }

// quillon_check_params with `arguments` (each quoted for the shell).
CheckRun checkParams(const std::vector<std::string> & arguments)
{
  std::string command = quoted(QUILLON_CHECK_PARAMS_EXECUTABLE);
  for (const std::string & argument : arguments) {
    command += " " + quoted(argument);
  }
  CheckRun run;
  FILE * pipe = popen((command + " 2>&1").c_str(), "r");
  std::array<char, 4096> buffer{};
  while (pipe != nullptr && fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
    run.output += buffer.data();
  }
  const int raw = pipe != nullptr ? pclose(pipe) : -1;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

// One file in a scratch folder of this test's own, checked.
struct CheckedFile
{
  quillon_test::ScratchFolder folder;
  std::string path;
  CheckRun run;

  CheckedFile(const std::string & name, const std::string & text)
  : path(folder.write(name, text)), run(checkParams({path}))
  {
  }

  // Whether the output has "<path>:<line>: <severity>: ..." containing `text`.
  bool reports(int line, const std::string & severity, const std::string & text) const
  {
    const std::string start = path + ":" + std::to_string(line) + ": " + severity + ": ";
    std::size_t at = 0;
    while ((at = run.output.find(start, at)) != std::string::npos) {
      const std::size_t end = run.output.find('\n', at);
      if (run.output.substr(at, end - at).find(text) != std::string::npos) {
        return true;
      }
      at = end;
    }
    return false;
  }
};

const char * const TRAILSCAN_HEADER = "laser_subscriber:\n  ros__parameters:\n";

}  // namespace

TEST(CheckParams, FindsEveryShippedParameterFileAndProfileClean)
{
  std::vector<std::string> files;
  for (const char * folder : {"", "/profiles"}) {
    for (const auto & entry :
         std::filesystem::directory_iterator(std::string(QUILLON_CONFIG_DIR) + folder)) {
      if (entry.path().extension() == ".yaml") {
        files.push_back(entry.path().string());
      }
    }
  }
  ASSERT_GE(files.size(), 10u);  // people_tracking.yaml, cfg.yaml, four profiles of two files
  std::vector<std::string> arguments = {"--schema-dir", QUILLON_SCHEMA_DIR};
  arguments.insert(arguments.end(), files.begin(), files.end());
  const CheckRun run = checkParams(arguments);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("0 errors, 0 warnings"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("people_tracking.yaml: ROS 2 parameter file"), std::string::npos);
  EXPECT_NE(run.output.find("cfg.yaml: detector configuration"), std::string::npos);
}

TEST(CheckParams, ReportsMisspeltOutOfRangeAndInconsistentParameters)
{
  const CheckedFile misspelt(
    "misspelt.yaml", std::string(TRAILSCAN_HEADER) + "    clustering:\n      tolerence: 0.3\n");
  EXPECT_EQ(misspelt.run.status, 1);
  EXPECT_TRUE(misspelt.reports(
    4, "error", "unknown parameter 'clustering.tolerence'; did you mean 'tolerance'?"))
    << misspelt.run.output;

  const CheckedFile out_of_range(
    "out_of_range.yaml",
    std::string(TRAILSCAN_HEADER) +
      "    clustering:\n      tolerance: -1\n    clustering.max_range: -2.5\n");
  EXPECT_EQ(out_of_range.run.status, 1);
  EXPECT_TRUE(out_of_range.reports(4, "error", "clustering.tolerance: '-1' is an integer"));
  EXPECT_TRUE(out_of_range.reports(4, "error", "and cannot work: it must be > 0 m"))
    << out_of_range.run.output;
  EXPECT_TRUE(
    out_of_range.reports(5, "error", "clustering.max_range: -2.5 cannot work: it must be > 0 m"));
  const CheckedFile unworkable(
    "unworkable.yaml",
    std::string(TRAILSCAN_HEADER) + "    tracker:\n      process_noise_position: -5.0\n");
  EXPECT_TRUE(unworkable.reports(
    4, "error", "tracker.process_noise_position: -5.0 cannot work: it must be >= 0 m^2/s^2"))
    << unworkable.run.output;
  EXPECT_TRUE(unworkable.reports(
    4, "error", "trailscan would not start: parameter 'tracker.process_noise_position' is -5"));
  // Workable but unusual: a warning, and trailscan starts.
  const CheckedFile unusual(
    "unusual.yaml", std::string(TRAILSCAN_HEADER) + "    clustering:\n      tolerance: 3.0\n");
  EXPECT_EQ(unusual.run.status, 1);
  EXPECT_TRUE(unusual.reports(
    4, "warning", "clustering.tolerance: 3.0, outside the usual range > 0 and <= 2 m"))
    << unusual.run.output;
  EXPECT_EQ(unusual.run.output.find(": error:"), std::string::npos) << unusual.run.output;
  // The integer is what start-up refuses.
  EXPECT_TRUE(out_of_range.reports(
    4, "error",
    "trailscan would not start: parameter "
    "'clustering.tolerance' has invalid type"));

  const CheckedFile inconsistent(
    "inconsistent.yaml",
    std::string(TRAILSCAN_HEADER) +
      "    clustering:\n      min_cluster_size: 50\n      max_cluster_size: 5\n");
  EXPECT_EQ(inconsistent.run.status, 1);
  EXPECT_TRUE(inconsistent.reports(
    4, "error", "clustering.min_cluster_size (50) must not exceed clustering.max_cluster_size (5)"))
    << inconsistent.run.output;
}

TEST(CheckParams, ReadsNodeSectionsAsRosDoes)
{
  const CheckedFile both(
    "both.yaml",
    "/**:\n  ros__parameters:\n    use_sim_time: true\n    merge_distance: 0.5\n"
    "    tracker.max_dt: 2.0\n"
    "/trailmerge:\n  ros__parameters:\n    marker_topic: \"\"\n    tf_timeout: 0.1\n"
    "    tf_timeout: 0.2\n"
    "rviz2:\n  ros__parameters:\n    anything: 1\n");
  EXPECT_EQ(both.run.status, 1);
  EXPECT_TRUE(both.reports(8, "error", "marker_topic: must not be empty")) << both.run.output;
  EXPECT_TRUE(both.reports(10, "warning", "tf_timeout is set again (first at line 9)"));
  EXPECT_TRUE(both.reports(11, "warning", "node 'rviz2' is neither"));
  // Keys of either program are known under "/**".
  EXPECT_EQ(both.run.output.find("unknown parameter"), std::string::npos) << both.run.output;
  EXPECT_NE(both.run.output.find("1 error, 2 warnings"), std::string::npos);
}

TEST(CheckParams, ReportsDetectorConfigurationKeysAndWhatTheDetectorsRefuse)
{
  const CheckedFile cfg(
    "cfg.yaml",
    "dynamic_laser_detector:\n  free_space_memroy: 2.0\n  memory_spacing: 0\n"
    "local_map_max_rnage: 6.0\nlocal_map_max_points: 500.5\n"
    "min_range_for_detection: 6\nmax_range_for_detection: 5.0\n");
  EXPECT_EQ(cfg.run.status, 1);
  EXPECT_TRUE(cfg.reports(
    2, "error",
    "unknown parameter 'dynamic_laser_detector.free_space_memroy'; did you mean "
    "'free_space_memory'?"))
    << cfg.run.output;
  EXPECT_TRUE(cfg.reports(3, "error", "memory_spacing: 0 cannot work: it must be > 0"));
  EXPECT_TRUE(cfg.reports(3, "error", "trailscan would not start: dynamic laser detector"));
  EXPECT_TRUE(cfg.reports(
    4, "error", "unknown parameter 'local_map_max_rnage'; did you mean 'local_map_max_range'?"));
  EXPECT_TRUE(cfg.reports(5, "error", "local_map_max_points: '500.5' is not an integer"));
  EXPECT_TRUE(cfg.reports(
    6, "error", "min_range_for_detection (6) must not exceed max_range_for_detection (5.0)"));
  EXPECT_NE(cfg.run.output.find("cfg.yaml: detector configuration"), std::string::npos);
}

// The self-filter's lists: what start-up refuses, at the key's line, and what ROS 2 or the
// schema refuses in a list.
TEST(CheckParams, ReportsSelfFilterListsThatDescribeNoBody)
{
  const CheckedFile lists(
    "lists.yaml", std::string(TRAILSCAN_HEADER) +
                    "    self_filter:\n      footprint: [0.0, 0.0, 1.0, 0.0]\n"
                    "      scan1_angle_ranges: [0, 1]\n"
                    "      scan2_angle_ranges: [0.5, 12.0]\n");
  EXPECT_EQ(lists.run.status, 1);
  EXPECT_TRUE(lists.reports(
    4, "error",
    "trailscan would not start: parameter 'self_filter.footprint' must have at least 3 "
    "vertices (6 values), not 2"))
    << lists.run.output;
  EXPECT_TRUE(lists.reports(
    5, "error",
    "self_filter.scan1_angle_ranges: '[0, 1]' is a list of integers, the parameter a list of "
    "floating-point numbers (write 1.0, not 1)"));
  EXPECT_TRUE(lists.reports(
    6, "warning",
    "self_filter.scan2_angle_ranges: '[0.5, 12.0]' holds 12, outside the usual range >= "
    "-6.283185307 and <= 6.283185307 rad"));

  // Start-up stops at the first refusal; each list is reported on its own, once.
  const CheckedFile shapes(
    "shapes.yaml", std::string(TRAILSCAN_HEADER) +
                     "    self_filter:\n      footprint: [0.0, 0.0, 1.0, 1.0, 1.0, 0.0, 0.0, 1.0]\n"
                     "      scan2_angle_ranges: [2.35, 2.25]\n");
  EXPECT_EQ(shapes.run.status, 1);
  EXPECT_TRUE(shapes.reports(
    4, "error",
    "trailscan would not start: parameter 'self_filter.footprint' must outline an area without "
    "crossing or touching itself"))
    << shapes.run.output;
  EXPECT_TRUE(shapes.reports(
    5, "error",
    "parameter 'self_filter.scan2_angle_ranges' must have from <= to in each pair, not [2.35, "
    "2.25]"));
  EXPECT_NE(shapes.run.output.find("2 errors"), std::string::npos) << shapes.run.output;

  const CheckedFile unreadable(
    "unreadable.yaml", std::string(TRAILSCAN_HEADER) +
                         "    self_filter.footprint: []\n"
                         "    self_filter.scan1_angle_ranges: [-2.4, -2]\n");
  EXPECT_EQ(unreadable.run.status, 1);
  EXPECT_TRUE(unreadable.reports(
    3, "error", "self_filter.footprint: is an empty list, which ROS 2 cannot read"))
    << unreadable.run.output;
  EXPECT_TRUE(unreadable.reports(
    4, "error",
    "self_filter.scan1_angle_ranges: '[-2.4, -2]' mixes floating-point numbers and integers"));
}

TEST(CheckParams, ReportsBrokenFilesWithTheirLineWithoutCrashing)
{
  const CheckedFile unclosed(
    "unclosed.params.yaml", std::string(TRAILSCAN_HEADER) + "    clustering: [1, 2\n    x: 1\n");
  EXPECT_EQ(unclosed.run.status, 1);
  EXPECT_NE(unclosed.run.output.find(unclosed.path + ":"), std::string::npos);
  EXPECT_NE(unclosed.run.output.find(": error: not valid YAML"), std::string::npos)
    << unclosed.run.output;

  for (const char * text : {",", "- a\n- b\n", "laser_subscriber: 3\n", "\t: ]["}) {
    const CheckedFile broken("broken.yaml", text);
    EXPECT_EQ(broken.run.status, 1) << text << "\n" << broken.run.output;
    EXPECT_NE(broken.run.output.find(broken.path + ":1: error: "), std::string::npos)
      << text << "\n"
      << broken.run.output;
  }

  const CheckRun missing = checkParams({"/nonexistent/params.yaml"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(
    missing.output.find("/nonexistent/params.yaml:1: error: cannot be opened"), std::string::npos);
}

TEST(CheckParams, AnswersUsageErrorsWithStatusTwo)
{
  EXPECT_EQ(checkParams({}).status, 2);
  EXPECT_EQ(checkParams({"--frobnicate", "x.yaml"}).status, 2);
  EXPECT_EQ(checkParams({"x.yaml", "--schema-dir"}).status, 2);
  EXPECT_EQ(checkParams({"--schema-dir", "/nonexistent", "x.yaml"}).status, 2);
  const CheckRun help = checkParams({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("usage: quillon_check_params"), std::string::npos);
}
