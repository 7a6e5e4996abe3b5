// The offline runner on recordings: a simulated scenario written to a bag must come out of
// replayBag exactly as replayScenario gives it, the result bag must read back to the same
// lists and scores, and bad recordings must give clear errors or counted skips.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/runner/bag_replay.hpp"
#include "quillon_tools/runner/object_list_csv.hpp"
#include "quillon_tools/runner/result_bag.hpp"
#include "quillon_tools/runner/scenario_bag.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"
#include "rclcpp/rclcpp.hpp"
#include "scratch_folder.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;

using quillon_test::scratch;

SimulatorConfig shortRun(double duration_s = 3.0)
{
  SimulatorConfig config;
  config.seed = 7;
  config.duration_s = duration_s;
  return config;
}

std::vector<BagMessage> allMessages(const fs::path & bag)
{
  BagReader reader;
  reader.open(bag);
  std::vector<BagMessage> messages;
  BagMessage m;
  while (reader.readNext(m)) {
    messages.push_back(m);
  }
  return messages;
}

void expectSameScores(const EvaluationResult & expected, const EvaluationResult & actual)
{
  EXPECT_EQ(actual.lists_scored, expected.lists_scored);
  ASSERT_EQ(actual.gates.size(), expected.gates.size());
  for (std::size_t g = 0; g < expected.gates.size(); ++g) {
    const GateScores & want = expected.gates[g];
    const GateScores & got = actual.gates[g];
    EXPECT_EQ(got.all.ground_truth, want.all.ground_truth);
    EXPECT_EQ(got.all.true_positives, want.all.true_positives);
    EXPECT_EQ(got.all.false_negatives, want.all.false_negatives);
    EXPECT_EQ(got.all.id_switches, want.all.id_switches);
    EXPECT_EQ(got.standing.ground_truth, want.standing.ground_truth);
    EXPECT_EQ(got.standing.true_positives, want.standing.true_positives);
    EXPECT_EQ(got.false_positives, want.false_positives);
    EXPECT_EQ(got.false_positives_on_furniture, want.false_positives_on_furniture);
    EXPECT_DOUBLE_EQ(got.all.motp_m, want.all.motp_m);
    EXPECT_DOUBLE_EQ(got.all.mean_velocity_error_mps, want.all.mean_velocity_error_mps);
  }
}

void expectSameOutputs(const ReplayOutputs & expected, const ReplayOutputs & actual)
{
  for (const auto & topic : resultListTopics()) {
    const auto & want = expected.lists.at(topic);
    const auto & got = actual.lists.at(topic);
    ASSERT_EQ(got.size(), want.size()) << topic;
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(got[i].list, want[i].list) << topic << " list " << i;
    }
  }
  EXPECT_EQ(actual.markers, expected.markers);
}

int64_t headerStampNs(const BagMessage & m)
{
  if (m.topic == "/tf" || m.topic == "/tf_static") {
    return stampNanoseconds(deserialize<tf2_msgs::msg::TFMessage>(m).transforms.at(0).header.stamp);
  }
  return stampNanoseconds(deserialize<sensor_msgs::msg::LaserScan>(m).header.stamp);
}

// The default scenario's first seconds, recorded into a scratch bag and read back.
std::vector<BagMessage> recordedScenario(const std::string & name, double duration_s)
{
  const auto bag = scratch(name);
  writeScenarioBag(makeScenario(DEFAULT_SCENARIO), shortRun(duration_s), bag);
  return allMessages(bag);
}

// The recording as a robot makes it: receive times a constant after the stamps, and each scan
// received 1 to 20 ms before the odometry sample that covers it.
void writeRobotStyleBag(
  const std::vector<BagMessage> & messages, int64_t receive_offset_ns, const fs::path & bag)
{
  BagWriter writer;
  writer.open(bag);
  int odometry = 0;
  for (const auto & m : messages) {
    int64_t receive_ns = headerStampNs(m) + receive_offset_ns;
    if (m.topic == "/tf") {
      receive_ns += (1 + (odometry++ * 7) % 20) * 1000000LL;
    }
    writer.createTopic(m.topic, m.type);
    writer.write(m.topic, receive_ns, m.data);
  }
}

