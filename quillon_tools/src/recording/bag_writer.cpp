#include "quillon_tools/recording/bag_writer.hpp"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

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
// One transaction per batch: per-message commits would cost a file sync each.
constexpr size_t kMessagesPerCommit = 1000;

std::filesystem::path withoutTrailingSeparator(const std::filesystem::path & folder)
{
  return folder.filename().empty() ? folder.parent_path() : folder;
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
    // As rosbag2's default preset: no journal file, no sync; the bag is one file.
    database_->execute("PRAGMA journal_mode=MEMORY;");
    database_->execute("PRAGMA synchronous=OFF;");
    createTables();
    insert_message_ = std::make_unique<SqliteStatement>(
      *database_, "INSERT INTO messages (timestamp, topic_id, data) VALUES (?, ?, ?);");
  } catch (...) {
    insert_message_.reset();
    database_.reset();
    throw;
  }
  topics_.clear();
  next_topic_id_ = 1;
  transaction_open_ = false;
  pending_messages_ = 0;
  message_count_ = 0;
}

void BagWriter::createTables()
{
  for (const char * statement : kSchemaStatements) {
    database_->execute(statement);
  }
  SqliteStatement insert(
    *database_, "INSERT INTO schema (schema_version, ros_distro) VALUES (?, ?);");
  insert.bind(1, kSchemaVersion);
  insert.bind(2, std::string(kRosDistro));
  insert.step();
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
  if (!transaction_open_) {
    database_->execute("BEGIN TRANSACTION;");
    transaction_open_ = true;
  }
  insert_message_->reset();  // also after a failed step, which leaves the statement busy
  insert_message_->bind(1, timestamp_ns);
  insert_message_->bind(2, entry->second.id);
  insert_message_->bindBlob(3, data, size);
  insert_message_->step();

  ++entry->second.info.message_count;
  earliest_ns_ = message_count_ == 0 ? timestamp_ns : std::min(earliest_ns_, timestamp_ns);
  latest_ns_ = message_count_ == 0 ? timestamp_ns : std::max(latest_ns_, timestamp_ns);
  ++message_count_;
  if (++pending_messages_ >= kMessagesPerCommit) {
    commitPending();
  }
}

void BagWriter::commitPending()
{
  if (transaction_open_) {
    transaction_open_ = false;
    pending_messages_ = 0;
    database_->execute("COMMIT;");
  }
}

void BagWriter::close()
{
  if (!isOpen()) {
    return;
  }
  try {
    commitPending();
  } catch (...) {
    insert_message_.reset();
    database_.reset();
    throw;
  }
  insert_message_.reset();
  database_.reset();

  const auto file = folder_ / "metadata.yaml";
  std::ofstream out(file, std::ios::binary);
  out << emitBagMetadata(finalMetadata());
  out.close();
  if (!out) {
    throw BagError("bag metadata '" + file.string() + "' cannot be written");
  }
}

BagMetadata BagWriter::finalMetadata() const
{
  BagMetadata metadata;
  // Like rosbag2, an empty bag starts at the largest time point and lasts nothing.
  metadata.starting_time_ns =
    message_count_ == 0 ? std::numeric_limits<int64_t>::max() : earliest_ns_;
  metadata.duration_ns = message_count_ == 0 ? 0 : latest_ns_ - earliest_ns_;
  metadata.message_count = message_count_;
  for (const auto & entry : topics_) {
    metadata.topics.push_back(entry.second.info);
  }
  metadata.relative_file_paths = {file_name_};
  metadata.files = {
    BagFileInfo{file_name_, metadata.starting_time_ns, metadata.duration_ns, message_count_}};
  return metadata;
}

void BagWriter::requireOpen(const char * doing) const
{
  if (!isOpen()) {
    throw BagError(std::string("bag writer cannot ") + doing + ": no bag is open");
  }
}

}  // namespace quillon_tools
