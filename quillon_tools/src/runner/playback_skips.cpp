#include "quillon_tools/runner/playback_skips.hpp"

#include <cstdio>

namespace quillon_tools
{
namespace
{

const char * describe(PlaybackSkip reason)
{
  switch (reason) {
    case PlaybackSkip::NegativeReceiveTime:
      return "received at a negative time (before 1970)";
    case PlaybackSkip::BeforeStartOffset:
      return "received before --start-offset";
    case PlaybackSkip::UnmappableStamp:
      return "with a stamp --restamp cannot move (its new time would be before 1970 or past 2038)";
    case PlaybackSkip::Unreadable:
      return "unreadable (not a valid message of the topic's type)";
    case PlaybackSkip::UnknownType:
      return "of types this player does not know";
  }
  return "for an unknown reason";
}

}  // namespace

int64_t playbackStartTime(BagReader & reader)
{
  BagMessage message;
  while (reader.readNext(message)) {
    if (message.timestamp_ns >= 0) {
      return message.timestamp_ns;
    }
  }
  return 0;
}

std::optional<PlaybackSkip> skipByReceiveTime(const BagMessage & message, int64_t play_start_ns)
{
  if (message.topic == "/tf_static") {
    return std::nullopt;
  }
  if (message.timestamp_ns < 0) {
    return PlaybackSkip::NegativeReceiveTime;
  }
  if (message.timestamp_ns < play_start_ns) {
    return PlaybackSkip::BeforeStartOffset;
  }
  return std::nullopt;
}

void PlaybackSkipCounts::add(PlaybackSkip reason, uint64_t count) { counts_[reason] += count; }

uint64_t PlaybackSkipCounts::count(PlaybackSkip reason) const
{
  const auto found = counts_.find(reason);
  return found == counts_.end() ? 0 : found->second;
}

std::vector<std::string> PlaybackSkipCounts::lines() const
{
  std::vector<std::string> lines;
  for (const auto & [reason, count] : counts_) {
    if (count == 0) {
      continue;
    }
    char number[32];
    std::snprintf(number, sizeof(number), "%8llu", static_cast<unsigned long long>(count));
    lines.push_back(std::string(number) + "  " + describe(reason));
  }
  return lines;
}

}  // namespace quillon_tools
