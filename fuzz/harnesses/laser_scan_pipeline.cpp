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
#include "fuzzed_scans.hpp"
#include "fuzzed_stamps.hpp"
#include "harness_runtime.hpp"
#include "ros2_compat/testing/time_control.hpp"
#include "scanner_under_test.hpp"

namespace
{

using namespace quillon_fuzz;
using sensor_msgs::msg::LaserScan;

// Beam counts: scanners of up to 1440 beams, some degenerate, two over the pipeline's limit
// (dropped before any work). Clustering and the geometric detector's map cost more than the
// beams, so most scans are short ones: with the robot's 1081-beam scans as the common case the
// run managed 27 inputs per second (cluster_stages clusters those). Recorded inputs pick by
// position.
constexpr std::size_t BEAM_COUNTS[] = {360, 271, 271, 180, 541, 720,  1440,  0,
                                       1,   2,   3,   16,  100, 5121, 100000};

const char * const FRAMES[] = {"base_scan_01", "", "unknown_frame", "odom"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  quillon_fuzz::initialiseRosOnce();
  // Transform lookups that fail and scans that go back in time are expected here.
  quillon_fuzz::silenceTransformLookupErrors();
  quillon_fuzz::silenceLogger("trailscan");
  FuzzedBytes in(data, size);
  const uint8_t head = in.byte();
  const bool geometric = (head & 1U) != 0;
  // Up to four scans: enough for the tracker to confirm a track and the map to take points;
  // with up to eight the run managed 67 inputs per second.
  const int scans = 1 + (head >> 1) % 4;
  const uint8_t odom_variant = head >> 4;
  // Half the inputs track in odom, each return carried there at its own beam's moment.
  const bool at_beam_time = (head & 8U) != 0;
  const ScanShape shape = decodeScanShape(in, BEAM_COUNTS, false);

  int64_t now_ns = START_NS;
  ros2_compat::testing::ScopedFakeSystemTime fake_time(now_ns);
  std::vector<std::string> arguments = {"--ros-args"};
  if (at_beam_time) {
    arguments.insert(
      arguments.end(),
      {"-p", "tracker.track_in_odom:=true", "-p", "tracker.odom_at_beam_time:=true"});
  }
  // Some inputs keep small far legs beside the tracker's people, as the 811-beam profile does.
  if (in.flag()) {
    arguments.insert(
      arguments.end(),
      {"-p", "clustering.min_cluster_size:=3", "-p", "clustering.leg_min_cluster_size:=2", "-p",
       "clustering.tracked_leg_reach:=0.7", "-p", "clustering.far_range:=1.0"});
  }
  auto node =
    std::make_shared<rclcpp::Node>("laser_subscriber", rclcpp::NodeOptions().arguments(arguments));
  quillon_fuzz::ScannerUnderTest scanner(node, declareTrailscanParameters(*node));
  const bool driving = odom_variant % 4 == 3;
  if (!driving) {
    scanner.setOdom(odomTransform(odom_variant, 0), true);
  }
  builtin_interfaces::msg::Time previous = stampAt(now_ns);
  for (int k = 0; k < scans; ++k) {
    const auto stamp = decodeScanStamp(in, now_ns, previous);
    const char * frame = in.pick(FRAMES);
    auto scan = buildScan(shape, k, in);
    scan->header.stamp = stamp;
    scan->header.frame_id = frame;
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
