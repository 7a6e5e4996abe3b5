#ifndef QUILLON_DYNAMIC_DETECTOR__LOST_TRACK_MEMORY_HPP_
#define QUILLON_DYNAMIC_DETECTOR__LOST_TRACK_MEMORY_HPP_

#include <cstdint>
#include <optional>
#include <vector>

#include <Eigen/Core>

namespace quillon_dynamic_detector
{

// Pedestrians whose tracks ended a short while ago, so that a person who reappears (from behind
// a pillar, after the tracker lost them in clutter) takes up their old id. A lost pedestrian is
// looked for along the way from where they were last detected to where their last velocity
// carries them (they may have stopped or turned back), within `margin` plus `reach_growth`
// times the time since that detection.
class LostTrackMemory
{
public:
  struct Lost
  {
    int32_t id;
    Eigen::Vector2f position;  // of the last detection
    Eigen::Vector2f velocity;  // m/s; the last the track had
    double detected_time;      // s
  };

  // A track born at `position` at time `birth_time`.
  struct Newcomer
  {
    Eigen::Vector2f position;
    double birth_time;
  };

  LostTrackMemory(float span_s, float reach_growth, float margin);

  void remember(const Lost & lost);
  // Drops what was last detected more than the span before `t` (and after `t`: time went back).
  void forget(double t);
  // The id `newcomer` takes: that of the one lost pedestrian who could have walked to where it
  // was born since their last detection, when nobody else lost could have and none of `others`
  // (the tracker's other tracks) was born after that detection within the same reach. The id is
  // handed out once.
  std::optional<int32_t> claim(const Newcomer & newcomer, const std::vector<Newcomer> & others);
  std::size_t size() const { return lost_.size(); }

private:
  bool couldHaveWalkedTo(const Lost & lost, const Newcomer & newcomer) const;

  double span_s_;
  float reach_growth_;
  float margin_;
  std::vector<Lost> lost_;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__LOST_TRACK_MEMORY_HPP_
