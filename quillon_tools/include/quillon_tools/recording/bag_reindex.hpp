// Rebuilding a bag's metadata.yaml from what its .db3 files hold, as `ros2 bag reindex` does:
// for a recording whose recorder was killed before it could write one, or whose metadata is lost.
#ifndef QUILLON_TOOLS__RECORDING__BAG_REINDEX_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_REINDEX_HPP_

#include <filesystem>
#include <vector>

#include "quillon_tools/recording/bag_metadata.hpp"

namespace quillon_tools
{

// The .db3 files of a bag folder in split order ("bag_2.db3" before "bag_10.db3").
std::vector<std::filesystem::path> findStorageFiles(const std::filesystem::path & folder);

// Metadata (version 5, storage sqlite3) of exactly what the folder's .db3 files hold: their
// topics in file and id order with type, format, offered QoS and message count, and the time
// span of all messages and of each file. Files are opened for writing where permitted, so that
// SQLite first rolls back a commit that a killed recorder left unfinished. Throws BagError for
// a missing folder, a folder without .db3 files, a file that is not a bag file, and messages
// whose topic id the file's topics table does not list.
BagMetadata metadataOfStorageFiles(const std::filesystem::path & folder);

// Writes metadataOfStorageFiles(folder) as the folder's metadata.yaml, replacing any earlier
// one, and returns it. Throws BagError as metadataOfStorageFiles and writeBagMetadataFile do.
BagMetadata reindexBag(const std::filesystem::path & folder);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_REINDEX_HPP_
