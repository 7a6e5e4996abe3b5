// A peer of the running chain dies without a word (kill -9) and is started again, as a
// supervisor would: the scene source, trailscan, trailmerge and a recorder run as separate
// processes over DDS inside this test's own network namespace. After trailmerge comes back the
// fused lists resume; after trailscan comes back it learns its mountings again from the latched
// static transforms and the lists resume, with the walking person in them.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "child_process.hpp"
#include "fresh_network_environment.hpp"

namespace
{

using namespace std::chrono_literals;

// Long enough for every restart on a slow machine; the test ends the scene itself.
const char SCENE_SCANS[] = "1200";
// Start-up and discovery of a new participant can take long on a loaded machine.
constexpr auto PATIENCE = 90s;
// A fused pedestrian as the recorder prints it.
const char PEDESTRIAN_LINE[] = "\nobject 1 ";

bool waitUntil(const std::function<bool()> & condition, std::chrono::seconds timeout)
{
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

// True once the recorder has printed a fused pedestrian after the first `from` characters.
bool pedestrianAfter(const ChildProcess & recorder, std::size_t from)
{
  return recorder.output().find(PEDESTRIAN_LINE, from) != std::string::npos;
}

int killHard(ChildProcess & process)
{
  process.send_signal(SIGKILL);
  return process.wait_for_exit(60s);
}

int interrupt(ChildProcess & process)
{
  process.send_signal(SIGINT);
  return process.wait_for_exit(60s);
}

}  // namespace

TEST(PeerRestart, FusedListsResumeAfterTrailmergeOrTrailscanIsKilledAndRestarted)
{
  ASSERT_EQ(FreshNetworkEnvironment::error(), "") << "no network namespace of its own";

  ChildProcess recorder({SCENE_SOURCE_EXECUTABLE, "record"}, over_dds);
  ASSERT_TRUE(recorder.wait_for_output("recording", 60s)) << recorder.output();
  auto trailmerge =
    std::make_unique<ChildProcess>(std::vector<std::string>{TRAILMERGE_EXECUTABLE}, over_dds);
  ASSERT_TRUE(trailmerge->wait_for_output("trailmerge started", 60s)) << trailmerge->output();
  auto trailscan =
    std::make_unique<ChildProcess>(std::vector<std::string>{TRAILSCAN_EXECUTABLE}, over_dds);
  ChildProcess scene({SCENE_SOURCE_EXECUTABLE, "play", SCENE_SCANS}, over_dds);
  ASSERT_TRUE(waitUntil([&] { return pedestrianAfter(recorder, 0); }, PATIENCE))
    << recorder.output() << trailscan->output() << trailmerge->output();

  // trailmerge dies and comes back: the recorder gets fused pedestrians from the new one.
  EXPECT_EQ(killHard(*trailmerge), 128 + SIGKILL);
  std::size_t mark = recorder.output().size();
  trailmerge =
    std::make_unique<ChildProcess>(std::vector<std::string>{TRAILMERGE_EXECUTABLE}, over_dds);
  ASSERT_TRUE(trailmerge->wait_for_output("trailmerge started", 60s)) << trailmerge->output();
  EXPECT_TRUE(waitUntil([&] { return pedestrianAfter(recorder, mark); }, PATIENCE))
    << recorder.output().substr(mark) << trailmerge->output();

  // trailscan dies: nothing feeds trailmerge, which therefore publishes nothing. The new
  // trailscan waits for both mountings, which the latched /tf_static gives it at once.
  EXPECT_EQ(killHard(*trailscan), 128 + SIGKILL);
  mark = recorder.output().size();
  trailscan =
    std::make_unique<ChildProcess>(std::vector<std::string>{TRAILSCAN_EXECUTABLE}, over_dds);
  ASSERT_TRUE(trailscan->wait_for_output("[config] tolerance=", 60s)) << trailscan->output();
  EXPECT_TRUE(waitUntil([&] { return pedestrianAfter(recorder, mark); }, PATIENCE))
    << recorder.output().substr(mark) << trailscan->output();
  EXPECT_TRUE(scene.output().find("walk done") == std::string::npos) << "the scene ran out";

  EXPECT_EQ(interrupt(scene), 0) << scene.output();
  EXPECT_EQ(interrupt(*trailscan), 0) << trailscan->output();
  EXPECT_EQ(interrupt(*trailmerge), 0) << trailmerge->output();
  EXPECT_EQ(interrupt(recorder), 0) << recorder.output();
}
