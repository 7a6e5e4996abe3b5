// Bags of older layouts, written here by hand with plain SQL: no schema or metadata tables
// (Foxy, Galactic), metadata before version 4 (no QoS, file paths with the folder in front),
// a topics table without QoS column, split files, and rows stored out of time order.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "bag_test_support.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "sqlite_rows.hpp"

namespace
{

constexpr const char * kMetadataVersion3 = R"(rosbag2_bagfile_information:
  version: 3
  storage_identifier: sqlite3
  relative_file_paths:
    - handmade/handmade_0.db3
    - handmade/handmade_1.db3
  duration:
    nanoseconds: 200
  starting_time:
    nanoseconds_since_epoch: 100
  message_count: 5
  topics_with_message_count:
    - topic_metadata:
        name: /a
        type: std_msgs/msg/String
        serialization_format: cdr
      message_count: 3
    - topic_metadata:
        name: /b
        type: sensor_msgs/msg/LaserScan
        serialization_format: cdr
      message_count: 2
  compression_format: ""
  compression_mode: ""
)";

}  // namespace

TEST(BagReaderLayouts, ReadsAHandWrittenSplitBagOfTheOlderLayout)
{
  const auto folder = bag_test::scratch("handmade");
  bag_test::fs::create_directories(folder);
  std::ofstream(folder / "metadata.yaml") << kMetadataVersion3;
  // File 0: no QoS column; rows stored out of time order, two at the same time.
  bag_test::executeSql(
    (folder / "handmade_0.db3").string(),
    "CREATE TABLE topics(id INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL,"
    " serialization_format TEXT NOT NULL);"
    "CREATE TABLE messages(id INTEGER PRIMARY KEY, topic_id INTEGER NOT NULL,"
    " timestamp INTEGER NOT NULL, data BLOB NOT NULL);"
    "INSERT INTO topics VALUES (1, '/a', 'std_msgs/msg/String', 'cdr'),"
    " (2, '/b', 'sensor_msgs/msg/LaserScan', 'cdr');"
    "INSERT INTO messages VALUES (1, 1, 300, x'0a'), (2, 2, 100, x'0b'), (3, 1, 100, x'0c');");
  // File 1: other topic ids for the same names, the QoS column, times interleaved with file 0.
  bag_test::executeSql(
    (folder / "handmade_1.db3").string(),
    "CREATE TABLE topics(id INTEGER PRIMARY KEY,name TEXT NOT NULL,type TEXT NOT NULL,"
    "serialization_format TEXT NOT NULL,offered_qos_profiles TEXT NOT NULL);"
    "CREATE TABLE messages(id INTEGER PRIMARY KEY,topic_id INTEGER NOT NULL,"
    "timestamp INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE INDEX timestamp_idx ON messages (timestamp ASC);"
    "INSERT INTO topics VALUES (1, '/b', 'sensor_msgs/msg/LaserScan', 'cdr', '- history: 1'),"
    " (5, '/a', 'std_msgs/msg/String', 'cdr', '');"
    "INSERT INTO messages VALUES (1, 5, 300, x'1a'), (2, 1, 200, x'1b');");

  quillon_tools::BagReader reader;
  reader.open(folder);
  ASSERT_EQ(reader.topics().size(), 2u);
  EXPECT_EQ(reader.topics()[1].name, "/b");
  EXPECT_EQ(reader.topics()[1].offered_qos_profiles, "- history: 1");
  EXPECT_EQ(reader.topics()[0].offered_qos_profiles, "");

  std::vector<std::string> read;
  quillon_tools::BagMessage message;
  while (reader.readNext(message)) {
    ASSERT_EQ(message.data.size(), 1u);
    read.push_back(
      message.topic + "@" + std::to_string(message.timestamp_ns) + "#" +
      std::to_string(message.data[0]));
  }
  // Time order; equal times by id within a file, the earlier file first across files.
  EXPECT_EQ(
    read,
    (std::vector<std::string>{"/b@100#11", "/a@100#12", "/b@200#27", "/a@300#10", "/a@300#26"}));

  reader.setTopicFilter({"/a"});
  read.clear();
  while (reader.readNext(message)) {
    read.push_back(message.topic + "#" + std::to_string(message.data[0]));
  }
  EXPECT_EQ(read, (std::vector<std::string>{"/a#12", "/a#10", "/a#26"}));
}