class BagReplayTest : public ::testing::Test
{
protected:
  void SetUp() override { rclcpp::init(0, nullptr); }
  void TearDown() override { rclcpp::shutdown(); }
};

}  // namespace

// Same scenario and seed, two ways in: the recording must not change a single list, marker or
// score, and two runs of one recording must give byte-identical result bags.
TEST_F(BagReplayTest, SimulatedBagReplaysExactlyLikeTheScenario)
{
  const Scenario scenario = makeScenario(DEFAULT_SCENARIO);
  const auto bag = scratch("scenario");
  const GroundTruth truth = writeScenarioBag(scenario, shortRun(), bag);
  const auto truth_csv = scratch("truth.csv");
  writeGroundTruthCsv(truth_csv.string(), truth);

  for (const bool geometric : {false, true}) {
    SCOPED_TRACE(geometric ? "geometric detector" : "closed detector");
    ReplayOptions options;
    options.geometric_detector = geometric;
    const ScenarioReplay reference = replayScenario(scenario, shortRun(), options);
    ASSERT_EQ(truth.frames.size(), reference.truth.frames.size());

    std::vector<fs::path> result_bags{scratch("result_a"), scratch("result_b")};
    BagReplay replay;
    for (const auto & result_bag : result_bags) {
      BagWriter results;
      results.open(result_bag);
      replay = replayBag(bag, options, &results);
      results.close();
    }
    EXPECT_EQ(replay.summary.scans_in, truth.frames.size());
    EXPECT_EQ(replay.summary.scans_processed, truth.frames.size());
    EXPECT_EQ(replay.summary.scans_waited, 0u);
    EXPECT_EQ(replay.summary.messages_in, 2 * truth.frames.size() + 1);
    EXPECT_EQ(replay.summary.lists_out.at("/objects_laser"), truth.frames.size());
    expectSameOutputs(reference.outputs, replay.outputs);

    // Scores from the result bag and the CSV truth, as quillon_evaluate computes them.
    const auto expected = evaluateReplay(reference.truth, reference.outputs, "x");
    const auto from_files =
      evaluateReplay(readGroundTruthCsv(truth_csv.string()), readResultBag(result_bags[0]), "x");
    ASSERT_EQ(from_files.size(), expected.size());
    EXPECT_GT(expected.back().second.gates.at(0).all.true_positives, 0);
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(expected[i].first);
      expectSameScores(expected[i].second, from_files[i].second);
    }

    const auto first = allMessages(result_bags[0]);
    const auto second = allMessages(result_bags[1]);
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) {
      EXPECT_EQ(first[i].topic, second[i].topic);
      EXPECT_EQ(first[i].timestamp_ns, second[i].timestamp_ns);
      EXPECT_EQ(first[i].data, second[i].data) << first[i].topic << " message " << i;
    }
  }
}

// A robot's recording, and the same recorded again years later from a replay: no scan is lost
// to odometry that comes after it, and on header stamps the lists are those of the in-memory
// replay, fused ones included. On receive times the per-scanner lists are still the same.
TEST_F(BagReplayTest, RobotStyleRecordingsLoseNoScan)
{
  const auto messages = recordedScenario("robot_source", 2.0);
  const ScenarioReplay reference =
    replayScenario(makeScenario(DEFAULT_SCENARIO), shortRun(2.0), ReplayOptions{});
  const size_t scans = reference.outputs.lists.at("/objects_laser1").size() +
                       reference.outputs.lists.at("/objects_laser2").size();

  constexpr int64_t THREE_YEARS_NS = 3LL * 365 * 24 * 3600 * 1000000000LL;
  for (const int64_t offset_ns : {int64_t{30000000}, THREE_YEARS_NS}) {
    SCOPED_TRACE("receive times " + std::to_string(offset_ns) + " ns after the stamps");
    const auto bag = scratch("robot_" + std::to_string(offset_ns));
    writeRobotStyleBag(messages, offset_ns, bag);

    const BagReplay on_stamps = replayBag(bag, ReplayOptions{});
    EXPECT_EQ(on_stamps.summary.scans_in, scans);
    EXPECT_EQ(on_stamps.summary.scans_processed, scans);
    EXPECT_EQ(on_stamps.summary.scans_waited, scans);
    expectSameOutputs(reference.outputs, on_stamps.outputs);

    BagReplayOptions on_receive_times;
    on_receive_times.clock = ReplayClockSource::kReceiveTimes;
    const BagReplay received = replayBag(bag, on_receive_times);
    EXPECT_EQ(received.summary.scans_processed, scans);
    EXPECT_EQ(received.summary.scans_no_transform, 0u);
    for (const char * topic : {"/objects_laser1", "/objects_laser2"}) {
      const auto & want = reference.outputs.lists.at(topic);
      const auto & got = received.outputs.lists.at(topic);
      ASSERT_EQ(got.size(), want.size()) << topic;
      for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].list, want[i].list) << topic << " list " << i;
      }
    }
  }
}

