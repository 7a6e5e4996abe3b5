// The geometric moving-point detector alone, fed scans and robot poses decoded from the input
// (odd angles and range limits, NaN and infinite ranges and poses, stamps that repeat, go back
// and jump, a robot that drives, turns and teleports). After every scan: each beam in at most
// one output and unchanged there, moving beams inside the detection band, finite debug clouds
// and a static map no larger than its cap.
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "detector_outputs.hpp"
#include "fuzzed_bytes.hpp"
#include "fuzzed_scans.hpp"
#include "invariant.hpp"
#include "quillon_dynamic_detector/geometric_motion_detector.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "rcutils/logging.h"

namespace
{

using quillon_dynamic_detector::GeometricDetectorConfig;
using quillon_dynamic_detector::GeometricMotionDetector;
using sensor_msgs::msg::LaserScan;

// Learning the static map costs the detector the square of the beams of a scan; scans of 160 to
// 271 beams still fill the map past its bootstrap size (150 points) and keep the run fast.
constexpr std::size_t BEAM_COUNTS[] = {271, 200, 160, 160, 160, 100, 16, 3, 2, 1, 0};
constexpr int MAX_SCANS = 4;

void requireFinitePoints(const pcl::PointCloud<pcl::PointXYZ> & cloud, const std::string & what)
{
  for (const auto & p : cloud.points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      quillon_fuzz::invariantBroken(what + " holds a non-finite point");
    }
  }
}

void checkDetector(
  const GeometricMotionDetector & detector, const LaserScan & scan, const LaserScan & moving,
  const LaserScan & still)
{
  const auto & c = detector.config();
  quillon_fuzz::requireSplitOfBeams(
    scan, moving, still, FLT_MAX, {c.min_range_for_detection, c.max_range_for_detection}, false);
  requireFinitePoints(detector.rawCandidateCloud(), "raw candidate cloud");
  requireFinitePoints(detector.confirmedCloud(), "confirmed cloud");
  requireFinitePoints(detector.localStaticMapCloud(), "static map cloud");
  if (detector.confirmedCloud().size() > scan.ranges.size()) {
    quillon_fuzz::invariantBroken("more confirmed points than beams");
  }
  if (detector.localStaticMap().mapSize() > c.local_map_max_points) {
    quillon_fuzz::invariantBroken("static map beyond its cap");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  // Dropped scans and map restarts are logged; their lines would drown the run. The shipped
  // configuration is read once: parsing its YAML took a third of every input.
  static const GeometricDetectorConfig config = [] {
    const rcutils_ret_t ret =
      rcutils_logging_set_logger_level("trailscan", RCUTILS_LOG_SEVERITY_FATAL);
    (void)ret;
    return quillon_dynamic_detector::loadGeometricDetectorConfig(
      quillon_dynamic_detector::defaultDetectorConfigPath());
  }();
  // The same scans through the options that remember what earlier scans saw through (and the
  // one that confirms a direction's earlier candidates too).
  static const GeometricDetectorConfig remembering = [] {
    GeometricDetectorConfig c = config;
    c.geometric_seen_through_memory = 0.8f;
    c.geometric_seen_through_uncovered_depth = 0.35f;
    c.geometric_seen_through_learn_at_once_at_rest = 0;
    c.local_map_max_age_while_moving = 4.0f;
    c.geometric_dynamic_confirm_whole_direction = 1;
    return c;
  }();
  quillon_fuzz::FuzzedBytes in(data, size);
  GeometricMotionDetector detector(config);
  GeometricMotionDetector remembering_detector(remembering);
  quillon_fuzz::forEachDecodedScan(
    in, BEAM_COUNTS, MAX_SCANS,
    [&](const LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose) {
      for (GeometricMotionDetector * d : {&detector, &remembering_detector}) {
        auto moving = std::make_shared<LaserScan>();
        auto still = std::make_shared<LaserScan>();
        d->processScan(scan, pose, moving, still);
        checkDetector(*d, *scan, *moving, *still);
      }
    });
  return 0;
}
