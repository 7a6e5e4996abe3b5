// The closed detector's stand-in (the free-space moving-point detector) alone, fed scans and
// robot poses decoded from the input (odd angles, range limits and beam timing, NaN and
// infinite ranges and poses, stamps that repeat, go back and jump, a robot that drives, turns
// and teleports). After every scan: each beam in exactly one output and unchanged there, and
// moving beams only where a return can be moving.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "detector_outputs.hpp"
#include "fuzzed_bytes.hpp"
#include "fuzzed_scans.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "quillon_perception_libs/dynamic_laser_detector.hpp"

namespace
{

using orvane::perception::DynamicLaserDetector;
using sensor_msgs::msg::LaserScan;

constexpr std::size_t BEAM_COUNTS[] = {1081, 1081, 541, 720, 360, 100, 16, 3, 2, 1, 0, 4000};
constexpr int MAX_SCANS = 16;

// Returns outside the scan's limits and the detector's reach, zero and NaN are never moving.
quillon_fuzz::RangeBand movingBand(const DynamicLaserDetector & detector, const LaserScan & scan)
{
  return {
    std::max(scan.range_min, std::numeric_limits<float>::denorm_min()),
    std::min(scan.range_max, static_cast<float>(detector.settings().max_range))};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  // One detector read from the shipped file, copied fresh for every input; and one with the
  // options of the 768-beam profile (settling, structure memory, unseen returns joining).
  static const DynamicLaserDetector pristine(quillon_dynamic_detector::defaultDetectorConfigPath());
  static const DynamicLaserDetector pristine_profiled(
    (std::filesystem::path(quillon_dynamic_detector::defaultDetectorConfigPath()).parent_path() /
     "profiles" / "lidar_768_7p5hz.cfg.yaml")
      .string());
  quillon_fuzz::FuzzedBytes in(data, size);
  DynamicLaserDetector detector = pristine;
  DynamicLaserDetector profiled = pristine_profiled;
  quillon_fuzz::forEachDecodedScan(
    in, BEAM_COUNTS, MAX_SCANS,
    [&](const LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose) {
      for (DynamicLaserDetector * d : {&detector, &profiled}) {
        auto moving = std::make_shared<LaserScan>();
        auto still = std::make_shared<LaserScan>();
        d->Process(scan, pose, moving, still);
        quillon_fuzz::requireSplitOfBeams(
          *scan, *moving, *still, std::numeric_limits<float>::infinity(), movingBand(*d, *scan),
          true);
      }
    });
  return 0;
}
