#include "quillon_dynamic_detector/scan_sight.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quillon_dynamic_detector
{
ScanSight::ScanSight(const sensor_msgs::msg::LaserScan & scan, const ScannerPose & scanner)
: scan_(scan), scanner_(scanner)
{
}

ScanSight::ScanSight(const sensor_msgs::msg::LaserScan & scan, ScannerPlace scanner_place)
: scan_(scan), scanner_place_(std::move(scanner_place))
{
}

void ScanSight::polar(const Eigen::Vector2f & place, float & distance, float & bearing) const
{
  if (scanner_place_) {
    const Eigen::Vector2f local = scanner_place_(place);
    distance = local.norm();
    bearing = std::atan2(local.y(), local.x());
    return;
  }
  const Eigen::Vector2f offset = place - scanner_.origin;
  distance = offset.norm();
  bearing = std::atan2(offset.y(), offset.x()) - scanner_.yaw;
}

bool ScanSight::isReturn(float range) const
{
  return std::isfinite(range) && range > 0.0f && range >= scan_.range_min &&
         range < scan_.range_max;
}

PlaceSight ScanSight::at(const Eigen::Vector2f & place) const
{
  const std::size_t beams = scan_.ranges.size();
  const float increment = scan_.angle_increment;
  float distance = 0.0f;
  float bearing = 0.0f;
  polar(place, distance, bearing);
  if (
    beams == 0 || !(std::abs(increment) > 0.0f) || !std::isfinite(distance) ||
    distance <= PLACE_RADIUS) {
    return PlaceSight::Unknown;
  }
  // The place's bearing in the scanner frame, counted from angle_min in the scan's own
  // direction of turn, in [0, 2 pi); a bearing past the last beam is taken from whichever edge
  // of the field of view is nearer.
  const float turn = 2.0f * float(M_PI);
  const float step = std::abs(increment);
  const float sense = increment > 0.0f ? 1.0f : -1.0f;
  float from_first = std::fmod(sense * (bearing - scan_.angle_min), turn);
  if (from_first < 0.0f) {
    from_first += turn;
  }
  if (!std::isfinite(from_first)) {
    return PlaceSight::Unknown;
  }
  const float span = static_cast<float>(beams - 1) * step;
  const float half_width = std::asin(std::min(1.0f, PLACE_RADIUS / distance));
  if (from_first > span) {
    const float past_last = from_first - span;
    const float before_first = turn - from_first;
    if (before_first < past_last) {
      from_first -= turn;
    }
    // A field of view of a whole turn has no outside.
    if (span + 1.5f * step < turn && std::min(past_last, before_first) > half_width) {
      return PlaceSight::OutOfView;
    }
  }

  const float first = std::max(0.0f, std::ceil((from_first - half_width) / step));
  const float last =
    std::min(static_cast<float>(beams - 1), std::floor((from_first + half_width) / step));
  int beyond = 0;
  int in_front = 0;
  for (float i = first; i <= last; i += 1.0f) {
    const float range = scan_.ranges[static_cast<std::size_t>(i)];
    if (!isReturn(range)) {
      continue;
    }
    if (range > distance + SEEN_BEYOND) {
      ++beyond;
    } else if (range < distance - PLACE_RADIUS) {
      ++in_front;
    } else {
      return PlaceSight::Unknown;  // something at the place: it may be the person
    }
  }
  if (beyond >= 2 && in_front == 0) {
    return PlaceSight::SeenThrough;
  }
  return in_front >= 2 && beyond == 0 ? PlaceSight::Hidden : PlaceSight::Unknown;
}

}  // namespace quillon_dynamic_detector
