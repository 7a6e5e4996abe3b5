#include "quillon_tools/evaluation/truth_at_stamp.hpp"

#include <algorithm>
#include <cstdlib>

namespace quillon_tools
{

TruthFrame advanceTruthFrame(const TruthFrame & frame, int64_t stamp_ns)
{
  const double dt = static_cast<double>(stamp_ns - frame.stamp_ns) * 1e-9;
  TruthFrame advanced = frame;
  advanced.stamp_ns = stamp_ns;
  advanced.robot.x += frame.robot_vx * dt;
  advanced.robot.y += frame.robot_vy * dt;
  advanced.robot.yaw += frame.robot_omega * dt;
  for (auto & person : advanced.people) {
    person.x += person.vx * dt;
    person.y += person.vy * dt;
  }
  return advanced;
}

std::optional<TruthFrame> truthAtStamp(
  const GroundTruth & truth, int64_t stamp_ns, int64_t tolerance_ns)
{
  const auto & frames = truth.frames;
  const auto later = std::lower_bound(
    frames.begin(), frames.end(), stamp_ns,
    [](const TruthFrame & frame, int64_t stamp) { return frame.stamp_ns < stamp; });
  auto nearest = frames.end();
  if (later != frames.begin()) {
    nearest = std::prev(later);
  }
  if (
    later != frames.end() &&
    (nearest == frames.end() || later->stamp_ns - stamp_ns < stamp_ns - nearest->stamp_ns)) {
    nearest = later;
  }
  if (nearest == frames.end() || std::llabs(nearest->stamp_ns - stamp_ns) > tolerance_ns) {
    return std::nullopt;
  }
  return advanceTruthFrame(*nearest, stamp_ns);
}

}  // namespace quillon_tools
