#include "quillon_dynamic_detector/source_track_links.hpp"

#include <cmath>
#include <iterator>

namespace quillon_dynamic_detector
{

std::optional<int32_t> SourceTrackLinks::displayIdOf(
  const std::vector<SourceTrack> & sources, const std::set<int32_t> & taken) const
{
  std::optional<int32_t> oldest;
  for (const SourceTrack & source : sources) {
    const auto it = links_.find(source);
    if (it == links_.end() || taken.count(it->second.display_id) != 0) {
      continue;
    }
    if (!oldest || it->second.display_id < *oldest) {
      oldest = it->second.display_id;
    }
  }
  return oldest;
}

void SourceTrackLinks::link(
  const std::vector<SourceTrack> & sources, int32_t display_id, double now_s)
{
  for (const SourceTrack & source : sources) {
    links_[source] = {display_id, now_s};
  }
}

void SourceTrackLinks::forget(double now_s, double memory_s)
{
  for (auto it = links_.begin(); it != links_.end();) {
    const double age = now_s - it->second.seen_s;
    it = (age >= 0.0 && age <= memory_s) ? std::next(it) : links_.erase(it);
  }
}

std::optional<std::vector<SourceTrack>> sourceTracksOf(
  int32_t input, const std::vector<double> & track_ids)
{
  // Track ids are int32 in the tracker; anything else did not come from one.
  constexpr double MAX_TRACK_ID = 2147483647.0;
  std::vector<SourceTrack> sources;
  std::set<int64_t> seen;
  for (const double id : track_ids) {
    if (!(id >= 0.0 && id <= MAX_TRACK_ID) || std::floor(id) != id) {
      return std::nullopt;
    }
    const auto whole = static_cast<int64_t>(id);
    if (!seen.insert(whole).second) {
      return std::nullopt;
    }
    sources.emplace_back(input, whole);
  }
  return sources;
}

}  // namespace quillon_dynamic_detector
