#include "quillon_tools/evaluation/person_motion.hpp"

#include <algorithm>
#include <cmath>

namespace quillon_tools
{

PersonMotion::PersonMotion(const GroundTruth & truth, const EvaluationOptions & options)
: standing_speed_mps_(options.standing_speed_mps),
  window_ns_(std::llround(options.standing_window_s * 1e9))
{
  for (const auto & frame : truth.frames) {
    for (const auto & person : frame.people) {
      if (fast(person)) {
        moving_stamps_[person.id].push_back(frame.stamp_ns);
      }
    }
  }
}

bool PersonMotion::fast(const PersonState & person) const
{
  return !(std::hypot(person.vx, person.vy) < standing_speed_mps_);
}

bool PersonMotion::standing(const PersonState & person, int64_t stamp_ns) const
{
  if (fast(person)) {
    return false;
  }
  const auto moving = moving_stamps_.find(person.id);
  if (moving == moving_stamps_.end()) {
    return true;
  }
  const auto & stamps = moving->second;
  const auto after = std::upper_bound(stamps.begin(), stamps.end(), stamp_ns);
  return after == stamps.begin() || *std::prev(after) < stamp_ns - window_ns_;
}

}  // namespace quillon_tools
