#include "quillon_dynamic_detector/lost_track_memory.hpp"

#include <algorithm>
#include <iterator>

namespace quillon_dynamic_detector
{

LostTrackMemory::LostTrackMemory(float span_s, float reach_growth, float margin)
: span_s_(static_cast<double>(span_s)), reach_growth_(reach_growth), margin_(margin)
{
}

void LostTrackMemory::remember(const Lost & lost) { lost_.push_back(lost); }

void LostTrackMemory::forget(double t)
{
  lost_.erase(
    std::remove_if(
      lost_.begin(), lost_.end(),
      [&](const Lost & lost) {
        return !(lost.detected_time <= t && t - lost.detected_time <= span_s_);
      }),
    lost_.end());
}

bool LostTrackMemory::couldHaveWalkedTo(const Lost & lost, const Newcomer & newcomer) const
{
  const double gap = newcomer.birth_time - lost.detected_time;
  if (!(gap > 0.0 && gap <= span_s_)) {
    return false;
  }
  const float seconds = static_cast<float>(gap);
  // Anywhere between where they were lost (they stopped or turned back) and where their last
  // velocity carries them.
  const Eigen::Vector2f walk = lost.velocity * seconds;
  const float along =
    walk.squaredNorm() > 0.0f
      ? std::clamp((newcomer.position - lost.position).dot(walk) / walk.squaredNorm(), 0.0f, 1.0f)
      : 0.0f;
  const Eigen::Vector2f nearest = lost.position + walk * along;
  return (newcomer.position - nearest).norm() <= margin_ + reach_growth_ * seconds;
}

std::optional<int32_t> LostTrackMemory::claim(
  const Newcomer & newcomer, const std::vector<Newcomer> & others)
{
  const auto reaches = [&](const Lost & lost) { return couldHaveWalkedTo(lost, newcomer); };
  const auto found = std::find_if(lost_.begin(), lost_.end(), reaches);
  if (found == lost_.end() || std::any_of(std::next(found), lost_.end(), reaches)) {
    return std::nullopt;
  }
  const bool crowded = std::any_of(others.begin(), others.end(), [&](const Newcomer & other) {
    return couldHaveWalkedTo(*found, other);
  });
  if (crowded) {
    return std::nullopt;
  }
  const int32_t id = found->id;
  lost_.erase(found);
  return id;
}

}  // namespace quillon_dynamic_detector
