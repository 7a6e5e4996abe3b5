#include "quillon_tools/recording/bag_file_cursor.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_error.hpp"

namespace quillon_tools
{
namespace
{

std::string checkedPath(const std::filesystem::path & file)
{
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    throw BagError("bag file '" + file.string() + "' does not exist");
  }
  return file.string();
}

}  // namespace

std::vector<StoredTopic> readStoredTopics(const SqliteDatabase & database)
{
  for (const char * table : {"topics", "messages"}) {
    if (!database.hasTable(table)) {
      throw BagError("bag file '" + database.path() + "' has no '" + table + "' table");
    }
  }
  const auto columns = database.columnsOf("topics");
  const bool has_qos =
    std::find(columns.begin(), columns.end(), "offered_qos_profiles") != columns.end();
  SqliteStatement query(
    database, has_qos ? "SELECT id, name, type, serialization_format, offered_qos_profiles "
                        "FROM topics ORDER BY id;"
                      : "SELECT id, name, type, serialization_format FROM topics ORDER BY id;");
  std::vector<StoredTopic> topics;
  while (query.step()) {
    StoredTopic topic;
    topic.id = query.integer(0);
    topic.name = query.text(1);
    topic.type = query.text(2);
    topic.serialization_format = query.text(3);
    if (has_qos) {
      topic.offered_qos_profiles = query.text(4);
    }
    topics.push_back(std::move(topic));
  }
  return topics;
}

BagFileCursor::BagFileCursor(const std::filesystem::path & file)
: database_(checkedPath(file), SqliteDatabase::Mode::kReadOnly),
  topics_(readStoredTopics(database_))
{
}

void BagFileCursor::startAll() { start(""); }

void BagFileCursor::startOnly(const std::vector<int64_t> & only_topic_ids)
{
  std::string ids;
  for (const auto id : only_topic_ids) {
    ids += (ids.empty() ? "" : ",") + std::to_string(id);
  }
  start("WHERE topic_id IN (" + ids + ") ");
}

void BagFileCursor::start(const std::string & where)
{
  // The timestamp index holds (timestamp, rowid), so this order needs no sorting pass.
  query_.reset();
  query_ = std::make_unique<SqliteStatement>(
    database_,
    "SELECT id, topic_id, timestamp, data FROM messages " + where + "ORDER BY timestamp, id;");
  advance();
}

void BagFileCursor::advance()
{
  has_row_ = query_->step();
  if (has_row_) {
    id_ = query_->integer(0);
    topic_id_ = query_->integer(1);
    timestamp_ = query_->integer(2);
  }
}

}  // namespace quillon_tools
