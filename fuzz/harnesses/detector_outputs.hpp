// What both moving-point detectors promise about the two scans they fill: the input's geometry
// and header, and every beam's range in at most one of them, unchanged, the other carrying the
// detector's "no return" value (+infinity for the closed detector, FLT_MAX for the geometric
// one). A beam reported moving has a finite range within `moving_band`.
#ifndef QUILLON_FUZZ__DETECTOR_OUTPUTS_HPP_
#define QUILLON_FUZZ__DETECTOR_OUTPUTS_HPP_

#include <cstddef>
#include <cstring>
#include <string>

#include "invariant.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_fuzz
{

struct RangeBand
{
  float min;
  float max;
};

inline bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof(float)) == 0; }

inline void requireSameGeometry(
  const sensor_msgs::msg::LaserScan & in, const sensor_msgs::msg::LaserScan & out,
  const std::string & what)
{
  if (
    out.ranges.size() != in.ranges.size() || out.header.frame_id != in.header.frame_id ||
    out.header.stamp.sec != in.header.stamp.sec ||
    out.header.stamp.nanosec != in.header.stamp.nanosec || !sameBits(out.angle_min, in.angle_min) ||
    !sameBits(out.angle_increment, in.angle_increment)) {
    invariantBroken(what + " scan does not keep the input's header and geometry");
  }
}

// `every_beam_somewhere`: each beam lands in one output (the closed detector's promise); the
// geometric detector may leave a beam out of both.
inline void requireSplitOfBeams(
  const sensor_msgs::msg::LaserScan & in, const sensor_msgs::msg::LaserScan & moving,
  const sensor_msgs::msg::LaserScan & still, float no_return, const RangeBand & moving_band,
  bool every_beam_somewhere)
{
  requireSameGeometry(in, moving, "moving");
  requireSameGeometry(in, still, "static");
  for (std::size_t i = 0; i < in.ranges.size(); ++i) {
    const float r = in.ranges[i];
    const bool in_moving = !sameBits(moving.ranges[i], no_return);
    const bool in_still = !sameBits(still.ranges[i], no_return);
    const auto broken = [&](const char * what) {
      invariantBroken("beam " + std::to_string(i) + " (range " + std::to_string(r) + "): " + what);
    };
    if (
      (in_moving && !sameBits(moving.ranges[i], r)) ||
      (in_still && !sameBits(still.ranges[i], r))) {
      broken("an output changed its range");
    }
    if (in_moving && in_still) {
      broken("both moving and static");
    }
    if (every_beam_somewhere && !in_moving && !in_still && !sameBits(r, no_return)) {
      broken("neither moving nor static");
    }
    if (in_moving && !(r >= moving_band.min && r <= moving_band.max)) {
      broken("moving outside the band it may be moving in");
    }
  }
}

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__DETECTOR_OUTPUTS_HPP_
