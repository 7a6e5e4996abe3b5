// What quillon_bag_play leaves out of a recording and why, counted for its closing summary.
#ifndef QUILLON_TOOLS__RUNNER__PLAYBACK_SKIPS_HPP_
#define QUILLON_TOOLS__RUNNER__PLAYBACK_SKIPS_HPP_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_reader.hpp"

namespace quillon_tools
{

enum class PlaybackSkip
{
  NegativeReceiveTime,  // received "before 1970": no place on the bag's time line
  BeforeStartOffset,    // earlier than --start-offset asks for
  UnmappableStamp,      // --restamp cannot move a stamp inside to a time a stamp holds
  Unreadable,           // bytes that are not a valid message of the topic's type
  UnknownType,          // a type the player cannot publish
};

// Where playing starts on the bag's time line: the earliest receive time that is not negative,
// or 0 when there is none. Unlike the metadata's start, a message received at a negative time
// cannot move it decades back. Reads the bag from its first message on, with the topic filter
// it has.
int64_t playbackStartTime(BagReader & reader);

// Why a message is left out by its receive time, or nullopt when it is due at that time (or at
// `play_start_ns` if later). Static transforms are always due: nothing works without them, and
// their receive time does not matter.
std::optional<PlaybackSkip> skipByReceiveTime(const BagMessage & message, int64_t play_start_ns);

class PlaybackSkipCounts
{
public:
  void add(PlaybackSkip reason, uint64_t count = 1);
  uint64_t count(PlaybackSkip reason) const;
  // One line per reason that occurred, in the order of PlaybackSkip: the count in 8 columns,
  // two spaces and what the messages were, e.g. "       1  received at a negative time (before
  // 1970)"; none when nothing was left out.
  std::vector<std::string> lines() const;

private:
  std::map<PlaybackSkip, uint64_t> counts_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__PLAYBACK_SKIPS_HPP_
