// Drives scans decoded from the input through the real per-scan pipeline of one scanner, with
// either moving-point detector, several scans per input so that the tracker and the detector's
// map carry state, and checks that nothing published holds a NaN or an infinity.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "fuzzed_bytes.hpp"
#include "fuzzed_stamps.hpp"
#include "harness_runtime.hpp"
#include "ros2_compat/testing/time_control.hpp"
#include "scanner_under_test.hpp"

namespace
{

using quillon_fuzz::FuzzedBytes;
using quillon_fuzz::stampAt;
using sensor_msgs::msg::LaserScan;
using namespace quillon_dynamic_detector;

constexpr int64_t SECOND_NS = 1000000000LL;
constexpr int64_t START_NS = 1700000000LL * SECOND_NS;
constexpr int64_t SCAN_PERIOD_NS = 100000000LL;
constexpr float PI_F = 3.14159265F;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// Values that break arithmetic somewhere: NaN, infinities, signed zero, sub-normals, the float
// limits, negatives.
constexpr float SPECIAL_FLOATS[] = {NaN,   INF,     -INF,     0.0F,  -0.0F,  1e-42F, FLT_MIN,
                                    -1.0F, FLT_MAX, -FLT_MAX, 1e30F, -1e30F, 1e-3F};

// Beam counts: mostly the robot's scanners, some degenerate, some huge.
constexpr std::size_t BEAM_COUNTS[] = {1081, 1081, 1081, 1081, 541, 720,  1440,  0,
                                       1,    2,    3,    16,   100, 4000, 100000};

constexpr float BACKGROUND_RANGES[] = {2.0F, 4.0F, 8.0F, 0.5F, 30.0F, 1e3F, NaN, INF};

float specialOrNormal(FuzzedBytes & in)
{
  const uint8_t code = in.byte();
  if (code < 64) {
    return SPECIAL_FLOATS[code % (sizeof(SPECIAL_FLOATS) / sizeof(SPECIAL_FLOATS[0]))];
  }
  return 0.2F + 0.05F * static_cast<float>(code - 64);  // 0.2 m ... 9.75 m
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
  float background = 4.0F;
  std::size_t intensities = 0;
  std::vector<Patch> patches;
};

ScanShape decodeShape(FuzzedBytes & in)
{
  ScanShape shape;
  shape.beams = in.pick(BEAM_COUNTS);
  const uint8_t geometry = in.byte();
  if (geometry % 4 != 3) {
    shape.angle_min = -0.75F * PI_F;
    shape.angle_increment =
      shape.beams > 1 ? 1.5F * PI_F / static_cast<float>(shape.beams - 1) : 0.0F;
    shape.angle_max = 0.75F * PI_F;
  } else {
    shape.angle_min = specialOrNormal(in) - 5.0F;
    shape.angle_increment = in.pick(SPECIAL_FLOATS);
    shape.angle_max = specialOrNormal(in);
  }
  if (in.flag()) {
    shape.range_min = in.pick(SPECIAL_FLOATS);
    shape.range_max = in.pick(SPECIAL_FLOATS);
  }
  shape.background = in.pick(BACKGROUND_RANGES);
  const std::size_t intensity_lengths[] = {0, shape.beams, shape.beams / 2, shape.beams + 3};
  shape.intensities = in.pick(intensity_lengths);
  const int patches = in.byte() % 6;
  for (int k = 0; k < patches; ++k) {
    Patch patch;
    patch.start = in.below(static_cast<uint32_t>(shape.beams + 1));
    patch.length = 1U + in.byte() % 60U;
    patch.range = specialOrNormal(in);
    patch.shift = static_cast<int8_t>(in.byte()) % 16;
    shape.patches.push_back(patch);
  }
  return shape;
}

void fillRanges(const ScanShape & shape, int scan_index, FuzzedBytes & in, LaserScan & scan)
{
  scan.ranges.assign(shape.beams, shape.background);
  for (const Patch & patch : shape.patches) {
    const int64_t start = static_cast<int64_t>(patch.start) + int64_t{patch.shift} * scan_index;
    for (int64_t i = start; i < start + patch.length; ++i) {
      if (i >= 0 && i < static_cast<int64_t>(shape.beams)) {
        scan.ranges[static_cast<std::size_t>(i)] = patch.range;
      }
    }
  }
  // A few single-beam glitches of this scan only.
  const int glitches = in.byte() % 4;
  for (int k = 0; k < glitches && !scan.ranges.empty(); ++k) {
    scan.ranges[in.below(static_cast<uint32_t>(scan.ranges.size()))] = in.pick(SPECIAL_FLOATS);
  }
  scan.intensities.assign(shape.intensities, 100.0F);
  if (!scan.intensities.empty()) {
    scan.intensities[0] = in.pick(SPECIAL_FLOATS);
  }
}

// Mostly a scan of now a little late; sometimes far past, negative, far future, the end of
// int32 time, an out-of-range nanosecond field, a repeated or a decreasing stamp.
builtin_interfaces::msg::Time decodeStamp(
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

const char * const FRAMES[] = {"base_scan_01", "", "unknown_frame", "odom"};

// The robot's pose in "odom": standing, somewhere else, very far, or driving.
geometry_msgs::msg::TransformStamped odomTransform(uint8_t variant, int scan_index)
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  quillon_fuzz::initialiseRosOnce();
  // Transform lookups that fail are expected here; their lines would drown the run.
  quillon_fuzz::silenceTransformLookupErrors();
  FuzzedBytes in(data, size);
  const uint8_t head = in.byte();
  const bool geometric = (head & 1U) != 0;
  const int scans = 1 + (head >> 1) % 8;
  const uint8_t odom_variant = head >> 4;
  const ScanShape shape = decodeShape(in);

  int64_t now_ns = START_NS;
  ros2_compat::testing::ScopedFakeSystemTime fake_time(now_ns);
  auto node = std::make_shared<rclcpp::Node>("laser_subscriber");
  quillon_fuzz::ScannerUnderTest scanner(node, declareTrailscanParameters(*node));
  const bool driving = odom_variant % 4 == 3;
  if (!driving) {
    scanner.setOdom(odomTransform(odom_variant, 0), true);
  }
  builtin_interfaces::msg::Time previous = stampAt(now_ns);
  for (int k = 0; k < scans; ++k) {
    auto scan = std::make_shared<LaserScan>();
    scan->header.stamp = decodeStamp(in, now_ns, previous);
    scan->header.frame_id = in.pick(FRAMES);
    scan->angle_min = shape.angle_min;
    scan->angle_increment = shape.angle_increment;
    scan->angle_max = shape.angle_max;
    scan->range_min = shape.range_min;
    scan->range_max = shape.range_max;
    scan->scan_time = 0.1F;
    fillRanges(shape, k, in, *scan);
    if (driving) {
      // The robot's odometry is stamped by its own clock, which is never invalid.
      auto odom = odomTransform(odom_variant, k);
      const bool valid = scan->header.stamp.sec >= 0 && scan->header.stamp.nanosec < SECOND_NS;
      odom.header.stamp = valid ? scan->header.stamp : stampAt(now_ns);
      scanner.setOdom(odom, false);
    }
    scanner.process(scan, geometric);
    previous = scan->header.stamp;
    now_ns += SCAN_PERIOD_NS;
    ros2_compat::testing::set_system_time(now_ns);
  }
  return 0;
}
