// Recordings whose recorder died: what the .db3 file keeps, what the reader says about a bag
// without metadata.yaml, and metadata.yaml rebuilt from the .db3 files (library and program).
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bag_test_support.hpp"
#include "forked_child.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/bag_reindex.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "sqlite_rows.hpp"

namespace
{

namespace fs = bag_test::fs;
using quillon_tools::BagError;
using quillon_tools::BagMetadata;
using quillon_tools::BagTopicInfo;

constexpr int64_t kFirstStamp = 1700000000000000000;

std::string openError(const fs::path & bag)
{
  try {
    quillon_tools::BagReader reader;
    reader.open(bag);
  } catch (const BagError & e) {
    return e.what();
  }
  return "no error";
}

std::string reindexError(const fs::path & bag)
{
  try {
    quillon_tools::reindexBag(bag);
  } catch (const BagError & e) {
    return e.what();
  }
  return "no error";
}

bool contains(const std::string & text, const std::string & part)
{
  return text.find(part) != std::string::npos;
}

std::vector<BagTopicInfo> byName(std::vector<BagTopicInfo> topics)
{
  std::sort(
    topics.begin(), topics.end(), [](const auto & a, const auto & b) { return a.name < b.name; });
  return topics;
}

void expectSameTopics(const std::vector<BagTopicInfo> & expected, const BagMetadata & actual)
{
  const auto sorted_expected = byName(expected);
  const auto sorted_actual = byName(actual.topics);
  ASSERT_EQ(sorted_actual.size(), sorted_expected.size());
  for (size_t i = 0; i < sorted_expected.size(); ++i) {
    EXPECT_EQ(sorted_actual[i].name, sorted_expected[i].name);
    EXPECT_EQ(sorted_actual[i].type, sorted_expected[i].type);
    EXPECT_EQ(sorted_actual[i].serialization_format, sorted_expected[i].serialization_format);
    EXPECT_EQ(sorted_actual[i].offered_qos_profiles, sorted_expected[i].offered_qos_profiles);
    EXPECT_EQ(sorted_actual[i].message_count, sorted_expected[i].message_count)
      << sorted_expected[i].name;
  }
}

}  // namespace

TEST(BagReindex, AKilledRecorderKeepsItsCommittedSecondsAndReindexDescribesThem)
{
  const auto bag = bag_test::scratch("killed");
  bag_test::ForkedChild recorder([&](const bag_test::ForkedChild::Report & report) {
    quillon_tools::BagWriter writer;
    writer.open(bag);
    writer.createTopic("/scan_01", "sensor_msgs/msg/LaserScan", "cdr", "- history: 1");
    writer.createTopic("/tf", "tf2_msgs/msg/TFMessage");
    for (int i = 0; i < 10; ++i) {
      writer.write("/scan_01", kFirstStamp + i * 100, std::vector<uint8_t>(64, 1));
      writer.write("/tf", kFirstStamp + i * 100 + 50, std::vector<uint8_t>(32, 2));
    }
    // No message for a second: the recorder's loop commits the batch.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    writer.commitIfDue();
    writer.createTopic("/late", "std_msgs/msg/String");
    writer.write("/late", kFirstStamp + 5000, std::vector<uint8_t>(8, 3));
    writer.write("/tf", kFirstStamp + 5000, std::vector<uint8_t>(32, 2));
    report("ready");
    pause();
  });
  ASSERT_EQ(recorder.nextLine(), "ready");
  recorder.killHard();

  EXPECT_FALSE(fs::exists(bag / "metadata.yaml"));
  EXPECT_EQ(
    openError(bag), "bag folder '" + bag.string() +
                      "' has no metadata.yaml; `quillon_bag_reindex " + bag.string() +
                      "` rebuilds it from the .db3 file");

  quillon_tools::reindexBag(bag);
  quillon_tools::BagReader reader;
  reader.open(bag);
  const auto & metadata = reader.metadata();
  EXPECT_EQ(metadata.version, 5);
  EXPECT_EQ(metadata.storage_identifier, "sqlite3");
  EXPECT_EQ(metadata.message_count, 20u);
  EXPECT_EQ(metadata.starting_time_ns, kFirstStamp);
  EXPECT_EQ(metadata.duration_ns, 950);
  // "/late" was committed when it was created, its message was not.
  expectSameTopics(
    {{"/scan_01", "sensor_msgs/msg/LaserScan", "cdr", "- history: 1", 10},
     {"/tf", "tf2_msgs/msg/TFMessage", "cdr", "", 10},
     {"/late", "std_msgs/msg/String", "cdr", "", 0}},
    metadata);
  ASSERT_EQ(metadata.files.size(), 1u);
  EXPECT_EQ(metadata.files[0].path, "killed_0.db3");
  EXPECT_EQ(metadata.files[0].message_count, 20u);
  EXPECT_EQ(metadata.files[0].duration_ns, 950);
  EXPECT_EQ(metadata.relative_file_paths, std::vector<std::string>{"killed_0.db3"});
  quillon_tools::BagMessage message;
  uint64_t read = 0;
  while (reader.readNext(message)) {
    ++read;
  }
  EXPECT_EQ(read, 20u);
}

