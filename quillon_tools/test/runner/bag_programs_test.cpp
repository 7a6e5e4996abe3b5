// The recording programs as a user runs them: simulate into a bag, run it offline with CSV
// output, score the result; bad options and missing inputs end with their exit codes.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path scratch(const std::string & name)
{
  const auto path = fs::path(QUILLON_TEST_TMPDIR) / "bag_programs_tests" / name;
  fs::remove_all(path);
  fs::create_directories(path.parent_path());
  return path;
}

int runToEnd(ChildProcess & program) { return program.wait_for_exit(120s); }

size_t lineCount(const fs::path & file)
{
  std::ifstream in(file);
  size_t lines = 0;
  for (std::string line; std::getline(in, line);) {
    ++lines;
  }
  return lines;
}

}  // namespace

TEST(BagPrograms, SimulateRunOfflineAndEvaluate)
{
  const auto bag = scratch("room");
  const auto truth = scratch("room_truth.csv");
  const auto result = scratch("room_result");
  const auto csv = scratch("room_csv");

  ChildProcess simulate(
    {SIMULATE_EXECUTABLE, "--bag", bag.string(), "--truth", truth.string(), "--duration", "2"});
  ASSERT_EQ(runToEnd(simulate), 0) << simulate.output();
  ChildProcess run({OFFLINE_RUN_EXECUTABLE, bag.string(), result.string(), "--csv", csv.string()});
  ASSERT_EQ(runToEnd(run), 0) << run.output();
  EXPECT_NE(run.output().find("x real time"), std::string::npos) << run.output();
  for (const char * name : {"objects_laser1.csv", "objects_laser2.csv", "objects_laser.csv"}) {
    EXPECT_GT(lineCount(csv / name), 1u) << name;
  }
  ChildProcess evaluate({EVALUATE_EXECUTABLE, result.string(), truth.string()});
  ASSERT_EQ(runToEnd(evaluate), 0) << evaluate.output();
  EXPECT_NE(evaluate.output().find("room_result /objects_laser "), std::string::npos)
    << evaluate.output();

  // A result folder is never overwritten; a missing input ends with status 1 and leaves nothing.
  ChildProcess again({OFFLINE_RUN_EXECUTABLE, bag.string(), result.string()});
  EXPECT_EQ(runToEnd(again), 1) << again.output();
  const auto orphan = scratch("orphan_result");
  ChildProcess missing({OFFLINE_RUN_EXECUTABLE, scratch("none").string(), orphan.string()});
  EXPECT_EQ(runToEnd(missing), 1) << missing.output();
  EXPECT_FALSE(fs::exists(orphan));
  ChildProcess no_truth({EVALUATE_EXECUTABLE, result.string(), scratch("none.csv").string()});
  EXPECT_EQ(runToEnd(no_truth), 1) << no_truth.output();
  ChildProcess bad_option({OFFLINE_RUN_EXECUTABLE, bag.string(), "--detector", "magic"});
  EXPECT_EQ(runToEnd(bad_option), 2) << bad_option.output();
}
