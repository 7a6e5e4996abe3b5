#include <gtest/gtest.h>

#include "quillon_tools/runner/scenario_replay.hpp"
#include "rclcpp/rclcpp.hpp"

using namespace quillon_tools;

namespace
{

class ScenarioReplayTest : public ::testing::Test
{
protected:
  void SetUp() override { rclcpp::init(0, nullptr); }
  void TearDown() override { rclcpp::shutdown(); }
};

// The fused list's scores under the 0.5 m gate.
GateScores fusedResult(const ScenarioReplay & replay)
{
  EvaluationOptions options;
  options.max_range_m = 5.0;
  return evaluateReplay(replay.truth, replay.outputs, "run", options).back().second.gates.at(0);
}

}  // namespace

// The whole system on a simulated corridor: people walking past a standing robot are found
// and followed by the fused output with either detector, with few false alarms. A floor, not
// the exact figures, so that tuning does not break it while a broken stage does.
TEST_F(ScenarioReplayTest, WalkersInACorridorAreTrackedByTheFusedOutput)
{
  SimulatorConfig config;
  config.duration_s = 15.0;
  for (const bool geometric : {false, true}) {
    SCOPED_TRACE(geometric ? "geometric detector" : "closed detector");
    ReplayOptions options;
    options.geometric_detector = geometric;
    const ScenarioReplay replay = replayScenario(makeScenario("corridor_walkers"), config, options);
    ASSERT_EQ(replay.truth.frames.size(), 750u);  // 15 s of two scanners at 25 Hz
    const auto rows = evaluateReplay(replay.truth, replay.outputs, "run");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].first, "run /objects_laser");
    EXPECT_EQ(rows[2].second.lists_scored, 750);

    const GateScores fused = fusedResult(replay);
    EXPECT_GT(fused.all.recall, geometric ? 0.35 : 0.5);
    EXPECT_GT(fused.precision, 0.7);
    EXPECT_LT(fused.all.motp_m, 0.25);
    EXPECT_LT(fused.all.mean_velocity_error_mps, 0.5);
    EXPECT_EQ(fused.false_positives_on_furniture, 0);
  }
}
