// A bag of what trailscan and trailmerge published: the three object lists and their markers,
// each message stamped with the (simulated) time it came out.
#ifndef QUILLON_TOOLS__RUNNER__RESULT_BAG_HPP_
#define QUILLON_TOOLS__RUNNER__RESULT_BAG_HPP_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/replay_runner.hpp"

namespace quillon_tools
{

// "/objects_laser1", "/objects_laser2", "/objects_laser" (ObjectList), then
// "/scan1/pedestrian_markers", "/scan2/pedestrian_markers", "/objects_laser_markers"
// (MarkerArray).
const std::vector<std::string> & resultListTopics();
const std::vector<std::string> & resultMarkerTopics();

// Creates every result topic, so that a run without any output still lists them.
void createResultTopics(BagWriter & bag);

// Writes what `outputs` gained since `written` (messages per topic already in the bag) at
// `time_ns`, and updates `written`.
void writeNewOutputs(
  const ReplayOutputs & outputs, int64_t time_ns, std::map<std::string, size_t> & written,
  BagWriter & bag);

// What a result bag holds for scoring: its lists (latencies unknown, 0) and markers, and per
// list or marker topic the messages left out because their bytes are not a valid message of the
// topic's type (topics without any are absent).
struct ResultBag : ReplayOutputs
{
  std::map<std::string, uint64_t> unreadable;
};

// Reads a result bag; one corrupt message costs only itself. Throws BagError when the bag cannot
// be read, holds none of the list topics, or holds one of the six topics with another type.
ResultBag readResultBag(const std::filesystem::path & bag);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__RESULT_BAG_HPP_
