// The bag's metadata.yaml (key "rosbag2_bagfile_information"): written in the layout of
// metadata version 5 (ROS 2 Humble), read from versions 1 to 9.
#ifndef QUILLON_TOOLS__RECORDING__BAG_METADATA_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_METADATA_HPP_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillon_tools
{

// One topic of a bag and how many messages it holds.
struct BagTopicInfo
{
  std::string name;
  std::string type;  // e.g. "sensor_msgs/msg/LaserScan"
  std::string serialization_format = "cdr";
  std::string offered_qos_profiles;  // YAML text, one entry per publisher
  uint64_t message_count = 0;
};

// One storage file of a bag (metadata version 5 and later).
struct BagFileInfo
{
  std::string path;  // relative to the bag folder
  int64_t starting_time_ns = 0;
  int64_t duration_ns = 0;
  uint64_t message_count = 0;
};

struct BagMetadata
{
  int version = 5;
  std::string storage_identifier = "sqlite3";
  int64_t duration_ns = 0;
  int64_t starting_time_ns = 0;  // receive time of the earliest message, ns since the epoch
  uint64_t message_count = 0;
  std::vector<BagTopicInfo> topics;
  std::string compression_format;
  std::string compression_mode;
  std::vector<std::string> relative_file_paths;
  std::vector<BagFileInfo> files;
};

// Humble's layout: yaml-cpp's block style, keys in Humble's order, no final newline.
std::string emitBagMetadata(const BagMetadata & metadata);

// Throws BagError naming `source` (the file the text came from) when the text is not YAML or
// lacks a field its version requires.
BagMetadata parseBagMetadata(const std::string & text, const std::string & source);

// Throws BagError when the file is missing or unreadable, or as parseBagMetadata.
BagMetadata readBagMetadataFile(const std::filesystem::path & file);

// Writes "<folder>/metadata.yaml" whole or not at all (a full disk leaves no truncated file),
// replacing an earlier one. Throws BagError with the system's reason when it cannot.
void writeBagMetadataFile(const std::filesystem::path & folder, const BagMetadata & metadata);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_METADATA_HPP_
