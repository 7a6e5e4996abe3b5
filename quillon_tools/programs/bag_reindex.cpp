// Rebuilds the metadata.yaml of a sqlite3 bag from its .db3 files, as `ros2 bag reindex` does:
// for a recording whose recorder was killed or lost power before it could write one.
//   quillon_bag_reindex BAG
#include <cstdio>
#include <exception>
#include <string>

#include "quillon_tools/recording/bag_reindex.hpp"

namespace
{

void printUsage(std::FILE * out)
{
  std::fprintf(
    out,
    "usage: quillon_bag_reindex BAG\n"
    "Rebuilds BAG/metadata.yaml (version 5) from the .db3 files in the bag folder BAG: topics\n"
    "with type, format, offered QoS and message counts, the time span and the files. An\n"
    "existing metadata.yaml is replaced.\n");
}

std::string counted(size_t count, const char * noun)
{
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

void printSummary(const std::string & bag, const quillon_tools::BagMetadata & metadata)
{
  std::printf(
    "%s/metadata.yaml: %s in %s and %s", bag.c_str(),
    counted(metadata.message_count, "message").c_str(),
    counted(metadata.topics.size(), "topic").c_str(),
    counted(metadata.files.size(), "file").c_str());
  if (metadata.message_count > 0) {
    std::printf(
      ", %.3f s from %.3f s", static_cast<double>(metadata.duration_ns) * 1e-9,
      static_cast<double>(metadata.starting_time_ns) * 1e-9);
  }
  std::printf("\n");
  for (const auto & topic : metadata.topics) {
    std::printf(
      "%8llu  %s (%s)\n", static_cast<unsigned long long>(topic.message_count), topic.name.c_str(),
      topic.type.c_str());
  }
}

}  // namespace

int main(int argc, char ** argv)
{
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    printUsage(stdout);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
    printUsage(stderr);
    return 2;
  }
  try {
    printSummary(argv[1], quillon_tools::reindexBag(argv[1]));
  } catch (const std::exception & e) {
    std::fprintf(stderr, "quillon_bag_reindex: %s\n", e.what());
    return 1;
  }
  return 0;
}
