// Laser scans and robot poses decoded from a fuzzer's input, shared by every harness that feeds
// scans: one shape per input (beam count, angles, range limits, a background and a few patches
// that move from scan to scan like people), then per scan a stamp and a few glitches.
#ifndef QUILLON_FUZZ__FUZZED_SCANS_HPP_
#define QUILLON_FUZZ__FUZZED_SCANS_HPP_

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "builtin_interfaces/msg/time.hpp"
#include "fuzzed_bytes.hpp"
#include "fuzzed_stamps.hpp"
#include "geometry_msgs/msg/pose.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_fuzz
{

constexpr int64_t SECOND_NS = 1000000000LL;
constexpr int64_t START_NS = 1700000000LL * SECOND_NS;
constexpr int64_t SCAN_PERIOD_NS = 100000000LL;
constexpr float PI_F = 3.14159265F;

// Values that break arithmetic somewhere: NaN, infinities, signed zero, sub-normals, the float
// limits, negatives.
constexpr float SPECIAL_FLOATS[] = {
  std::numeric_limits<float>::quiet_NaN(),
  std::numeric_limits<float>::infinity(),
  -std::numeric_limits<float>::infinity(),
  0.0F,
  -0.0F,
  1e-42F,
  FLT_MIN,
  -1.0F,
  FLT_MAX,
  -FLT_MAX,
  1e30F,
  -1e30F,
  1e-3F};

constexpr float BACKGROUND_RANGES[] = {
  2.0F,
  4.0F,
  8.0F,
  0.5F,
  30.0F,
  1e3F,
  std::numeric_limits<float>::quiet_NaN(),
  std::numeric_limits<float>::infinity()};

// Mostly a range between 0.2 m and 9.75 m, a quarter of the time a special value.
inline float rangeOrSpecial(FuzzedBytes & in)
{
  const uint8_t code = in.byte();
  if (code < 64) {
    return SPECIAL_FLOATS[code % (sizeof(SPECIAL_FLOATS) / sizeof(SPECIAL_FLOATS[0]))];
  }
  return 0.2F + 0.05F * static_cast<float>(code - 64);
}

// A run of beams set to one range, moving by `shift` beams per scan: a person or an obstacle.
struct Patch
{
  uint32_t start;
  uint32_t length;
  float range;
  int32_t shift;
};

// What stays the same in every scan of one input.
struct ScanShape
{
  std::size_t beams = 0;
  float angle_min = 0.0F;
  float angle_increment = 0.0F;
  float angle_max = 0.0F;
  float range_min = 0.05F;
  float range_max = 30.0F;
  float time_increment = 0.0F;
  float background = 4.0F;
  std::size_t intensities = 0;
  std::vector<Patch> patches;
};

// The beam count is one of `beam_counts`: each harness chooses counts its stage handles fast.
// Without `beam_timing` the beams carry no time increment (and the decoding reads one byte
// less, as the pipeline harness's recorded inputs expect).
template <std::size_t N>
ScanShape decodeScanShape(
  FuzzedBytes & in, const std::size_t (&beam_counts)[N], bool beam_timing = true)
{
  ScanShape shape;
  shape.beams = in.pick(beam_counts);
  const uint8_t geometry = in.byte();
  if (geometry % 4 != 3) {
    shape.angle_min = -0.75F * PI_F;
    shape.angle_increment =
      shape.beams > 1 ? 1.5F * PI_F / static_cast<float>(shape.beams - 1) : 0.0F;
    shape.angle_max = 0.75F * PI_F;
  } else {
    shape.angle_min = rangeOrSpecial(in) - 5.0F;
    shape.angle_increment = in.pick(SPECIAL_FLOATS);
    shape.angle_max = rangeOrSpecial(in);
  }
  if (in.flag()) {
    shape.range_min = in.pick(SPECIAL_FLOATS);
    shape.range_max = in.pick(SPECIAL_FLOATS);
  }
  // A real scanner's mirror takes the period for a turn; some drivers leave the time at zero.
  const float time_increments[] = {
    0.0F, 0.1F / static_cast<float>(shape.beams + 1), -1e-3F,
    std::numeric_limits<float>::quiet_NaN(), 1.0F};
  shape.time_increment = beam_timing ? in.pick(time_increments) : 0.0F;
  shape.background = in.pick(BACKGROUND_RANGES);
  const std::size_t intensity_lengths[] = {0, shape.beams, shape.beams / 2, shape.beams + 3};
  shape.intensities = in.pick(intensity_lengths);
  const int patches = in.byte() % 6;
  for (int k = 0; k < patches; ++k) {
    Patch patch;
    patch.start = in.below(static_cast<uint32_t>(shape.beams + 1));
    patch.length = 1U + in.byte() % 60U;
    patch.range = rangeOrSpecial(in);
    patch.shift = static_cast<int8_t>(in.byte()) % 16;
    shape.patches.push_back(patch);
  }
  return shape;
}

// Mostly a scan of now a little late; sometimes far past, negative, far future, the end of
// int32 time, an out-of-range nanosecond field, a repeated or a decreasing stamp.
inline builtin_interfaces::msg::Time decodeScanStamp(
  FuzzedBytes & in, int64_t now_ns, const builtin_interfaces::msg::Time & previous)
{
  const uint8_t mode = in.byte();
  builtin_interfaces::msg::Time t;
  switch (mode % 12) {
    case 5:
      t.sec = 0;
      t.nanosec = 0;
      return t;
    case 6:
      t.sec = mode > 128 ? -1 : std::numeric_limits<int32_t>::min();
      t.nanosec = 0;
      return t;
    case 7:
      return stampAt(now_ns + 1000000LL * SECOND_NS);
    case 8:
      t.sec = std::numeric_limits<int32_t>::max();
      t.nanosec = 999999999U;
      return t;
    case 9:
      t = stampAt(now_ns);
      t.nanosec = 0xFFFFFFFFU;
      return t;
    case 10:
      return previous;
    case 11:
      return stampAt(now_ns - 2 * SCAN_PERIOD_NS);
    default:
      return stampAt(now_ns - int64_t{in.byte()} * 1000000LL);
  }
}

// Scan `scan_index` of `shape`: the background, the patches where they have moved to, a few
// single-beam glitches of this scan only. Header left to the caller.
inline sensor_msgs::msg::LaserScan::SharedPtr buildScan(
  const ScanShape & shape, int scan_index, FuzzedBytes & in)
{
  auto scan = std::make_shared<sensor_msgs::msg::LaserScan>();
  scan->angle_min = shape.angle_min;
  scan->angle_increment = shape.angle_increment;
  scan->angle_max = shape.angle_max;
  scan->range_min = shape.range_min;
  scan->range_max = shape.range_max;
  scan->time_increment = shape.time_increment;
  scan->scan_time = 0.1F;
  scan->ranges.assign(shape.beams, shape.background);
  for (const Patch & patch : shape.patches) {
    const int64_t start = static_cast<int64_t>(patch.start) + int64_t{patch.shift} * scan_index;
    for (int64_t i = start; i < start + patch.length; ++i) {
      if (i >= 0 && i < static_cast<int64_t>(shape.beams)) {
        scan->ranges[static_cast<std::size_t>(i)] = patch.range;
      }
    }
  }
  const int glitches = in.byte() % 4;
  for (int k = 0; k < glitches && !scan->ranges.empty(); ++k) {
    scan->ranges[in.below(static_cast<uint32_t>(scan->ranges.size()))] = in.pick(SPECIAL_FLOATS);
  }
  scan->intensities.assign(shape.intensities, 100.0F);
  if (!scan->intensities.empty()) {
    scan->intensities[0] = in.pick(SPECIAL_FLOATS);
  }
  return scan;
}

// The robot's pose in "odom" as a transform: standing, somewhere else, very far, or driving.
inline geometry_msgs::msg::TransformStamped odomTransform(uint8_t variant, int scan_index)
{
  geometry_msgs::msg::TransformStamped odom;
  odom.header.frame_id = "odom";
  odom.child_frame_id = "base_footprint";
  double x = 0.0, y = 0.0, yaw = 0.0;
  switch (variant % 4) {
    case 1:
      x = 3.0;
      y = -2.0;
      yaw = 1.0;
      break;
    case 2:
      x = 1e5;
      y = -1e5;
      yaw = -3.0;
      break;
    case 3:
      x = 0.05 * scan_index;
      yaw = 0.02 * scan_index;
      break;
    default:
      break;
  }
  odom.transform.translation.x = x;
  odom.transform.translation.y = y;
  odom.transform.rotation.z = std::sin(yaw / 2.0);
  odom.transform.rotation.w = std::cos(yaw / 2.0);
  return odom;
}

// The robot's pose as a detector is handed it: the odometry variants above, a robot that turns
// or jumps fast, and poses no odometry should send (NaN, infinite, huge, a zero or unnormalised
// quaternion), chosen per scan by one byte.
inline geometry_msgs::msg::Pose decodeRobotPose(FuzzedBytes & in, uint8_t variant, int scan_index)
{
  const auto odom = odomTransform(variant, scan_index);
  geometry_msgs::msg::Pose pose;
  pose.position.x = odom.transform.translation.x;
  pose.position.y = odom.transform.translation.y;
  pose.orientation = odom.transform.rotation;
  const uint8_t glitch = in.byte();
  switch (glitch % 16) {
    case 1:
      pose.position.x += 0.5 * scan_index;  // 5 m/s
      pose.orientation.z = std::sin(0.4 * scan_index);
      pose.orientation.w = std::cos(0.4 * scan_index);
      break;
    case 2:
      pose.position.x = std::numeric_limits<double>::quiet_NaN();
      break;
    case 3:
      pose.position.y = glitch > 128 ? std::numeric_limits<double>::infinity() : 1e300;
      break;
    case 4:
      pose.orientation.z = 0.0;
      pose.orientation.w = 0.0;
      break;
    case 5:
      pose.orientation.z = 3.0;
      pose.orientation.w = glitch > 128 ? 4.0 : std::numeric_limits<double>::quiet_NaN();
      break;
    case 6:
      pose.position.x = 1e20;
      break;
    default:
      break;
  }
  return pose;
}

const char * const SCAN_FRAMES[] = {"base_scan_01", "", "unknown_frame", "odom"};

// A detector's view of one input: a shape, then up to `max_scans` scans of it (fewer when the
// input runs out), each with its stamp, frame and the robot's pose, handed to
// `visit(scan, pose)`. The clock runs on by a scan period per scan.
template <std::size_t N, typename Visit>
void forEachDecodedScan(
  FuzzedBytes & in, const std::size_t (&beam_counts)[N], int max_scans, Visit visit)
{
  const uint8_t head = in.byte();
  const int scans = 1 + head % max_scans;
  const uint8_t odom_variant = in.byte();
  const ScanShape shape = decodeScanShape(in, beam_counts);
  int64_t now_ns = START_NS;
  builtin_interfaces::msg::Time previous = stampAt(now_ns);
  for (int k = 0; k < scans && (k == 0 || !in.empty()); ++k) {
    const auto stamp = decodeScanStamp(in, now_ns, previous);
    const char * frame = in.pick(SCAN_FRAMES);
    const geometry_msgs::msg::Pose pose = decodeRobotPose(in, odom_variant, k);
    auto scan = buildScan(shape, k, in);
    scan->header.stamp = stamp;
    scan->header.frame_id = frame;
    visit(std::const_pointer_cast<const sensor_msgs::msg::LaserScan>(scan), pose);
    previous = stamp;
    now_ns += SCAN_PERIOD_NS;
  }
}

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__FUZZED_SCANS_HPP_
