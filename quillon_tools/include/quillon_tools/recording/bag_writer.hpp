// Writes a ROS 2 bag as Humble's rosbag2 does with its default storage: one SQLite file
// "<folder>/<folder name>_0.db3" (schema version 3) and "<folder>/metadata.yaml" (version 5).
#ifndef QUILLON_TOOLS__RECORDING__BAG_WRITER_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_WRITER_HPP_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "quillon_tools/recording/bag_error.hpp"
#include "quillon_tools/recording/bag_metadata.hpp"
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
  // refuses to record over an earlier bag.
  void open(const std::filesystem::path & folder);
  bool isOpen() const { return database_ != nullptr; }

  // A second call for the same name and type does nothing; another type is an error.
  void createTopic(
    const std::string & name, const std::string & type,
    const std::string & serialization_format = "cdr",
    const std::string & offered_qos_profiles = "");

  // Timestamps are receive times in ns since the epoch; they need not be increasing.
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

  // Commits what is pending and writes metadata.yaml. Safe to call twice.
  void close();

private:
  struct TopicEntry
  {
    int64_t id = 0;
    BagTopicInfo info;
  };

  void requireOpen(const char * doing) const;
  void createTables();
  void commitPending();
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
  size_t pending_messages_ = 0;
  uint64_t message_count_ = 0;
  int64_t earliest_ns_ = 0;
  int64_t latest_ns_ = 0;
  std::vector<uint8_t> serialized_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_WRITER_HPP_
