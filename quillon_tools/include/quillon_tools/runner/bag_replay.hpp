// Runs a recording through trailscan and trailmerge in this process, as fast as the CPU
// allows, on the recording's own time.
#ifndef QUILLON_TOOLS__RUNNER__BAG_REPLAY_HPP_
#define QUILLON_TOOLS__RUNNER__BAG_REPLAY_HPP_

#include <cstdint>
#include <filesystem>
#include <functional>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/replay_runner.hpp"

namespace quillon_tools
{

struct BagReplaySummary
{
  uint64_t messages_in = 0;            // read from "/tf_static", "/tf", "/scan_01", "/scan_02"
  uint64_t scans_processed = 0;        // handed to trailscan
  uint64_t scans_before_start = 0;     // came before both mounts were known
  uint64_t messages_malformed = 0;     // scans or transforms of another type or unreadable
  uint64_t messages_other_topics = 0;  // of the system's types, on topics the run ignores
  uint64_t messages_unknown_types = 0;
  uint64_t lists_out = 0;
  int64_t bag_duration_ns = 0;  // from the first to the last message read
};

struct BagReplay
{
  ReplayOutputs outputs;
  BagReplaySummary summary;
};

// Feeds "/tf_static", "/tf", "/scan_01" and "/scan_02" through a ReplayRunner in receive-time
// order (the reader sorts a bag written out of order), each at its receive timestamp as the
// simulated time. trailscan starts as soon as both scanners' mounts are known; scans before
// that are counted and skipped. A scan or transform whose bytes cannot be read is counted and
// skipped. With `results`, every list and marker array goes there at the simulated time it
// came out. `progress` gets the seconds of the bag done and its total length.
// Throws BagError for a bag that cannot be read, std::runtime_error naming the missing mounts
// when the bag never gives them.
BagReplay replayBag(
  const std::filesystem::path & bag, const ReplayOptions & options, BagWriter * results = nullptr,
  const std::function<void(double, double)> & progress = {});

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__BAG_REPLAY_HPP_
