#ifndef QUILLON_TOOLS__EVALUATION__PERSON_MOTION_HPP_
#define QUILLON_TOOLS__EVALUATION__PERSON_MOTION_HPP_

#include <cstdint>
#include <map>
#include <vector>

#include "quillon_tools/evaluation/evaluation_options.hpp"
#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

// Whether a person walks or stands. Standing people are what a motion-based detector finds
// hardest, so their scores are worth seeing apart.
class PersonMotion
{
public:
  PersonMotion(const GroundTruth & truth, const EvaluationOptions & options);

  // True when `person` (its state at `stamp_ns`) and every truth sample of the same id in the
  // standing window up to `stamp_ns` move slower than the standing speed (in "odom").
  bool standing(const PersonState & person, int64_t stamp_ns) const;

private:
  bool fast(const PersonState & person) const;

  double standing_speed_mps_;
  int64_t window_ns_;
  std::map<int32_t, std::vector<int64_t>> moving_stamps_;  // person id -> stamps, increasing
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__PERSON_MOTION_HPP_