// When the odometry stops, the scans after it wait out the live lookup's timeout and are then
// dropped and counted as having no transform; every scan is accounted for.
TEST_F(BagReplayTest, ScansWithoutOdometryAreDroppedAfterTheLiveTimeoutAndCounted)
{
  const auto messages = recordedScenario("odometry_source", 1.0);
  const int64_t cut_ns = messages.front().timestamp_ns + 500000000LL;

  const auto bag = scratch("odometry_stops");
  uint64_t scans_after_cut = 0;
  {
    BagWriter writer;
    writer.open(bag);
    for (const auto & m : messages) {
      const bool after_cut = m.timestamp_ns > cut_ns;
      scans_after_cut += after_cut && m.topic != "/tf" ? 1 : 0;
      if (!(after_cut && m.topic == "/tf")) {
        writer.createTopic(m.topic, m.type);
        writer.write(m.topic, m.timestamp_ns, m.data);
      }
    }
  }
  ASSERT_GT(scans_after_cut, 0u);
  const BagReplay replay = replayBag(bag, ReplayOptions{});
  const BagReplaySummary & s = replay.summary;
  EXPECT_EQ(s.scans_no_transform, scans_after_cut);
  EXPECT_EQ(s.scans_waited, scans_after_cut);
  EXPECT_EQ(s.scans_processed + s.scans_no_transform, s.scans_in);
  EXPECT_EQ(
    s.lists_out.at("/objects_laser1") + s.lists_out.at("/objects_laser2"), s.scans_processed);
}

// The result bag lists its six topics with their types; every list is written at the
// simulated time of the scan that produced it, which is never before the list's own stamp.
TEST_F(BagReplayTest, ResultBagHoldsTheOutputTopicsAtTheirOutputTimes)
{
  const auto bag = scratch("short");
  writeScenarioBag(makeScenario(DEFAULT_SCENARIO), shortRun(1.0), bag);
  const auto result_bag = scratch("short_result");
  {
    BagWriter results;
    results.open(result_bag);
    replayBag(bag, ReplayOptions{}, &results);
  }
  BagReader reader;
  reader.open(result_bag);
  std::map<std::string, std::string> types;
  for (const auto & topic : reader.topics()) {
    types[topic.name] = topic.type;
  }
  EXPECT_EQ(
    types, (std::map<std::string, std::string>{
             {"/objects_laser", "quillon_protocol/msg/ObjectList"},
             {"/objects_laser1", "quillon_protocol/msg/ObjectList"},
             {"/objects_laser2", "quillon_protocol/msg/ObjectList"},
             {"/objects_laser_markers", "visualization_msgs/msg/MarkerArray"},
             {"/scan1/pedestrian_markers", "visualization_msgs/msg/MarkerArray"},
             {"/scan2/pedestrian_markers", "visualization_msgs/msg/MarkerArray"}}));
  BagMessage m;
  int lists = 0;
  while (reader.readNext(m)) {
    if (m.type == "quillon_protocol/msg/ObjectList") {
      ++lists;
      const auto list = deserialize<quillon_protocol::msg::ObjectList>(m);
      EXPECT_GE(m.timestamp_ns, stampNanoseconds(list.header.stamp)) << m.topic;
    }
  }
  EXPECT_GT(lists, 0);
}