TEST(BagReindex, ACommitCutShortIsRolledBack)
{
  // A writer dies in the middle of a commit: SQLite has moved part of it into the file, and
  // only its journal knows the pages it replaced.
  const auto bag = bag_test::copyOfGoldenBag("", "cut_commit");
  const auto db = bag / "scans_tf_markers_0.db3";
  bag_test::ForkedChild writer([&](const bag_test::ForkedChild::Report &) {
    sqlite3 * handle = nullptr;
    sqlite3_open(db.c_str(), &handle);
    sqlite3_exec(handle, "PRAGMA cache_size=10; BEGIN;", nullptr, nullptr, nullptr);
    for (int i = 0; i < 50; ++i) {
      sqlite3_exec(
        handle, "INSERT INTO messages (topic_id, timestamp, data) VALUES (1, 5, zeroblob(4000));",
        nullptr, nullptr, nullptr);
    }
  });
  writer.join();
  ASSERT_TRUE(fs::exists(db.string() + "-journal"));
  const auto error = openError(bag);
  EXPECT_TRUE(contains(error, "did not finish")) << error;
  EXPECT_TRUE(contains(error, "quillon_bag_reindex")) << error;

  fs::remove(bag / "metadata.yaml");
  EXPECT_EQ(quillon_tools::reindexBag(bag).message_count, 7u);
  EXPECT_FALSE(fs::exists(db.string() + "-journal"));
  EXPECT_EQ(openError(bag), "no error");
}

TEST(BagReindex, RebuildsTheMetadataHumbleWrote)
{
  for (const auto & recording : bag_test::goldenRecordings()) {
    SCOPED_TRACE(recording.empty() ? "fastrtps" : recording);
    const auto golden =
      quillon_tools::readBagMetadataFile(bag_test::goldenBag(recording) / "metadata.yaml");
    const auto bag = bag_test::copyOfGoldenBag(recording, "reindexed");
    fs::remove(bag / "metadata.yaml");
    quillon_tools::reindexBag(bag);
    const auto rebuilt = quillon_tools::readBagMetadataFile(bag / "metadata.yaml");
    EXPECT_EQ(rebuilt.version, golden.version);
    EXPECT_EQ(rebuilt.storage_identifier, golden.storage_identifier);
    EXPECT_EQ(rebuilt.starting_time_ns, golden.starting_time_ns);
    EXPECT_EQ(rebuilt.duration_ns, golden.duration_ns);
    EXPECT_EQ(rebuilt.message_count, golden.message_count);
    expectSameTopics(golden.topics, rebuilt);
    EXPECT_EQ(rebuilt.compression_format, golden.compression_format);
    EXPECT_EQ(rebuilt.compression_mode, golden.compression_mode);
    EXPECT_EQ(rebuilt.relative_file_paths, golden.relative_file_paths);
    ASSERT_EQ(rebuilt.files.size(), 1u);
    EXPECT_EQ(rebuilt.files[0].path, golden.files[0].path);
    EXPECT_EQ(rebuilt.files[0].starting_time_ns, golden.files[0].starting_time_ns);
    EXPECT_EQ(rebuilt.files[0].duration_ns, golden.files[0].duration_ns);
    EXPECT_EQ(rebuilt.files[0].message_count, golden.files[0].message_count);
  }
}

