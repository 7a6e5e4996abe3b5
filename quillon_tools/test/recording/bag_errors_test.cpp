// Broken or unsupported bags and misuse of the writer end in a BagError whose message names
// the file and the problem; nothing crashes, hangs or reads garbage.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bag_test_support.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sqlite_rows.hpp"

namespace
{

namespace fs = bag_test::fs;
using quillon_tools::BagError;
using quillon_tools::BagMessage;
using quillon_tools::BagReader;

// The message of the BagError that opening (and reading all of) the bag throws.
std::string readError(const fs::path & folder)
{
  try {
    BagReader reader;
    reader.open(folder);
    BagMessage message;
    while (reader.readNext(message)) {
    }
  } catch (const BagError & e) {
    return e.what();
  }
  return "no error";
}

fs::path goldenWithMetadata(
  const std::string & name, const std::string & from, const std::string & to)
{
  const auto bag = bag_test::copyOfGoldenBag("", name);
  auto text = bag_test::fileText(bag / "metadata.yaml");
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  std::ofstream(bag / "metadata.yaml", std::ios::trunc) << text;
  return bag;
}

fs::path goldenDb(const fs::path & bag) { return bag / "scans_tf_markers_0.db3"; }

testing::AssertionResult mentions(const std::string & error, const std::vector<std::string> & parts)
{
  for (const auto & part : parts) {
    if (error.find(part) == std::string::npos) {
      return testing::AssertionFailure() << "'" << error << "' lacks '" << part << "'";
    }
  }
  return testing::AssertionSuccess();
}

}  // namespace

TEST(BagErrors, MissingOrUnusableMetadata)
{
  const auto missing = bag_test::scratch("no_such_bag");
  EXPECT_TRUE(mentions(readError(missing), {missing.string(), "does not exist"}));

  const auto empty = bag_test::scratch("empty_folder");
  fs::create_directories(empty);
  EXPECT_TRUE(mentions(readError(empty), {empty.string(), "no metadata.yaml", "not a bag"}));

  auto bag = goldenWithMetadata("bad_yaml", "  version: 5", "  version: [5");
  EXPECT_TRUE(mentions(readError(bag), {"metadata.yaml", "is not valid YAML"}));
  bag = goldenWithMetadata("no_count", "  message_count: 7\n", "");
  EXPECT_TRUE(mentions(readError(bag), {"lacks 'rosbag2_bagfile_information.message_count'"}));
  bag = goldenWithMetadata("future", "  version: 5", "  version: 42");
  EXPECT_TRUE(mentions(readError(bag), {"version 42"}));
}

TEST(BagErrors, UnsupportedStorageCompressionAndFormat)
{
  auto bag = goldenWithMetadata("mcap", "storage_identifier: sqlite3", "storage_identifier: mcap");
  EXPECT_TRUE(mentions(readError(bag), {bag.string(), "storage 'mcap'", "only 'sqlite3'"}));
  bag = goldenWithMetadata("zstd", "compression_format: \"\"", "compression_format: zstd");
  EXPECT_TRUE(mentions(readError(bag), {bag.string(), "is compressed", "zstd"}));
  bag =
    goldenWithMetadata("json_format", "serialization_format: cdr", "serialization_format: json");
  EXPECT_TRUE(mentions(readError(bag), {"/scan1/pedestrian_markers", "format 'json'"}));
}

