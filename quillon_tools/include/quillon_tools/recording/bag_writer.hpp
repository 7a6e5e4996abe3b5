// Writes a ROS 2 bag as Humble's rosbag2 does with its default storage: one SQLite file
// "<folder>/<folder name>_0.db3" (schema version 3) and "<folder>/metadata.yaml" (version 5).
// Messages are committed at least once a second (and every MiB), each commit synced to disk: a
// recorder that is killed or loses power keeps all but the last second, and
// `quillon_bag_reindex` rebuilds the metadata.yaml it did not get to write. A failed write (a
// full disk) closes the bag with metadata of what its file holds and says what was kept.
#ifndef QUILLON_TOOLS__RECORDING__BAG_WRITER_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_WRITER_HPP_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "quillon_tools/recording/bag_error.hpp"
#include "quillon_tools/recording/bag_metadata.hpp"
#include "quillon_tools/recording/bag_time_span.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "rosidl_runtime_cpp/traits.hpp"

namespace quillon_tools
{

class SqliteDatabase;
class SqliteStatement;

class BagWriter
{
public:
  BagWriter();
  // Closes the bag; errors are reported on stderr since a destructor cannot throw.
  ~BagWriter();
  BagWriter(const BagWriter &) = delete;
  BagWriter & operator=(const BagWriter &) = delete;

  // Creates the folder (and its parents). Throws BagError if it exists already, as rosbag2
  // refuses to record over an earlier bag, or if the bag cannot be created (nothing is left).
  void open(const std::filesystem::path & folder);
  bool isOpen() const { return database_ != nullptr; }

  // A second call for the same name and type does nothing; another type is an error. Fails as
  // write does when the file cannot take the topic.
  void createTopic(
    const std::string & name, const std::string & type,
    const std::string & serialization_format = "cdr",
    const std::string & offered_qos_profiles = "");

  // Timestamps are receive times in ns since the epoch; they need not be increasing. The
  // message is committed with the others of its second (or MiB). When the file cannot take it
  // (or the commit fails) the bag is closed: what cannot be kept is rolled back, metadata.yaml
  // describes what the file holds, and the BagError says how many messages were kept, up to
  // which receive time, and how many are lost (or, if even metadata.yaml cannot be written,
  // that `quillon_bag_reindex` rebuilds it).
  void write(const std::string & topic, int64_t timestamp_ns, const std::vector<uint8_t> & data);
  void write(const std::string & topic, int64_t timestamp_ns, const uint8_t * data, size_t size);

  // Serialises with CDR. A topic not created yet is created with the message's type and an
  // empty QoS list, as rosbag2's typed write does.
  template <typename MessageT>
  void write(const std::string & topic, int64_t timestamp_ns, const MessageT & message)
  {
    createTopic(topic, rosidl_generator_traits::name<MessageT>());
    serialized_.clear();
    ros2_compat::cdr::serialize(message, serialized_);
    write(topic, timestamp_ns, serialized_.data(), serialized_.size());
  }

  // Commits the pending messages once the oldest is a second old. A recorder calls it while
  // no message arrives, so that none waits longer than that for its commit. Fails as write.
  void commitIfDue();

  // Commits what is pending and writes metadata.yaml. Safe to call twice. Fails as write.
  void close();

private:
  struct TopicEntry
  {
    int64_t id = 0;
    BagTopicInfo info;  // message_count: committed messages only
    uint64_t pending_count = 0;
  };

  void requireOpen(const char * doing) const;
  void createTables();
  void insertMessage(int64_t topic_id, int64_t timestamp_ns, const uint8_t * data, size_t size);
  void commitPending();
  void markPendingCommitted();
  // After a failed write: keeps what the file can keep, closes it, writes metadata.yaml of what
  // it holds and throws the BagError that says so. `unwritten_messages`: those never inserted.
  [[noreturn]] void closeAfterFailure(const std::string & cause, uint64_t unwritten_messages);
  // Commits the pending messages if SQLite still holds them, else rolls them back; returns
  // how many were lost.
  uint64_t keepPendingIfPossible();
  BagMetadata finalMetadata() const;

  std::filesystem::path folder_;
  std::string file_name_;
  std::unique_ptr<SqliteDatabase> database_;
  std::unique_ptr<SqliteStatement> insert_message_;
  // Humble lists topics in metadata.yaml in the iteration order of an unordered_map filled in
  // creation order; keeping the same container keeps the files alike.
  std::unordered_map<std::string, TopicEntry> topics_;
  int64_t next_topic_id_ = 1;
  bool transaction_open_ = false;
  std::chrono::steady_clock::time_point transaction_start_;
  BagTimeSpan committed_;
  BagTimeSpan pending_;
  size_t pending_bytes_ = 0;
  std::vector<uint8_t> serialized_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_WRITER_HPP_
