// Where in the pipeline a missed walking person was lost, from what the offline runner recorded
// of each scan (quillon_offline_run --debug-topics).
#ifndef QUILLON_TOOLS__EVALUATION__MISS_STAGES_HPP_
#define QUILLON_TOOLS__EVALUATION__MISS_STAGES_HPP_

#include <cstdint>
#include <string>
#include <vector>

namespace quillon_tools
{

struct RecordedPoint
{
  float x = 0.0F;
  float y = 0.0F;
};

struct RecordedDetection
{
  RecordedPoint position;
  bool pedestrian = false;  // the shape's verdict
};

struct RecordedTrack
{
  enum class State
  {
    tentative,
    confirmed,
    coasting
  };
  RecordedPoint position;
  int32_t id = 0;
  State state = State::tentative;
  bool pedestrian = false;  // the tracker's judgement (shape and motion)
};

// What one scanner's pipeline made of one scan, all in the scanner's frame: its returns split
// into moving and still ones, its detections (one per moving cluster) and every track the
// tracker held afterwards, published or not.
struct ScanRecord
{
  int64_t stamp_ns = 0;
  std::vector<RecordedPoint> moving_returns;
  std::vector<RecordedPoint> still_returns;
  std::vector<RecordedDetection> detections;
  std::vector<RecordedTrack> tracks;
};

// The first stage a person did not pass, in pipeline order: nothing of them in the scan; none of
// their returns moving; no moving cluster within the gate (too small, so dropped, or split
// away); no detection or track near them judged a pedestrian; their track not yet confirmed;
// the track that followed them coasting away beyond the gate; a published pedestrian track
// within the gate but no object of the list (trailmerge dropped or moved it). Apart from the
// stages, `matched_elsewhere`: the list held an object within the gate, matched to somebody else
// (one object for two people). `not_recorded`: no record of the scanner at that time.
enum class MissStage
{
  no_returns,
  none_moving,
  cluster_too_small_or_split,
  not_pedestrian_by_shape,
  not_yet_confirmed,
  lost_while_coasting,
  not_published,
  matched_elsewhere,
  not_recorded
};
constexpr std::size_t MISS_STAGE_COUNT = 9;

// Words for a stage, as the explanation prints them.
const char * missStageName(MissStage stage);

// The stage at which a person at `person` (scanner frame) fell out of the pipeline of `record`.
MissStage missStage(const ScanRecord & record, const RecordedPoint & person, double gate_m);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__MISS_STAGES_HPP_
