// Every program of the tools answers --help with its usage on stdout and status 0, and a
// command line it cannot take with the same usage on stderr and status 2. A program's output may
// still be on its way when it has exited, so the checks wait for it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "child_process.hpp"

using namespace std::chrono_literals;

TEST(ProgramHelp, EveryProgramPrintsItsUsageOnHelpAndRefusesUnknownOptions)
{
  const std::string dir = QUILLON_PROGRAM_DIR;
  for (const std::string program :
       {"quillon_simulate", "quillon_demo", "quillon_soak", "quillon_offline_run",
        "quillon_bag_record", "quillon_bag_play", "quillon_evaluate", "quillon_bag_reindex",
        "quillon_suggest_profile", "benchmarks/quillon_quality_benchmark"}) {
    SCOPED_TRACE(program);
    const std::string name = program.substr(program.rfind('/') + 1);
    ChildProcess help({dir + "/" + program, "--help"});
    EXPECT_EQ(help.wait_for_exit(30s), 0) << help.output();
    EXPECT_TRUE(help.wait_for_output("usage: " + name, 10s)) << help.output();

    ChildProcess wrong({dir + "/" + program, "--no-such-option"});
    EXPECT_EQ(wrong.wait_for_exit(30s), 2) << wrong.output();
    EXPECT_TRUE(wrong.wait_for_output("usage: " + name, 10s)) << wrong.output();
  }
}

// The programs that run trailscan take --profile: an unknown name is refused with the known ones.
TEST(ProgramHelp, ProgramsRefuseAnUnknownScannerProfileNamingTheKnownOnes)
{
  const std::string dir = QUILLON_PROGRAM_DIR;
  for (const std::string program :
       {"quillon_demo", "quillon_soak", "quillon_offline_run",
        "benchmarks/quillon_quality_benchmark"}) {
    SCOPED_TRACE(program);
    ChildProcess help({dir + "/" + program, "--help"});
    EXPECT_EQ(help.wait_for_exit(30s), 0) << help.output();
    EXPECT_TRUE(help.wait_for_output("--profile", 10s)) << help.output();

    ChildProcess wrong({dir + "/" + program, "--profile", "lidar_9000_100hz"});
    EXPECT_EQ(wrong.wait_for_exit(30s), 2) << wrong.output();
    EXPECT_TRUE(wrong.wait_for_output("unknown scanner profile", 10s)) << wrong.output();
    EXPECT_TRUE(wrong.wait_for_output("lidar_768_7p5hz", 10s)) << wrong.output();
  }
}
