#include "quillon_tools/recording/bag_reindex.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "quillon_tools/recording/bag_error.hpp"
#include "quillon_tools/recording/bag_file_cursor.hpp"
#include "quillon_tools/recording/bag_time_span.hpp"
#include "quillon_tools/recording/sqlite_database.hpp"

namespace quillon_tools
{
namespace
{

namespace fs = std::filesystem;

// Sorts "<prefix>_<index>.db3" by prefix, then by the index as a number; other names last.
std::tuple<std::string, bool, uint64_t, std::string> splitOrder(const fs::path & file)
{
  const std::string stem = file.stem().string();
  const auto underscore = stem.rfind('_');
  const std::string digits = underscore == std::string::npos ? "" : stem.substr(underscore + 1);
  const bool numbered =
    !digits.empty() && digits.size() < 19 &&
    std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!numbered) {
    return {stem, true, 0, stem};
  }
  return {stem.substr(0, underscore), false, std::stoull(digits), stem};
}

// Per topic id of the messages table: how many messages and the times they span.
std::vector<std::pair<int64_t, BagTimeSpan>> spansPerTopicId(const SqliteDatabase & database)
{
  SqliteStatement query(
    database,
    "SELECT topic_id, count(*), min(timestamp), max(timestamp) FROM messages GROUP BY topic_id "
    "ORDER BY topic_id;");
  std::vector<std::pair<int64_t, BagTimeSpan>> spans;
  while (query.step()) {
    spans.emplace_back(
      query.integer(0),
      BagTimeSpan{static_cast<uint64_t>(query.integer(1)), query.integer(2), query.integer(3)});
  }
  return spans;
}

// The entry of the topic's name, added (with no messages yet) when the bag had none so far.
BagTopicInfo & topicEntry(BagMetadata & metadata, const StoredTopic & stored)
{
  auto & topics = metadata.topics;
  const auto known = std::find_if(topics.begin(), topics.end(), [&stored](const BagTopicInfo & t) {
    return t.name == stored.name;
  });
  if (known != topics.end()) {
    return *known;
  }
  topics.push_back(BagTopicInfo{
    stored.name, stored.type, stored.serialization_format, stored.offered_qos_profiles, 0});
  return topics.back();
}

// Adds one file's topics and messages to `metadata`; returns the span of its messages.
BagTimeSpan addStorageFile(const fs::path & file, BagMetadata & metadata)
{
  const SqliteDatabase database(file.string(), SqliteDatabase::Mode::kReadWrite);
  const auto topics = readStoredTopics(database);
  for (const auto & stored : topics) {
    topicEntry(metadata, stored);
  }
  BagTimeSpan file_span;
  for (const auto & [topic_id, span] : spansPerTopicId(database)) {
    const auto stored = std::find_if(
      topics.begin(), topics.end(), [id = topic_id](const auto & t) { return t.id == id; });
    if (stored == topics.end()) {
      throw BagError(
        "bag file '" + file.string() + "' holds " + std::to_string(span.message_count) +
        " messages of topic id " + std::to_string(topic_id) +
        ", which its topics table does not list");
    }
    topicEntry(metadata, *stored).message_count += span.message_count;
    file_span.add(span);
  }
  const std::string name = file.filename().string();
  metadata.relative_file_paths.push_back(name);
  metadata.files.push_back(
    BagFileInfo{name, file_span.startingTimeNs(), file_span.durationNs(), file_span.message_count});
  return file_span;
}

}  // namespace

std::vector<fs::path> findStorageFiles(const fs::path & folder)
{
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    throw BagError("bag folder '" + folder.string() + "' does not exist");
  }
  std::vector<fs::path> files;
  for (const auto & entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".db3" && entry.is_regular_file(error)) {
      files.push_back(entry.path());
    }
  }
  if (error) {
    throw BagError("bag folder '" + folder.string() + "' cannot be listed: " + error.message());
  }
  std::sort(files.begin(), files.end(), [](const fs::path & a, const fs::path & b) {
    return splitOrder(a) < splitOrder(b);
  });
  return files;
}

BagMetadata metadataOfStorageFiles(const fs::path & folder)
{
  const auto files = findStorageFiles(folder);
  if (files.empty()) {
    throw BagError("bag folder '" + folder.string() + "' has no .db3 file to describe");
  }
  BagMetadata metadata;
  BagTimeSpan whole;
  for (const auto & file : files) {
    whole.add(addStorageFile(file, metadata));
  }
  metadata.starting_time_ns = whole.startingTimeNs();
  metadata.duration_ns = whole.durationNs();
  metadata.message_count = whole.message_count;
  return metadata;
}

BagMetadata reindexBag(const fs::path & folder)
{
  const auto metadata = metadataOfStorageFiles(folder);
  writeBagMetadataFile(folder, metadata);
  return metadata;
}

}  // namespace quillon_tools
