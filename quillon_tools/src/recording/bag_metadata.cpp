#include "quillon_tools/recording/bag_metadata.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <yaml-cpp/yaml.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_error.hpp"

namespace quillon_tools
{
namespace
{

constexpr const char * kRootKey = "rosbag2_bagfile_information";
// Newer rosbag2 releases add fields but keep these; older versions lack some (handled below).
constexpr int kNewestReadableVersion = 9;

YAML::Node nanoseconds(int64_t value, const char * key)
{
  YAML::Node node;
  node[key] = value;
  return node;
}

YAML::Node topicNode(const BagTopicInfo & topic)
{
  YAML::Node metadata;
  metadata["name"] = topic.name;
  metadata["type"] = topic.type;
  metadata["serialization_format"] = topic.serialization_format;
  metadata["offered_qos_profiles"] = topic.offered_qos_profiles;
  YAML::Node node;
  node["topic_metadata"] = metadata;
  node["message_count"] = topic.message_count;
  return node;
}

YAML::Node fileNode(const BagFileInfo & file)
{
  YAML::Node node;
  node["path"] = file.path;
  node["starting_time"] = nanoseconds(file.starting_time_ns, "nanoseconds_since_epoch");
  node["duration"] = nanoseconds(file.duration_ns, "nanoseconds");
  node["message_count"] = file.message_count;
  return node;
}

// Field access that names the file and the full key of what is missing or malformed.
class FieldReader
{
public:
  explicit FieldReader(std::string source) : source_(std::move(source)) {}

  YAML::Node child(const YAML::Node & parent, const std::string & key, const std::string & at) const
  {
    const YAML::Node node = parent.IsMap() ? parent[key] : YAML::Node(YAML::NodeType::Undefined);
    if (!node.IsDefined() || node.IsNull()) {
      fail("lacks '" + at + key + "'");
    }
    return node;
  }

  template <typename T>
  T value(const YAML::Node & parent, const std::string & key, const std::string & at) const
  {
    const YAML::Node node = child(parent, key, at);
    try {
      return node.as<T>();
    } catch (const YAML::Exception &) {
      fail("has an invalid value for '" + at + key + "'");
    }
  }

  YAML::Node sequence(
    const YAML::Node & parent, const std::string & key, const std::string & at) const
  {
    const YAML::Node node = child(parent, key, at);
    if (!node.IsSequence()) {
      fail("has no list under '" + at + key + "'");
    }
    return node;
  }

  [[noreturn]] void fail(const std::string & what) const
  {
    throw BagError("bag metadata '" + source_ + "' " + what);
  }

private:
  std::string source_;
};

BagTopicInfo parseTopic(const FieldReader & read, const YAML::Node & entry, int version)
{
  const std::string at = std::string(kRootKey) + ".topics_with_message_count[].";
  const YAML::Node metadata = read.child(entry, "topic_metadata", at);
  const std::string meta_at = at + "topic_metadata.";
  BagTopicInfo topic;
  topic.name = read.value<std::string>(metadata, "name", meta_at);
  topic.type = read.value<std::string>(metadata, "type", meta_at);
  topic.serialization_format = read.value<std::string>(metadata, "serialization_format", meta_at);
  // QoS profiles were added in version 4; an empty text stands for "not recorded".
  if (version >= 4) {
    topic.offered_qos_profiles = read.value<std::string>(metadata, "offered_qos_profiles", meta_at);
  }
  topic.message_count = read.value<uint64_t>(entry, "message_count", at);
  return topic;
}

BagFileInfo parseFile(const FieldReader & read, const YAML::Node & entry)
{
  const std::string at = std::string(kRootKey) + ".files[].";
  BagFileInfo file;
  file.path = read.value<std::string>(entry, "path", at);
  file.starting_time_ns = read.value<int64_t>(
    read.child(entry, "starting_time", at), "nanoseconds_since_epoch", at + "starting_time.");
  file.duration_ns =
    read.value<int64_t>(read.child(entry, "duration", at), "nanoseconds", at + "duration.");
  file.message_count = read.value<uint64_t>(entry, "message_count", at);
  return file;
}

// Writes all of `text` to a new file and syncs it; returns 0 or the errno of the failure.
int writeSyncedFile(const std::filesystem::path & file, const std::string & text)
{
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    return errno;
  }
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      ::close(fd);
      return error;
    }
    written += static_cast<size_t>(n);
  }
  const int error = ::fsync(fd) == 0 ? 0 : errno;
  return ::close(fd) == 0 ? error : (error != 0 ? error : errno);
}

}  // namespace

