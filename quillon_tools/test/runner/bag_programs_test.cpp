// The recording programs as a user runs them: simulate into a bag, run it offline with CSV
// output, score the result; bad options and missing inputs end with their exit codes, corrupt
// messages in a result bag with a count of what was skipped.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.hpp"
#include "printed_table.hpp"
#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/detector_returns.hpp"
#include "quillon_tools/runner/pipeline_records.hpp"
#include "quillon_tools/runner/result_bag.hpp"
#include "scratch_folder.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using quillon_test::scratch;
using quillon_test::tableRow;

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

// The first 8 bytes of a serialized list: its encoding header and stamp, no frame id.
const std::vector<uint8_t> CUT_OFF_LIST{0, 1, 0, 0, 1, 0, 0, 0};

// A result bag's messages plus a cut-off list on "/objects_laser1"; without `keep_messages`,
// only a cut-off list on each list topic.
void writeDamagedCopy(const fs::path & from, const fs::path & to, bool keep_messages)
{
  quillon_tools::BagWriter writer;
  writer.open(to);
  quillon_tools::createResultTopics(writer);
  quillon_tools::BagReader reader;
  reader.open(from);
  quillon_tools::BagMessage m;
  int64_t last_ns = 0;
  while (keep_messages && reader.readNext(m)) {
    writer.write(m.topic, m.timestamp_ns, m.data);
    last_ns = m.timestamp_ns;
  }
  for (const auto & topic : quillon_tools::resultListTopics()) {
    if (!keep_messages || topic == "/objects_laser1") {
      writer.write(topic, last_ns, CUT_OFF_LIST);
    }
  }
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
  EXPECT_EQ(evaluate.output().find("skipped"), std::string::npos) << evaluate.output();

  // A corrupt list among good ones is skipped and counted: the good ones score as before. A bag
  // with nothing readable on its list topics is scored as empty output and says so.
  const auto damaged = scratch("damaged");
  writeDamagedCopy(result, damaged, true);
  ChildProcess evaluate_damaged({EVALUATE_EXECUTABLE, damaged.string(), truth.string()});
  ASSERT_EQ(runToEnd(evaluate_damaged), 0) << evaluate_damaged.output();
  EXPECT_NE(
    evaluate_damaged.output().find(
      "skipped unreadable messages (not a valid message of the topic's type), scored without "
      "them: 1 on /objects_laser1\n"),
    std::string::npos)
    << evaluate_damaged.output();
  const auto good_row = tableRow(evaluate.output(), "room_result", "/objects_laser1");
  ASSERT_FALSE(good_row.empty()) << evaluate.output();
  EXPECT_EQ(tableRow(evaluate_damaged.output(), "damaged", "/objects_laser1"), good_row)
    << evaluate_damaged.output();
  const auto unreadable = scratch("unreadable");
  writeDamagedCopy(result, unreadable, false);
  ChildProcess evaluate_unreadable({EVALUATE_EXECUTABLE, unreadable.string(), truth.string()});
  ASSERT_EQ(runToEnd(evaluate_unreadable), 0) << evaluate_unreadable.output();
  for (const auto & topic : quillon_tools::resultListTopics()) {
    EXPECT_NE(
      evaluate_unreadable.output().find(
        topic + ": every message unreadable (1), scored as if nothing was published"),
      std::string::npos)
      << evaluate_unreadable.output();
    EXPECT_EQ(tableRow(evaluate_unreadable.output(), "unreadable", topic).at(2), "0")
      << evaluate_unreadable.output();  // no true positives
  }

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

// With --debug-topics the result bag also shows what the detector made of every scan: each return
// of a processed scan lies in exactly one of its two clouds, and the clusters come beside them;
// so do its detections and tracks, which the error analysis reads.
TEST(BagPrograms, OfflineRunRecordsTheDetectorsSplitOfEveryScan)
{
  const auto bag = scratch("debug_room");
  const auto truth = scratch("debug_room_truth.csv");
  const auto result = scratch("debug_room_result");
  ChildProcess simulate(
    {SIMULATE_EXECUTABLE, "--bag", bag.string(), "--truth", truth.string(), "--duration", "1"});
  ASSERT_EQ(runToEnd(simulate), 0) << simulate.output();
  ChildProcess run({OFFLINE_RUN_EXECUTABLE, bag.string(), result.string(), "--debug-topics"});
  ASSERT_EQ(runToEnd(run), 0) << run.output();

  std::map<int64_t, size_t> returns;  // by scan stamp, of "/scan_01"
  quillon_tools::BagReader input;
  input.open(bag);
  input.setTopicFilter({"/scan_01"});
  quillon_tools::BagMessage m;
  while (input.readNext(m)) {
    const auto scan = quillon_tools::deserialize<sensor_msgs::msg::LaserScan>(m);
    for (const float r : scan.ranges) {
      returns[quillon_tools::stampNanoseconds(scan.header.stamp)] +=
        quillon_tools::isReturn(scan, r) ? 1 : 0;
    }
  }
  std::map<int64_t, size_t> split;  // moving plus static points, by stamp
  std::map<std::string, size_t> clouds;
  quillon_tools::BagReader output;
  output.open(result);
  while (output.readNext(m)) {
    if (m.type == "sensor_msgs/msg/PointCloud2") {
      const auto cloud = quillon_tools::deserialize<sensor_msgs::msg::PointCloud2>(m);
      ++clouds[m.topic];
      if (m.topic == "/scan1/detector_moving_cloud" || m.topic == "/scan1/detector_static_cloud") {
        split[quillon_tools::stampNanoseconds(cloud.header.stamp)] += cloud.width;
      }
    }
  }
  EXPECT_EQ(split, returns);
  EXPECT_EQ(clouds["/scan1/detector_moving_cloud"], returns.size());
  EXPECT_EQ(clouds["/scan1/dynamic_cloud"], returns.size());
  EXPECT_EQ(clouds["/scan1/local_static_map_cloud"], returns.size());
  std::size_t records = 0;
  quillon_tools::readPipelineRecords(result, [&](const std::string & frame, const auto &) {
    records += frame == "base_scan_01" ? 1 : 0;
  });
  EXPECT_EQ(records, returns.size());

  // The error analysis finds every walking miss in those records.
  ChildProcess explain({EVALUATE_EXECUTABLE, result.string(), truth.string(), "--explain"});
  ASSERT_EQ(runToEnd(explain), 0) << explain.output();
  for (const std::string topic : {"/objects_laser1", "/objects_laser"}) {
    const std::string heading = "Walking misses of debug_room_result " + topic + " within 0.5 m";
    const auto at = explain.output().find(heading);
    ASSERT_NE(at, std::string::npos) << explain.output();
    std::istringstream lines(explain.output().substr(at + heading.size()));
    std::string line;
    std::getline(lines, line);
    const long misses = std::stol(line.substr(line.rfind(' ')));
    long staged = 0;
    for (std::size_t stage = 0;
         stage < quillon_tools::MISS_STAGE_COUNT && std::getline(lines, line); ++stage) {
      staged += std::stol(line);
      if (line.find("no record of the scan") != std::string::npos) {
        EXPECT_EQ(std::stol(line), 0) << topic;
      }
    }
    EXPECT_EQ(staged, misses) << explain.output();
  }
}

// The offline runner checks a parameter file as trailscan does, even for the parameters it
// sets itself, and a run stopped by SIGTERM leaves a closed, readable result bag of what it
// processed.
TEST(BagPrograms, OfflineRunChecksParametersAndKeepsItsResultWhenStopped)
{
  const auto bag = scratch("long");
  ChildProcess simulate({SIMULATE_EXECUTABLE, "--bag", bag.string(), "--duration", "30"});
  ASSERT_EQ(runToEnd(simulate), 0) << simulate.output();

  const auto params = scratch("wrong_type.yaml");
  std::ofstream(params) << "laser_subscriber:\n  ros__parameters:\n    frontend:\n"
                           "      use_geometric_motion_detector: 3\n";
  const auto refused = scratch("refused_result");
  ChildProcess wrong_type(
    {OFFLINE_RUN_EXECUTABLE, bag.string(), refused.string(), "--ros-args", "--params-file",
     params.string()});
  EXPECT_EQ(runToEnd(wrong_type), 1) << wrong_type.output();
  EXPECT_NE(wrong_type.output().find("frontend.use_geometric_motion_detector"), std::string::npos)
    << wrong_type.output();

  const auto result = scratch("stopped_result");
  ChildProcess run({OFFLINE_RUN_EXECUTABLE, bag.string(), result.string()});
  // The result folder appears once the program has set up its signal handling.
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!fs::exists(result) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  std::this_thread::sleep_for(500ms);  // into the recording, which takes seconds to run
  run.send_signal(SIGTERM);
  ASSERT_EQ(runToEnd(run), 1) << run.output();
  EXPECT_NE(run.output().find("Interrupted"), std::string::npos) << run.output();
  const quillon_tools::ReplayOutputs kept = quillon_tools::readResultBag(result);
  const auto lists = kept.lists.find("/objects_laser1");
  const size_t kept_lists = lists == kept.lists.end() ? 0 : lists->second.size();
  EXPECT_NE(
    run.output().find("/objects_laser1 " + std::to_string(kept_lists) + " "), std::string::npos)
    << "the bag holds " << kept_lists << " lists, the summary says otherwise: " << run.output();
}
