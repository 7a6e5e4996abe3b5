#include "quillon_tools/evaluation/miss_stages.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillon_tools
{
namespace
{

// m: a return this near a person's centre is one of theirs (legs apart in a stride).
constexpr double PERSON_REACH_M = 0.35;
// m: a coasting track this near a person is taken for the one that followed them.
constexpr double COASTING_REACH_M = 2.0;

double distance(const RecordedPoint & a, const RecordedPoint & b)
{
  return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

bool anyWithin(const std::vector<RecordedPoint> & points, const RecordedPoint & at, double reach)
{
  return std::any_of(points.begin(), points.end(), [&](const RecordedPoint & p) {
    return distance(p, at) <= reach;
  });
}

// How far a track within the gate carried the person.
MissStage trackStage(const RecordedTrack & track)
{
  if (!track.pedestrian) {
    return MissStage::not_pedestrian_by_shape;
  }
  return track.state == RecordedTrack::State::tentative ? MissStage::not_yet_confirmed
                                                        : MissStage::not_published;
}

// The tracker's stages, once a detection lay within the gate.
MissStage trackerStage(const ScanRecord & record, const RecordedPoint & person, double gate_m)
{
  std::optional<MissStage> furthest;
  bool coasting_nearby = false;
  for (const RecordedTrack & track : record.tracks) {
    const double d = distance(track.position, person);
    if (d <= gate_m) {
      const MissStage stage = trackStage(track);
      furthest = furthest ? std::max(*furthest, stage) : stage;
    } else if (d <= COASTING_REACH_M && track.state == RecordedTrack::State::coasting) {
      coasting_nearby = true;
    }
  }
  if (furthest) {
    return *furthest;
  }
  if (coasting_nearby) {
    return MissStage::lost_while_coasting;
  }
  const bool pedestrian_shape = std::any_of(
    record.detections.begin(), record.detections.end(),
    [&](const auto & d) { return d.pedestrian && distance(d.position, person) <= gate_m; });
  return pedestrian_shape ? MissStage::not_yet_confirmed : MissStage::not_pedestrian_by_shape;
}

}  // namespace

const char * missStageName(MissStage stage)
{
  switch (stage) {
    case MissStage::no_returns:
      return "no returns of the person";
    case MissStage::none_moving:
      return "none of their returns moving";
    case MissStage::cluster_too_small_or_split:
      return "no moving cluster: too small or split";
    case MissStage::not_pedestrian_by_shape:
      return "not a pedestrian by shape";
    case MissStage::not_yet_confirmed:
      return "track not yet confirmed";
    case MissStage::lost_while_coasting:
      return "track lost while coasting";
    case MissStage::not_published:
      return "pedestrian track, no object in the list";
    case MissStage::matched_elsewhere:
      return "the object near them matched to another person";
    case MissStage::not_recorded:
      return "no record of the scan";
  }
  return "";
}

MissStage missStage(const ScanRecord & record, const RecordedPoint & person, double gate_m)
{
  const bool moving = anyWithin(record.moving_returns, person, PERSON_REACH_M);
  if (!moving) {
    return anyWithin(record.still_returns, person, PERSON_REACH_M) ? MissStage::none_moving
                                                                   : MissStage::no_returns;
  }
  const bool clustered = std::any_of(
    record.detections.begin(), record.detections.end(),
    [&](const auto & d) { return distance(d.position, person) <= gate_m; });
  return clustered ? trackerStage(record, person, gate_m) : MissStage::cluster_too_small_or_split;
}

}  // namespace quillon_tools
