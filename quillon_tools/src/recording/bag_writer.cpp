#include "quillon_tools/recording/bag_writer.hpp"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "quillon_tools/recording/bag_reindex.hpp"
#include "quillon_tools/recording/sqlite_database.hpp"

namespace quillon_tools
{
namespace
{

// Humble's sqlite storage, schema version 3, statement for statement (sqlite_master keeps the
// text, so tools comparing schemas see the same file).
constexpr const char * kSchemaStatements[] = {
  "CREATE TABLE schema(schema_version INTEGER PRIMARY KEY,ros_distro TEXT NOT NULL);",
  "CREATE TABLE metadata(id INTEGER PRIMARY KEY,metadata_version INTEGER NOT NULL,"
  "metadata TEXT NOT NULL);",
  "CREATE TABLE topics(id INTEGER PRIMARY KEY,name TEXT NOT NULL,type TEXT NOT NULL,"
  "serialization_format TEXT NOT NULL,offered_qos_profiles TEXT NOT NULL);",
  "CREATE TABLE messages(id INTEGER PRIMARY KEY,topic_id INTEGER NOT NULL,"
  "timestamp INTEGER NOT NULL, data BLOB NOT NULL);",
  "CREATE INDEX timestamp_idx ON messages (timestamp ASC);",
};
constexpr int64_t kSchemaVersion = 3;
constexpr const char * kRosDistro = "humble";
// Messages of up to a second share one commit (a commit costs file syncs); a recorder that dies
// or meets a full disk loses at most the batch it was writing. A program that writes faster than
// in real time also commits every MiB, so that it loses no more than a recorder would.
constexpr std::chrono::seconds kCommitInterval{1};
constexpr size_t kMaxBatchBytes = size_t{1} << 20;

std::filesystem::path withoutTrailingSeparator(const std::filesystem::path & folder)
{
  return folder.filename().empty() ? folder.parent_path() : folder;
}

std::string messagesText(uint64_t count)
{
  return std::to_string(count) + (count == 1 ? " message" : " messages");
}

// "1700000012.345678901 s", the way `ros2 bag info` prints times in seconds.
std::string secondsText(int64_t ns)
{
  int64_t seconds = ns / 1000000000;
  int64_t fraction = ns % 1000000000;
  if (fraction < 0) {
    fraction += 1000000000;
    --seconds;
  }
  char text[48];
  std::snprintf(
    text, sizeof(text), "%lld.%09lld s", static_cast<long long>(seconds),
    static_cast<long long>(fraction));
  return text;
}

std::string lostText(uint64_t lost, const std::string & when)
{
  if (lost == 0) {
    return "";
  }
  return "; the " + messagesText(lost) + " written " + (when.empty() ? "" : when + " ") +
         (lost == 1 ? "is" : "are") + " lost";
}

std::string keptText(const BagMetadata & kept)
{
  if (kept.message_count == 0) {
    return "The bag keeps no messages";
  }
  return "The bag keeps " + messagesText(kept.message_count) + ", received up to " +
         secondsText(kept.starting_time_ns + kept.duration_ns);
}

}  // namespace

BagWriter::BagWriter() = default;

BagWriter::~BagWriter()
{
  try {
    close();
  } catch (const std::exception & e) {
    std::cerr << "[ERROR] bag writer: " << e.what() << std::endl;
  }
}

void BagWriter::open(const std::filesystem::path & folder)
{
  if (isOpen()) {
    throw BagError("bag writer is still writing '" + folder_.string() + "'; close it first");
  }
  const auto bag_folder = withoutTrailingSeparator(folder);
  std::error_code error;
  if (std::filesystem::exists(bag_folder, error)) {
    throw BagError(
      "bag folder '" + bag_folder.string() +
      "' already exists; a bag is written to a new folder only");
  }
  if (!std::filesystem::create_directories(bag_folder, error) || error) {
    throw BagError(
      "bag folder '" + bag_folder.string() + "' cannot be created: " + error.message());
  }
  folder_ = bag_folder;
  file_name_ = bag_folder.filename().string() + "_0.db3";
  try {
    database_ = std::make_unique<SqliteDatabase>(
      (folder_ / file_name_).string(), SqliteDatabase::Mode::kCreate);
    // Not rosbag2's default preset (journal in memory, no syncs), under which a recorder killed
    // while committing leaves a corrupt file: with the journal in a file and each commit synced,
    // the file holds every finished commit, and the next writable open undoes an unfinished one.
    database_->execute("PRAGMA journal_mode=DELETE;");
    database_->execute("PRAGMA synchronous=NORMAL;");
    createTables();
    insert_message_ = std::make_unique<SqliteStatement>(
      *database_, "INSERT INTO messages (timestamp, topic_id, data) VALUES (?, ?, ?);");
  } catch (...) {
    insert_message_.reset();
    database_.reset();
    std::filesystem::remove_all(bag_folder, error);  // created above: nothing else is in it
    throw;
  }
  topics_.clear();
  next_topic_id_ = 1;
  transaction_open_ = false;
  committed_ = BagTimeSpan();
  pending_ = BagTimeSpan();
  pending_bytes_ = 0;
}

void BagWriter::createTables()
{
  database_->execute("BEGIN TRANSACTION;");
  for (const char * statement : kSchemaStatements) {
    database_->execute(statement);
  }
  SqliteStatement insert(
    *database_, "INSERT INTO schema (schema_version, ros_distro) VALUES (?, ?);");
  insert.bind(1, kSchemaVersion);
  insert.bind(2, std::string(kRosDistro));
  insert.step();
  database_->execute("COMMIT;");
}

void BagWriter::createTopic(
  const std::string & name, const std::string & type, const std::string & serialization_format,
  const std::string & offered_qos_profiles)
{
  requireOpen("create a topic");
  const auto existing = topics_.find(name);
  if (existing != topics_.end()) {
    if (existing->second.info.type != type) {
      throw BagError(
        "topic '" + name + "' of bag '" + folder_.string() + "' has type '" +
        existing->second.info.type + "', not '" + type + "'");
    }
    return;
  }
  if (serialization_format != "cdr") {
    throw BagError(
      "topic '" + name + "': serialization format '" + serialization_format +
      "' is not supported (only 'cdr')");
  }
  try {
    SqliteStatement insert(
      *database_,
      "INSERT INTO topics (id, name, type, serialization_format, offered_qos_profiles) "
      "VALUES (?, ?, ?, ?, ?);");
    insert.bind(1, next_topic_id_);
    insert.bind(2, name);
    insert.bind(3, type);
    insert.bind(4, serialization_format);
    insert.bind(5, offered_qos_profiles);
    insert.step();
  } catch (const BagError & e) {
    closeAfterFailure(e.what(), 0);
  }
  TopicEntry entry;
  entry.id = next_topic_id_++;
  entry.info = BagTopicInfo{name, type, serialization_format, offered_qos_profiles, 0};
  topics_.emplace(name, std::move(entry));
}

void BagWriter::write(
  const std::string & topic, int64_t timestamp_ns, const std::vector<uint8_t> & data)
{
  write(topic, timestamp_ns, data.data(), data.size());
}

void BagWriter::write(
  const std::string & topic, int64_t timestamp_ns, const uint8_t * data, size_t size)
{
  requireOpen("write a message");
  const auto entry = topics_.find(topic);
  if (entry == topics_.end()) {
    throw BagError(
      "topic '" + topic + "' has not been created in bag '" + folder_.string() +
      "'; call createTopic first");
  }
  insertMessage(entry->second.id, timestamp_ns, data, size);
  ++entry->second.pending_count;
  pending_.add(timestamp_ns);
  pending_bytes_ += size;
  if (pending_bytes_ >= kMaxBatchBytes) {
    commitPending();
  } else {
    commitIfDue();
  }
}

void BagWriter::insertMessage(
  int64_t topic_id, int64_t timestamp_ns, const uint8_t * data, size_t size)
{
  try {
    if (!transaction_open_) {
      database_->execute("BEGIN TRANSACTION;");
      transaction_open_ = true;
      transaction_start_ = std::chrono::steady_clock::now();
    }
    insert_message_->reset();  // also after a failed step, which leaves the statement busy
    insert_message_->bind(1, timestamp_ns);
    insert_message_->bind(2, topic_id);
    insert_message_->bindBlob(3, data, size);
    insert_message_->step();
  } catch (const BagError & e) {
    closeAfterFailure(e.what(), 1);
  }
}

void BagWriter::commitIfDue()
{
  requireOpen("commit");
  if (
    transaction_open_ && std::chrono::steady_clock::now() - transaction_start_ >= kCommitInterval) {
    commitPending();
  }
}

void BagWriter::commitPending()
{
  if (!transaction_open_) {
    return;
  }
  try {
    database_->execute("COMMIT;");
  } catch (const BagError & e) {
    closeAfterFailure(e.what(), 0);
  }
  markPendingCommitted();
}

void BagWriter::markPendingCommitted()
{
  transaction_open_ = false;
  for (auto & topic : topics_) {
    topic.second.info.message_count += topic.second.pending_count;
    topic.second.pending_count = 0;
  }
  committed_.add(pending_);
  pending_ = BagTimeSpan();
  pending_bytes_ = 0;
}

uint64_t BagWriter::keepPendingIfPossible()
{
  // SQLite may have rolled the whole transaction back by itself, or kept all but the failed
  // statement: then one more commit keeps the messages before the failure.
  const uint64_t pending = pending_.message_count;
  if (transaction_open_ && database_->inTransaction()) {
    try {
      database_->execute("COMMIT;");
      markPendingCommitted();
      return 0;
    } catch (const BagError &) {
      if (database_->inTransaction()) {
        try {
          database_->execute("ROLLBACK;");
        } catch (const BagError &) {
          // The next open of the file rolls back from its journal instead.
        }
      }
    }
  }
  transaction_open_ = false;
  pending_bytes_ = 0;
  return pending;
}

void BagWriter::closeAfterFailure(const std::string & cause, uint64_t unwritten_messages)
{
  const uint64_t lost = unwritten_messages + keepPendingIfPossible();
  insert_message_.reset();
  database_.reset();
  const std::string reindex = "`quillon_bag_reindex " + folder_.string() + "`";
  BagMetadata kept;
  try {
    // Reading the file back with a writable open also undoes a write SQLite left half done.
    kept = metadataOfStorageFiles(folder_);
  } catch (const BagError & e) {
    throw BagError(
      cause + ". The bag file cannot be read back (" + e.what() +
      "), so no metadata.yaml describes it; " + reindex + " rebuilds one if it can" +
      lostText(lost, "since the last commit"));
  }
  const std::string lost_text = lostText(lost, kept.message_count == 0 ? "" : "after them");
  try {
    writeBagMetadataFile(folder_, kept);
  } catch (const BagError & e) {
    throw BagError(
      cause + ". " + keptText(kept) + ", but " + e.what() + "; " + reindex +
      " rebuilds it once there is room" + lost_text);
  }
  throw BagError(cause + ". " + keptText(kept) + ", as its metadata.yaml says" + lost_text);
}

void BagWriter::close()
{
  if (!isOpen()) {
    return;
  }
  commitPending();
  insert_message_.reset();
  database_.reset();
  try {
    writeBagMetadataFile(folder_, finalMetadata());
  } catch (const BagError & e) {
    throw BagError(
      std::string(e.what()) + "; the bag file holds all " + messagesText(committed_.message_count) +
      ", and `quillon_bag_reindex " + folder_.string() + "` rebuilds metadata.yaml from it");
  }
}

BagMetadata BagWriter::finalMetadata() const
{
  BagMetadata metadata;
  metadata.starting_time_ns = committed_.startingTimeNs();
  metadata.duration_ns = committed_.durationNs();
  metadata.message_count = committed_.message_count;
  for (const auto & entry : topics_) {
    metadata.topics.push_back(entry.second.info);
  }
  metadata.relative_file_paths = {file_name_};
  metadata.files = {BagFileInfo{
    file_name_, metadata.starting_time_ns, metadata.duration_ns, metadata.message_count}};
  return metadata;
}

void BagWriter::requireOpen(const char * doing) const
{
  if (!isOpen()) {
    throw BagError(std::string("bag writer cannot ") + doing + ": no bag is open");
  }
}

}  // namespace quillon_tools
