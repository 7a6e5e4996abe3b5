// A bag written until its disk is full: the writer runs in a child whose file size limit
// (RLIMIT_FSIZE, with SIGXFSZ ignored) makes the kernel refuse writes past it, as a full disk
// refuses them. Afterwards metadata.yaml describes exactly the rows of the .db3 file, and the
// error says what was kept.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
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
using bag_test::ForkedChild;
using quillon_tools::BagWriter;

// Scan-sized messages, 50 ms apart.
constexpr int64_t kFirstStamp = 1700000000000000000;
constexpr int64_t kSpacing = 50000000;
constexpr int kCommittedMessages = 21;

fs::path dbOf(const fs::path & bag) { return bag / (bag.filename().string() + "_0.db3"); }

void writeMessages(BagWriter & writer, int first, int count)
{
  static const std::vector<uint8_t> payload(4000, 0x5a);
  for (int i = first; i < first + count; ++i) {
    writer.write("/scan_01", kFirstStamp + i * kSpacing, payload);
  }
}

// Opens the bag and commits kCommittedMessages through the once-a-second rule: the write after
// a second's pause commits the batch it completes.
void writeOneCommittedSecond(BagWriter & writer, const fs::path & bag)
{
  writer.open(bag);
  writer.createTopic("/scan_01", "sensor_msgs/msg/LaserScan");
  writeMessages(writer, 0, kCommittedMessages - 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  writeMessages(writer, kCommittedMessages - 1, 1);
}

// From now on the .db3 file cannot grow by more than a few pages.
void fillTheDisk(const fs::path & bag)
{
  signal(SIGXFSZ, SIG_IGN);
  const auto limit = static_cast<rlim_t>(fs::file_size(dbOf(bag)) + 8192);
  const rlimit file_size{limit, limit};
  setrlimit(RLIMIT_FSIZE, &file_size);
}

uint64_t rowsOf(const fs::path & bag)
{
  return std::stoull(bag_test::queryRows(dbOf(bag), "SELECT count(*) FROM messages;")[0][0]);
}

testing::AssertionResult mentions(const std::string & error, const std::vector<std::string> & parts)
{
  for (const auto & part : parts) {
    if (error.find(part) == std::string::npos) {
      return testing::AssertionFailure() << "'" << error << "' lacks '" << part << "'";
    }
  }
  return testing::AssertionSuccess();
}

// metadata.yaml and the reader agree with the rows: the committed second, nothing more.
void expectTheCommittedSecond(const fs::path & bag)
{
  EXPECT_EQ(rowsOf(bag), static_cast<uint64_t>(kCommittedMessages));
  quillon_tools::BagReader reader;
  reader.open(bag);
  const auto & metadata = reader.metadata();
  EXPECT_EQ(metadata.message_count, static_cast<uint64_t>(kCommittedMessages));
  EXPECT_EQ(metadata.starting_time_ns, kFirstStamp);
  EXPECT_EQ(metadata.duration_ns, (kCommittedMessages - 1) * kSpacing);
  ASSERT_EQ(metadata.topics.size(), 1u);
  EXPECT_EQ(metadata.topics[0].message_count, static_cast<uint64_t>(kCommittedMessages));
  ASSERT_EQ(metadata.files.size(), 1u);
  EXPECT_EQ(metadata.files[0].message_count, static_cast<uint64_t>(kCommittedMessages));
  quillon_tools::BagMessage message;
  uint64_t read = 0;
  while (reader.readNext(message)) {
    ++read;
  }
  EXPECT_EQ(read, static_cast<uint64_t>(kCommittedMessages));
  // Nothing of the failed commit is left beside the file.
  EXPECT_FALSE(fs::exists(fs::path(dbOf(bag).string() + "-journal")));
}

}  // namespace

TEST(BagFullDisk, KeepsWhatWasCommittedDescribesItAndSaysSo)
{
  // A commit that fails on the full disk (20 messages waiting in it at close).
  const auto failed_commit = bag_test::scratch("full_disk_commit");
  ForkedChild commit_child([&](const ForkedChild::Report & report) {
    BagWriter writer;
    writeOneCommittedSecond(writer, failed_commit);
    fillTheDisk(failed_commit);
    writeMessages(writer, kCommittedMessages, 20);
    try {
      writer.close();
      report("no error");
    } catch (const quillon_tools::BagError & e) {
      report(e.what());
    }
  });
  // A write that fails when SQLite moves its full page cache into the file mid-batch; and
  // metadata.yaml, which cannot be written either (a folder is in its place).
  const auto failed_write = bag_test::scratch("full_disk_write");
  ForkedChild write_child([&](const ForkedChild::Report & report) {
    BagWriter writer;
    writeOneCommittedSecond(writer, failed_write);
    fs::create_directory(failed_write / "metadata.yaml");
    fillTheDisk(failed_write);
    for (int written = kCommittedMessages; written < 5000; ++written) {
      try {
        writeMessages(writer, written, 1);
      } catch (const quillon_tools::BagError & e) {
        report(std::to_string(written));
        report(e.what());
        return;
      }
    }
    report("no error");
  });

  const std::string commit_error = commit_child.nextLine();
  commit_child.join();
  EXPECT_TRUE(mentions(
    commit_error, {dbOf(failed_commit).string(), "COMMIT", "The bag keeps 21 messages",
                   "received up to 1700000001.000000000 s", "as its metadata.yaml says",
                   "the 20 messages written after them are lost"}));
  expectTheCommittedSecond(failed_commit);

  const std::string attempted = write_child.nextLine();
  const std::string write_error = write_child.nextLine();
  write_child.join();
  ASSERT_NE(attempted, "no error");
  const auto lost = std::stoi(attempted) - kCommittedMessages + 1;
  EXPECT_TRUE(mentions(
    write_error, {"The bag keeps 21 messages", "metadata.yaml' cannot be written",
                  "`quillon_bag_reindex " + failed_write.string() + "` rebuilds it",
                  "the " + std::to_string(lost) + " messages written after them are lost"}));
  EXPECT_EQ(rowsOf(failed_write), static_cast<uint64_t>(kCommittedMessages));
  fs::remove(failed_write / "metadata.yaml");
  quillon_tools::reindexBag(failed_write);
  expectTheCommittedSecond(failed_write);
}

TEST(BagFullDisk, MetadataThatCannotBeWrittenAtCloseNamesReindex)
{
  const auto bag = bag_test::scratch("metadata_blocked");
  BagWriter writer;
  writer.open(bag);
  writer.createTopic("/scan_01", "sensor_msgs/msg/LaserScan");
  writeMessages(writer, 0, 3);
  fs::create_directory(bag / "metadata.yaml");
  try {
    writer.close();
    ADD_FAILURE() << "metadata.yaml was written over a folder";
  } catch (const quillon_tools::BagError & e) {
    EXPECT_TRUE(mentions(
      e.what(), {"metadata.yaml' cannot be written", "holds all 3 messages",
                 "`quillon_bag_reindex " + bag.string() + "`"}));
  }
  EXPECT_FALSE(writer.isOpen());
  EXPECT_EQ(rowsOf(bag), 3u);
}
