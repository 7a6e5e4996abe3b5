#ifndef QUILLON_DYNAMIC_DETECTOR__SOURCE_TRACK_LINKS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SOURCE_TRACK_LINKS_HPP_

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace quillon_dynamic_detector
{

// Where an object of trailmerge's input came from: the input (1 or 2) and the id of the track
// that its tracker wrote into the object.
using SourceTrack = std::pair<int32_t, int64_t>;

// The display id each source track was last drawn under, so that a fused object keeps its id as
// long as any one of the tracks it is made of goes on: a person handed from one scanner to the
// other, or seen by both and fused from one and then the other, stays one display id.
class SourceTrackLinks
{
public:
  // The display id that one of `sources` was last drawn under and that `taken` does not hold
  // (the lowest, the oldest identity, when they were drawn under several).
  std::optional<int32_t> displayIdOf(
    const std::vector<SourceTrack> & sources, const std::set<int32_t> & taken) const;
  // Links each of `sources` to `display_id`, seen at `now_s`.
  void link(const std::vector<SourceTrack> & sources, int32_t display_id, double now_s);
  // Forgets the links last seen more than `memory_s` before `now_s` (or after it: time that
  // steps back ends every link).
  void forget(double now_s, double memory_s);
  std::size_t size() const { return links_.size(); }

private:
  struct Link
  {
    int32_t display_id;
    double seen_s;
  };
  std::map<SourceTrack, Link> links_;
};

// The source tracks of one input list's objects, by the whole-number track ids in `track_ids`
// (Object.reserved_0 as trailscan writes it). Empty when the ids cannot be track ids: one that
// is not a whole number or is negative, or two alike in one list (an input that writes no ids
// leaves 0 in every object).
std::optional<std::vector<SourceTrack>> sourceTracksOf(
  int32_t input, const std::vector<double> & track_ids);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SOURCE_TRACK_LINKS_HPP_