TEST(BagReindex, SplitFilesOlderLayoutsAndWhatIsNotABag)
{
  // Files 0, 2 and 10 of a split bag: numeric order; the first without a QoS column; the same
  // topic under other ids; one file without messages.
  const auto bag = bag_test::scratch("split");
  fs::create_directories(bag);
  bag_test::executeSql(
    (bag / "split_0.db3").string(),
    "CREATE TABLE topics(id INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL,"
    " serialization_format TEXT NOT NULL);"
    "CREATE TABLE messages(id INTEGER PRIMARY KEY, topic_id INTEGER NOT NULL,"
    " timestamp INTEGER NOT NULL, data BLOB NOT NULL);"
    "INSERT INTO topics VALUES (1, '/a', 'std_msgs/msg/String', 'cdr');"
    "INSERT INTO messages VALUES (1, 1, 300, x'0a'), (2, 1, 100, x'0b');");
  const std::string with_qos =
    "CREATE TABLE topics(id INTEGER PRIMARY KEY,name TEXT NOT NULL,type TEXT NOT NULL,"
    "serialization_format TEXT NOT NULL,offered_qos_profiles TEXT NOT NULL);"
    "CREATE TABLE messages(id INTEGER PRIMARY KEY,topic_id INTEGER NOT NULL,"
    "timestamp INTEGER NOT NULL, data BLOB NOT NULL);";
  bag_test::executeSql(
    (bag / "split_10.db3").string(),
    with_qos + "INSERT INTO topics VALUES (4, '/b', 'sensor_msgs/msg/LaserScan', 'cdr', 'q');");
  bag_test::executeSql(
    (bag / "split_2.db3").string(),
    with_qos +
      "INSERT INTO topics VALUES (7, '/b', 'sensor_msgs/msg/LaserScan', 'cdr', 'q'),"
      " (9, '/a', 'std_msgs/msg/String', 'cdr', '');"
      "INSERT INTO messages VALUES (1, 7, 400, x'1a'), (2, 9, 900, x'1b'), (3, 7, 500, x'1c');");

  const auto metadata = quillon_tools::reindexBag(bag);
  EXPECT_EQ(
    metadata.relative_file_paths,
    (std::vector<std::string>{"split_0.db3", "split_2.db3", "split_10.db3"}));
  ASSERT_EQ(metadata.files.size(), 3u);
  EXPECT_EQ(metadata.files[0].starting_time_ns, 100);
  EXPECT_EQ(metadata.files[0].duration_ns, 200);
  EXPECT_EQ(metadata.files[1].message_count, 3u);
  EXPECT_EQ(metadata.files[1].duration_ns, 500);
  EXPECT_EQ(metadata.files[2].message_count, 0u);
  EXPECT_EQ(metadata.message_count, 5u);
  EXPECT_EQ(metadata.starting_time_ns, 100);
  EXPECT_EQ(metadata.duration_ns, 800);
  expectSameTopics(
    {{"/a", "std_msgs/msg/String", "cdr", "", 3},
     {"/b", "sensor_msgs/msg/LaserScan", "cdr", "q", 2}},
    metadata);
  EXPECT_EQ(openError(bag), "no error");

  // A message of a topic id the file does not list cannot be described.
  bag_test::executeSql(
    (bag / "split_10.db3").string(), "INSERT INTO messages VALUES (1, 5, 700, x'00');");
  EXPECT_TRUE(contains(reindexError(bag), "split_10.db3' holds 1 messages of topic id 5"));
  // Not a bag: no folder, no .db3 file, a .db3 file that is not SQLite.
  const auto missing = bag_test::scratch("no_such_bag");
  EXPECT_TRUE(contains(reindexError(missing), "does not exist"));
  const auto empty = bag_test::scratch("no_db3");
  fs::create_directories(empty);
  EXPECT_TRUE(contains(reindexError(empty), "has no .db3 file"));
  EXPECT_TRUE(contains(openError(empty), "has no metadata.yaml and no .db3 file"));
  std::ofstream(empty / "text.db3") << std::string(5000, 'x');
  EXPECT_TRUE(contains(reindexError(empty), "is not an SQLite database"));
  EXPECT_FALSE(fs::exists(empty / "metadata.yaml"));
}

TEST(BagReindex, ProgramRebuildsTheMetadataAndExplainsItself)
{
  const auto out = bag_test::scratch("reindex_output.txt");
  const auto run = [&out](const std::string & arguments) {
    const std::string command =
      std::string(BAG_REINDEX_EXECUTABLE) + " " + arguments + " > " + out.string() + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("--help"), 0);
  EXPECT_TRUE(contains(bag_test::fileText(out), "usage: quillon_bag_reindex BAG"));
  EXPECT_EQ(run(""), 2);
  EXPECT_TRUE(contains(bag_test::fileText(out), "usage: quillon_bag_reindex BAG"));

  const auto bag = bag_test::copyOfGoldenBag("", "reindexed_by_program");
  fs::remove(bag / "metadata.yaml");
  EXPECT_EQ(run(bag.string()), 0);
  EXPECT_TRUE(contains(bag_test::fileText(out), "7 messages in 4 topics and 1 file,"));
  EXPECT_EQ(openError(bag), "no error");

  const auto missing = bag_test::scratch("no_such_bag");
  EXPECT_EQ(run(missing.string()), 1);
  EXPECT_TRUE(contains(
    bag_test::fileText(out),
    "quillon_bag_reindex: bag folder '" + missing.string() + "' does not exist"));
}
