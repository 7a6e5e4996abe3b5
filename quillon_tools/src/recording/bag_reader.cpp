#include "quillon_tools/recording/bag_reader.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_file_cursor.hpp"
#include "quillon_tools/recording/bag_reindex.hpp"

namespace quillon_tools
{
namespace
{

void requireCdr(const std::string & bag, const std::string & topic, const std::string & format)
{
  if (format != "cdr") {
    throw BagError(
      "bag '" + bag + "': topic '" + topic + "' has serialization format '" + format +
      "'; only 'cdr' can be read");
  }
}

// A recorder that was killed or lost power leaves its .db3 file without metadata.yaml.
void requireMetadataFile(const std::filesystem::path & folder)
{
  std::error_code error;
  if (std::filesystem::exists(folder / "metadata.yaml", error)) {
    return;
  }
  const std::string bag = folder.string();
  if (findStorageFiles(folder).empty()) {
    throw BagError("bag folder '" + bag + "' has no metadata.yaml and no .db3 file: not a bag");
  }
  throw BagError(
    "bag folder '" + bag + "' has no metadata.yaml; `quillon_bag_reindex " + bag +
    "` rebuilds it from the .db3 file");
}

}  // namespace

BagReader::BagReader() = default;
BagReader::~BagReader() = default;

void BagReader::open(const std::filesystem::path & folder)
{
  cursors_.clear();
  topic_of_id_.clear();
  filter_.clear();
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    throw BagError("bag folder '" + folder.string() + "' does not exist");
  }
  folder_ = folder;
  requireMetadataFile(folder);
  metadata_ = readBagMetadataFile(folder / "metadata.yaml");
  const std::string bag = folder.string();
  if (metadata_.storage_identifier != "sqlite3") {
    throw BagError(
      "bag '" + bag + "' uses storage '" + metadata_.storage_identifier +
      "'; only 'sqlite3' can be read");
  }
  if (!metadata_.compression_format.empty() || !metadata_.compression_mode.empty()) {
    throw BagError(
      "bag '" + bag + "' is compressed (format '" + metadata_.compression_format + "', mode '" +
      metadata_.compression_mode + "'); only uncompressed bags can be read");
  }
  for (const auto & topic : metadata_.topics) {
    requireCdr(bag, topic.name, topic.serialization_format);
  }
  try {
    for (const auto & file : storageFiles()) {
      cursors_.push_back(std::make_unique<BagFileCursor>(file));
      addStoredTopics(*cursors_.back());
    }
    restart();
  } catch (...) {
    // A half-opened bag would read a subset of its files: leave nothing open instead.
    cursors_.clear();
    topic_of_id_.clear();
    throw;
  }
}

std::vector<std::filesystem::path> BagReader::storageFiles() const
{
  std::vector<std::filesystem::path> files;
  for (const auto & relative : metadata_.relative_file_paths) {
    auto file = folder_ / relative;
    // Bags before metadata version 4 name their files with the bag folder in front.
    std::error_code error;
    if (!std::filesystem::exists(file, error) && metadata_.version < 4) {
      file = folder_.parent_path() / relative;
    }
    files.push_back(file);
  }
  return files;
}

void BagReader::addStoredTopics(const BagFileCursor & cursor)
{
  auto & ids = topic_of_id_.emplace_back();
  for (const auto & stored : cursor.topics()) {
    requireCdr(cursor.path(), stored.name, stored.serialization_format);
    auto & topics = metadata_.topics;
    auto known = std::find_if(topics.begin(), topics.end(), [&stored](const BagTopicInfo & t) {
      return t.name == stored.name;
    });
    if (known == topics.end()) {
      topics.push_back(BagTopicInfo{
        stored.name, stored.type, stored.serialization_format, stored.offered_qos_profiles, 0});
      known = topics.end() - 1;
    } else if (known->offered_qos_profiles.empty()) {
      known->offered_qos_profiles = stored.offered_qos_profiles;
    }
    ids[stored.id] = static_cast<size_t>(known - topics.begin());
  }
}

void BagReader::setTopicFilter(const std::vector<std::string> & topics)
{
  filter_ = topics;
  restart();
}

void BagReader::restart()
{
  for (size_t file = 0; file < cursors_.size(); ++file) {
    if (filter_.empty()) {
      cursors_[file]->startAll();
      continue;
    }
    std::vector<int64_t> wanted;
    for (const auto & [id, topic] : topic_of_id_[file]) {
      const auto & name = metadata_.topics[topic].name;
      if (std::find(filter_.begin(), filter_.end(), name) != filter_.end()) {
        wanted.push_back(id);
      }
    }
    cursors_[file]->startOnly(wanted);
  }
}

bool BagReader::readNext(BagMessage & out)
{
  // Files of a split bag follow each other in time; merging also keeps overlapping ones in
  // order, earlier files first on equal timestamps.
  size_t next = cursors_.size();
  for (size_t file = 0; file < cursors_.size(); ++file) {
    if (
      cursors_[file]->hasMessage() &&
      (next == cursors_.size() || cursors_[file]->timestamp() < cursors_[next]->timestamp())) {
      next = file;
    }
  }
  if (next == cursors_.size()) {
    return false;
  }
  auto & cursor = *cursors_[next];
  const auto topic = topic_of_id_[next].find(cursor.topicId());
  if (topic == topic_of_id_[next].end()) {
    throwUnknownTopic(cursor);  // moves past the message, so a caller may go on reading
  }
  const auto & info = metadata_.topics[topic->second];
  out.topic = info.name;
  out.type = info.type;
  out.timestamp_ns = cursor.timestamp();
  cursor.copyData(out.data);
  cursor.advance();
  return true;
}

void BagReader::throwUnknownTopic(BagFileCursor & cursor) const
{
  const std::string what = "bag file '" + cursor.path() + "': message " +
                           std::to_string(cursor.id()) + " refers to topic id " +
                           std::to_string(cursor.topicId()) +
                           ", which its topics table does not list";
  cursor.advance();
  throw BagError(what);
}

}  // namespace quillon_tools