std::string emitBagMetadata(const BagMetadata & metadata)
{
  YAML::Node info;
  info["version"] = metadata.version;
  info["storage_identifier"] = metadata.storage_identifier;
  info["duration"] = nanoseconds(metadata.duration_ns, "nanoseconds");
  info["starting_time"] = nanoseconds(metadata.starting_time_ns, "nanoseconds_since_epoch");
  info["message_count"] = metadata.message_count;
  YAML::Node topics(YAML::NodeType::Sequence);
  for (const auto & topic : metadata.topics) {
    topics.push_back(topicNode(topic));
  }
  info["topics_with_message_count"] = topics;
  info["compression_format"] = metadata.compression_format;
  info["compression_mode"] = metadata.compression_mode;
  YAML::Node paths(YAML::NodeType::Sequence);
  for (const auto & path : metadata.relative_file_paths) {
    paths.push_back(path);
  }
  info["relative_file_paths"] = paths;
  YAML::Node files(YAML::NodeType::Sequence);
  for (const auto & file : metadata.files) {
    files.push_back(fileNode(file));
  }
  info["files"] = files;

  YAML::Node root;
  root[kRootKey] = info;
  YAML::Emitter out;
  out << root;
  return out.c_str();
}

BagMetadata parseBagMetadata(const std::string & text, const std::string & source)
{
  const FieldReader read(source);
  YAML::Node document;
  try {
    document = YAML::Load(text);
  } catch (const YAML::Exception & e) {
    read.fail("is not valid YAML: " + e.msg + " (line " + std::to_string(e.mark.line + 1) + ")");
  }
  const YAML::Node root = read.child(document, kRootKey, "");
  const std::string at = std::string(kRootKey) + ".";

  BagMetadata metadata;
  metadata.version = read.value<int>(root, "version", at);
  if (metadata.version < 1 || metadata.version > kNewestReadableVersion) {
    read.fail(
      "has version " + std::to_string(metadata.version) + "; versions 1 to " +
      std::to_string(kNewestReadableVersion) + " can be read");
  }
  metadata.storage_identifier = read.value<std::string>(root, "storage_identifier", at);
  metadata.duration_ns =
    read.value<int64_t>(read.child(root, "duration", at), "nanoseconds", at + "duration.");
  metadata.starting_time_ns = read.value<int64_t>(
    read.child(root, "starting_time", at), "nanoseconds_since_epoch", at + "starting_time.");
  metadata.message_count = read.value<uint64_t>(root, "message_count", at);
  for (const auto & entry : read.sequence(root, "topics_with_message_count", at)) {
    metadata.topics.push_back(parseTopic(read, entry, metadata.version));
  }
  // Compression fields arrived in version 3, the per-file list in version 5.
  if (metadata.version >= 3) {
    metadata.compression_format = read.value<std::string>(root, "compression_format", at);
    metadata.compression_mode = read.value<std::string>(root, "compression_mode", at);
  }
  for (const auto & path : read.sequence(root, "relative_file_paths", at)) {
    try {
      metadata.relative_file_paths.push_back(path.as<std::string>());
    } catch (const YAML::Exception &) {
      read.fail("has an invalid entry in '" + at + "relative_file_paths'");
    }
  }
  if (metadata.version >= 5) {
    for (const auto & entry : read.sequence(root, "files", at)) {
      metadata.files.push_back(parseFile(read, entry));
    }
  }
  return metadata;
}

BagMetadata readBagMetadataFile(const std::filesystem::path & file)
{
  std::ifstream stream(file, std::ios::binary);
  if (!stream) {
    throw BagError("bag metadata '" + file.string() + "' cannot be opened (missing or unreadable)");
  }
  std::ostringstream text;
  text << stream.rdbuf();
  return parseBagMetadata(text.str(), file.string());
}

void writeBagMetadataFile(const std::filesystem::path & folder, const BagMetadata & metadata)
{
  // A rename replaces the old file in one step, so readers see the old or the new text.
  const auto file = folder / "metadata.yaml";
  const auto partial = folder / "metadata.yaml.partial";
  int error = writeSyncedFile(partial, emitBagMetadata(metadata));
  if (error == 0 && std::rename(partial.c_str(), file.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    std::remove(partial.c_str());
    throw BagError(
      "bag metadata '" + file.string() + "' cannot be written: " + std::strerror(error));
  }
}

}  // namespace quillon_tools