TEST(BagErrors, MissingTruncatedForeignAndCorruptStorageFiles)
{
  auto bag = bag_test::copyOfGoldenBag("", "missing_db");
  fs::remove(goldenDb(bag));
  EXPECT_TRUE(mentions(readError(bag), {goldenDb(bag).string(), "does not exist"}));

  bag = bag_test::copyOfGoldenBag("", "truncated_db");
  fs::resize_file(goldenDb(bag), fs::file_size(goldenDb(bag)) / 2);
  EXPECT_TRUE(mentions(readError(bag), {goldenDb(bag).string(), "truncated or corrupt"}));

  bag = bag_test::copyOfGoldenBag("", "random_db");
  std::mt19937 random(7);
  std::ofstream noise(goldenDb(bag), std::ios::binary | std::ios::trunc);
  for (int i = 0; i < 24576; ++i) {
    noise.put(static_cast<char>(random() & 0xff));
  }
  noise.close();
  EXPECT_TRUE(mentions(readError(bag), {goldenDb(bag).string(), "not an SQLite database"}));

  // Every cut of the file fails cleanly or (a cut inside unused space) still reads.
  const auto whole = bag_test::fileText(goldenDb(bag_test::goldenBag("")));
  for (size_t size = 0; size < whole.size(); size += 512) {
    bag = bag_test::copyOfGoldenBag("", "cut_db");
    std::ofstream(goldenDb(bag), std::ios::binary | std::ios::trunc) << whole.substr(0, size);
    const auto error = readError(bag);
    EXPECT_TRUE(error == "no error" || error.find(goldenDb(bag).string()) != std::string::npos)
      << size << ": " << error;
  }
}

TEST(BagErrors, MessagesOfUnknownTopicsAndBadBytes)
{
  const auto bag = bag_test::copyOfGoldenBag("", "unknown_topic");
  bag_test::executeSql(
    goldenDb(bag).string(), "INSERT INTO messages VALUES (8, 99, 1796641526154702865, x'00');");
  BagReader reader;
  reader.open(bag);
  BagMessage message;
  ASSERT_TRUE(reader.readNext(message));
  try {
    reader.readNext(message);
    ADD_FAILURE() << "the unknown topic id was not reported";
  } catch (const BagError & e) {
    EXPECT_TRUE(mentions(e.what(), {goldenDb(bag).string(), "message 8", "topic id 99"}));
  }
  size_t rest = 0;
  while (reader.readNext(message)) {
    ++rest;
  }
  EXPECT_EQ(rest, 6u);

  // A scan whose range count claims 4 G elements is refused before any allocation.
  sensor_msgs::msg::LaserScan scan;
  scan.ranges.assign(3, 1.0f);
  BagMessage hostile{"/scan", "sensor_msgs/msg/LaserScan", 1, ros2_compat::cdr::serialize(scan)};
  const size_t ranges_count = 4 + 16 + 7 * 4;  // encapsulation, header, seven float32
  ASSERT_EQ(hostile.data[ranges_count], 3);
  for (size_t i = 0; i < 4; ++i) {
    hostile.data[ranges_count + i] = 0xff;
  }
  try {
    quillon_tools::deserialize<sensor_msgs::msg::LaserScan>(hostile);
    ADD_FAILURE() << "the hostile count was accepted";
  } catch (const BagError & e) {
    EXPECT_TRUE(mentions(e.what(), {"'/scan'", "4294967295 elements"}));
  }
}

TEST(BagErrors, WriterRefusesExistingFoldersAndUnknownTopics)
{
  const auto existing = bag_test::copyOfGoldenBag("", "existing");
  quillon_tools::BagWriter writer;
  try {
    writer.open(existing);
    ADD_FAILURE() << "an existing folder was accepted";
  } catch (const BagError & e) {
    EXPECT_TRUE(mentions(e.what(), {existing.string(), "already exists"}));
  }
  EXPECT_EQ(readError(existing), "no error");  // untouched

  writer.open(bag_test::scratch("misuse"));
  EXPECT_THROW(writer.write("/scan", 1, std::vector<uint8_t>{}), BagError);
  writer.createTopic("/scan", "sensor_msgs/msg/LaserScan");
  EXPECT_THROW(writer.createTopic("/scan", "sensor_msgs/msg/PointCloud2"), BagError);
  EXPECT_THROW(writer.createTopic("/other", "std_msgs/msg/String", "json"), BagError);
  EXPECT_THROW(writer.write("/scan", 1, std_msgs::msg::Header()), BagError);
  writer.close();
  EXPECT_THROW(writer.write("/scan", 1, std::vector<uint8_t>{}), BagError);
}
