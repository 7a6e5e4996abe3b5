// The detector chain as deployed: a scene source, trailscan, trailmerge and a recorder run as
// separate processes talking over DDS inside this test's own network namespace. A person
// walking across scanner 01's field must come out of trailmerge as a pedestrian in
// base_footprint, where the person is and moving the way the person moves, and every process
// must end cleanly on SIGINT.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.hpp"
#include "fresh_network_environment.hpp"

namespace
{

using namespace std::chrono_literals;

struct PersonSample
{
  double stamp;
  double x;
  double y;
};

struct FusedObject
{
  int classification;
  double x;
  double y;
  double velocity_x;
  double velocity_y;
};

struct FusedList
{
  double stamp;
  std::string frame;
  std::vector<FusedObject> objects;
};

std::vector<PersonSample> personSamples(const std::string & output)
{
  std::vector<PersonSample> samples;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) {
    std::istringstream fields(line);
    std::string tag;
    PersonSample s{};
    if (fields >> tag >> s.stamp >> s.x >> s.y && tag == "person") {
      samples.push_back(s);
    }
  }
  return samples;
}

std::vector<FusedList> fusedLists(const std::string & output)
{
  std::vector<FusedList> lists;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) {
    std::istringstream fields(line);
    std::string tag;
    fields >> tag;
    if (tag == "objects") {
      FusedList list{};
      fields >> list.stamp >> list.frame;
      lists.push_back(list);
    } else if (tag == "object" && !lists.empty()) {
      FusedObject o{};
      if (fields >> o.classification >> o.x >> o.y >> o.velocity_x >> o.velocity_y) {
        lists.back().objects.push_back(o);
      }
    }
  }
  return lists;
}

// trailmerge stamps a fused list with the time it fused, and fuses only inputs at most
// max_msg_age (0.3 s by default) old: the scan behind a pedestrian was stamped within that
// window before the list. The person is compared with where it was at those scans, which leaves
// 0.3 m of the walk to match, not all of it. Stamps are printed to the microsecond, hence the
// millisecond of slack either side.
constexpr double SCAN_LOOKBACK_S = 0.3;
constexpr double STAMP_SLACK_S = 0.001;
constexpr double NEAR_M = 0.7;
constexpr double MIN_VELOCITY_X = 0.4;

bool matchesPerson(
  const FusedObject & o, double list_stamp, const std::vector<PersonSample> & person)
{
  if (o.classification != 1 || o.velocity_x <= MIN_VELOCITY_X) {
    return false;
  }
  for (const PersonSample & p : person) {
    if (
      p.stamp <= list_stamp + STAMP_SLACK_S &&
      p.stamp >= list_stamp - SCAN_LOOKBACK_S - STAMP_SLACK_S &&
      std::hypot(o.x - p.x, o.y - p.y) <= NEAR_M) {
      return true;
    }
  }
  return false;
}

// Ends a process with SIGINT and returns its exit status.
int interrupt(ChildProcess & process)
{
  process.send_signal(SIGINT);
  return process.wait_for_exit(60s);
}

}  // namespace

TEST(TrailscanEndToEnd, WalkingPersonComesOutOfTrailmergeAsAPedestrianMovingWithIt)
{
  ASSERT_EQ(FreshNetworkEnvironment::error(), "") << "no network namespace of its own";

  // Consumers first, so that they are there when the scene begins; the scene itself waits for
  // trailscan to subscribe before it walks.
  ChildProcess recorder({SCENE_SOURCE_EXECUTABLE, "record"}, over_dds);
  ASSERT_TRUE(recorder.wait_for_output("recording", 60s)) << recorder.output();
  ChildProcess trailmerge({TRAILMERGE_EXECUTABLE}, over_dds);
  ASSERT_TRUE(trailmerge.wait_for_output("trailmerge started", 60s)) << trailmerge.output();
  ChildProcess trailscan({TRAILSCAN_EXECUTABLE}, over_dds);
  ChildProcess scene({SCENE_SOURCE_EXECUTABLE, "play"}, over_dds);

  // The walk takes ~6 s; the margin is for start-up and discovery on a slow machine.
  const bool walked = scene.wait_for_output("walk done", 180s);
  // Lets the last scans through the chain before everything stops.
  std::this_thread::sleep_for(2s);

  EXPECT_EQ(interrupt(scene), 0) << scene.output();
  EXPECT_EQ(interrupt(trailscan), 0) << trailscan.output();
  EXPECT_EQ(interrupt(trailmerge), 0) << trailmerge.output();
  EXPECT_EQ(interrupt(recorder), 0) << recorder.output();
  ASSERT_TRUE(walked) << scene.output() << trailscan.output();

  const std::vector<PersonSample> person = personSamples(scene.output());
  ASSERT_GE(person.size(), 50u) << scene.output();
  const std::vector<FusedList> lists = fusedLists(recorder.output());
  ASSERT_FALSE(lists.empty()) << trailmerge.output() << trailscan.output();

  int matching_lists = 0;
  for (const FusedList & list : lists) {
    EXPECT_EQ(list.frame, "base_footprint");
    for (const FusedObject & o : list.objects) {
      if (matchesPerson(o, list.stamp, person)) {
        ++matching_lists;
        break;
      }
    }
  }
  EXPECT_GT(matching_lists, 0) << recorder.output() << "\n---\n" << scene.output();
}