// A recording without the scanner mounts names them; a missing bag gives the reader's error; a
// scan with broken bytes is skipped and counted, and other topics and unknown types are only
// counted.
TEST_F(BagReplayTest, BadRecordingsGiveClearErrorsOrCountedSkips)
{
  const auto messages = recordedScenario("source", 0.5);

  const auto no_mounts = scratch("no_mounts");
  {
    BagWriter writer;
    writer.open(no_mounts);
    for (const auto & m : messages) {
      if (m.topic != "/tf_static") {
        writer.createTopic(m.topic, m.type);
        writer.write(m.topic, m.timestamp_ns, m.data);
      }
    }
  }
  try {
    replayBag(no_mounts, ReplayOptions{});
    ADD_FAILURE() << "a bag without mounts was replayed";
  } catch (const std::runtime_error & e) {
    EXPECT_NE(std::string(e.what()).find("base_scan_01, base_scan_02"), std::string::npos)
      << e.what();
  }
  EXPECT_THROW(replayBag(scratch("missing"), ReplayOptions{}), BagError);

  const auto damaged = scratch("damaged");
  uint64_t scans = 0;
  {
    BagWriter writer;
    writer.open(damaged);
    for (const auto & m : messages) {
      writer.createTopic(m.topic, m.type);
      const bool broken_scan = m.topic == "/scan_02" && scans == 3;
      scans += m.topic.rfind("/scan_", 0) == 0 ? 1 : 0;
      const std::vector<uint8_t> bytes(
        m.data.begin(), m.data.begin() + (broken_scan ? 40 : m.data.size()));
      writer.write(m.topic, m.timestamp_ns, bytes);
    }
    writer.createTopic("/chatter", "std_msgs/msg/String");
    writer.write("/chatter", messages.front().timestamp_ns, std::vector<uint8_t>{0, 1, 0, 0});
    writer.write(
      "/scan1/dynamic_cloud", messages.front().timestamp_ns, sensor_msgs::msg::PointCloud2());
  }
  const BagReplay replay = replayBag(damaged, ReplayOptions{});
  EXPECT_EQ(replay.summary.scans_in, scans);
  EXPECT_EQ(replay.summary.scans_malformed, 1u);
  EXPECT_EQ(replay.summary.scans_processed, scans - 1);
  EXPECT_EQ(replay.summary.messages_unknown_types, 1u);
  EXPECT_EQ(replay.summary.messages_other_topics, 1u);
  EXPECT_EQ(
    replay.summary.lists_out.at("/objects_laser1") + replay.summary.lists_out.at("/objects_laser2"),
    scans - 1);
}

// The CSV has one line per object with the id its markers give, and numbers that read back
// exactly.
TEST_F(BagReplayTest, ObjectListCsvHasOneExactLinePerObject)
{
  ScoredList scored;
  scored.list.header.frame_id = "base_footprint";
  scored.list.header.stamp.sec = 1700000000;
  scored.list.header.stamp.nanosec = 25;
  scored.list.objects.resize(2);
  scored.list.objects[0].pose.position.x = 0.1;
  scored.list.objects[0].velocity_y = -1.0 / 3.0;
  scored.list.objects[1].classification = 1;
  scored.list.objects[1].point_count = 12;
  scored.ids = {UNKNOWN_OBJECT_ID, 42};
  const auto file = scratch("lists.csv");
  writeObjectListCsv(file, {scored, ScoredList()});

  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], OBJECT_LIST_CSV_HEADER);
  EXPECT_EQ(lines[2], "1700000000000000025,base_footprint,1,42,0,0,0,0,1,0,0,12");
  std::vector<std::string> fields;
  std::stringstream row(lines[1]);
  for (std::string f; std::getline(row, f, ',');) {
    fields.push_back(f);
  }
  ASSERT_EQ(fields.size(), 12u);
  EXPECT_EQ(fields[3], "");
  EXPECT_EQ(std::stod(fields[4]), 0.1);
  EXPECT_EQ(std::stod(fields[7]), -1.0 / 3.0);
}
