// One .db3 file of a bag being read: its topics table and a walk through its messages in
// receive-time order (ties by id, i.e. in the order they were written).
#ifndef QUILLON_TOOLS__RECORDING__BAG_FILE_CURSOR_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_FILE_CURSOR_HPP_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "quillon_tools/recording/sqlite_database.hpp"

namespace quillon_tools
{

// A row of the topics table. Files of the oldest layout have no QoS column.
struct StoredTopic
{
  int64_t id = 0;
  std::string name;
  std::string type;
  std::string serialization_format;
  std::string offered_qos_profiles;
};

// The topics table of an open .db3 file, by id. Throws BagError when the file has no topics or
// messages table, or is not SQLite, truncated or corrupt (found out by this first query).
std::vector<StoredTopic> readStoredTopics(const SqliteDatabase & database);

class BagFileCursor
{
public:
  // Opens the file read-only and reads its topics. Throws BagError when the file is missing,
  // not SQLite, truncated or corrupt, or has no topics or messages table.
  explicit BagFileCursor(const std::filesystem::path & file);

  const std::string & path() const { return database_.path(); }
  const std::vector<StoredTopic> & topics() const { return topics_; }

  // Restarts at the first message; with `only_topic_ids`, only messages of those topics.
  void startAll();
  void startOnly(const std::vector<int64_t> & only_topic_ids);

  bool hasMessage() const { return has_row_; }
  int64_t id() const { return id_; }
  int64_t topicId() const { return topic_id_; }
  int64_t timestamp() const { return timestamp_; }
  void copyData(std::vector<uint8_t> & out) const { query_->blob(3, out); }
  void advance();

private:
  void start(const std::string & where);

  SqliteDatabase database_;
  std::vector<StoredTopic> topics_;
  std::unique_ptr<SqliteStatement> query_;
  bool has_row_ = false;
  int64_t id_ = 0;
  int64_t topic_id_ = 0;
  int64_t timestamp_ = 0;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_FILE_CURSOR_HPP_
