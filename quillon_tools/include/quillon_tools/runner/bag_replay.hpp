// Runs a recording through trailscan and trailmerge in this process, as fast as the CPU
// allows, on the recording's own time.
#ifndef QUILLON_TOOLS__RUNNER__BAG_REPLAY_HPP_
#define QUILLON_TOOLS__RUNNER__BAG_REPLAY_HPP_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/replay_input.hpp"
#include "quillon_tools/runner/replay_runner.hpp"

namespace quillon_tools
{

struct BagReplaySummary
{
  uint64_t messages_in = 0;  // read from "/tf_static", "/tf", "/scan_01", "/scan_02"
  uint64_t scans_in = 0;     // of those, on "/scan_01" and "/scan_02"
  // What became of the scans: every scan in is counted once below (unless interrupted).
  uint64_t scans_processed = 0;        // gave an object list
  uint64_t scans_before_start = 0;     // came before both mounts were known
  uint64_t scans_malformed = 0;        // unreadable, or dropped by trailscan as malformed
  uint64_t scans_stale = 0;            // dropped by trailscan's input age check
  uint64_t scans_no_transform = 0;     // dropped: no robot pose at the scan stamp
  uint64_t scans_waited = 0;           // processed or not, had to wait for their transform
  uint64_t transforms_malformed = 0;   // "/tf" or "/tf_static" messages that cannot be read
  uint64_t messages_other_topics = 0;  // of the system's types, on topics the run ignores
  uint64_t messages_unknown_types = 0;
  std::map<std::string, uint64_t> lists_out;  // by list topic, every one of them listed
  int64_t bag_duration_ns = 0;                // from the first to the last message read
  bool interrupted = false;                   // the progress callback stopped the run
  // The recording holds no "/scan_02" message: trailscan ran on scanner 1 alone and needed only
  // its mount.
  bool single_scanner = false;
};

struct BagReplayOptions
{
  // Implicit, so that the nodes' options alone replay on the default clock.
  BagReplayOptions(ReplayOptions nodes_options = {}) : nodes(std::move(nodes_options)) {}

  ReplayOptions nodes;
  ReplayClockSource clock = ReplayClockSource::kHeaderStamps;
};

struct BagReplay
{
  ReplayOutputs outputs;
  BagReplaySummary summary;
};

// Feeds "/tf_static", "/tf", "/scan_01" and "/scan_02" through a ReplayRunner as a live run
// would have received them: in the order of the clock the options choose (header stamps by
// default, receive times otherwise), each at its clock time as the simulated time. A scan
// waits, as trailscan's transform lookup waits live, until the recording has delivered the
// robot's pose at its stamp or the lookup's timeout has passed on that clock, whichever comes
// first. trailscan starts as soon as both scanners' mounts are known (scanner 1's alone when
// the recording holds no "/scan_02" message); scans before that are counted and skipped. A scan or transform whose bytes cannot be read is counted and skipped.
// With `results`, every list and marker array goes there at the simulated time it came out.
// `progress` gets the seconds of the bag read and its total length, and stops the run by
// returning false. Throws BagError for a bag that cannot be read, std::runtime_error naming
// the missing mounts when the bag never gives them.
BagReplay replayBag(
  const std::filesystem::path & bag, const BagReplayOptions & options,
  BagWriter * results = nullptr, const std::function<bool(double, double)> & progress = {});

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__BAG_REPLAY_HPP_
