// Reads a ROS 2 bag with the sqlite3 storage (Humble and the Foxy/Galactic layouts before it):
// metadata.yaml, then the messages of all its .db3 files in receive-time order.
#ifndef QUILLON_TOOLS__RECORDING__BAG_READER_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_READER_HPP_

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "quillon_tools/recording/bag_error.hpp"
#include "quillon_tools/recording/bag_message.hpp"
#include "quillon_tools/recording/bag_metadata.hpp"

namespace quillon_tools
{

class BagFileCursor;

class BagReader
{
public:
  BagReader();
  ~BagReader();
  BagReader(const BagReader &) = delete;
  BagReader & operator=(const BagReader &) = delete;

  // Throws BagError for a missing folder or metadata.yaml (naming quillon_bag_reindex when a
  // .db3 file is there to rebuild it from), a storage other than sqlite3, a compressed bag, a
  // serialization format other than cdr, and .db3 files that are missing, not SQLite,
  // truncated or corrupt.
  void open(const std::filesystem::path & folder);

  const BagMetadata & metadata() const { return metadata_; }
  // Topics of metadata.yaml, plus any the .db3 files list beyond them (with count 0).
  const std::vector<BagTopicInfo> & topics() const { return metadata_.topics; }

  // Only messages of these topics from now on; an empty list means all. Restarts reading
  // from the first message. Names the bag does not hold are ignored.
  void setTopicFilter(const std::vector<std::string> & topics);

  // The next message by receive timestamp, ties in the order they were written; the storage
  // orders them, so a file written out of order still reads in time order. Reuses the
  // buffers of `out`. Throws BagError for a message whose topic id the file does not list.
  bool readNext(BagMessage & out);

private:
  std::vector<std::filesystem::path> storageFiles() const;
  void addStoredTopics(const BagFileCursor & cursor);
  void restart();
  [[noreturn]] void throwUnknownTopic(BagFileCursor & cursor) const;

  std::filesystem::path folder_;
  BagMetadata metadata_;
  std::vector<std::string> filter_;
  std::vector<std::unique_ptr<BagFileCursor>> cursors_;
  // Per file: topics-table id -> index in metadata_.topics.
  std::vector<std::unordered_map<int64_t, size_t>> topic_of_id_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_READER_HPP_
