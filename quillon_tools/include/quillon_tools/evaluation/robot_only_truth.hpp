// The truth of a recording with nobody in it: where the robot was at each scan and what its
// scanners could see. Scored against it, every pedestrian reported within range is a false
// positive. It reads bags, so it is built into the runner library (src/runner/).
#ifndef QUILLON_TOOLS__EVALUATION__ROBOT_ONLY_TRUTH_HPP_
#define QUILLON_TOOLS__EVALUATION__ROBOT_ONLY_TRUTH_HPP_

#include <cstdint>
#include <filesystem>

#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

// A scan farther than this from the nearest odometry sample on either side gets no frame.
constexpr int64_t ROBOT_ONLY_MAX_ODOMETRY_GAP_NS = 500000000;  // 0.5 s

// Reads the recording's "/tf_static" (each scanner frame's mount in "base_footprint", through
// chains of static transforms), its "/tf" samples of "odom" -> "base_footprint" (other
// transforms are ignored) and every LaserScan topic. Returns one frame per scan, at the scan's
// header stamp, of its scanner frame, without people: the robot pose interpolated linearly
// between the odometry samples around the stamp (yaw the shorter way round) and the robot's
// velocities between them. Scans outside the samples' span or more than
// ROBOT_ONLY_MAX_ODOMETRY_GAP_NS from the nearest sample on either side get no frame. Each
// scanner's view comes from its scans (the median field of view, angle_max - angle_min plus one
// increment, at most 2 pi, and range_max). Messages that do not deserialize are left out.
// Throws std::runtime_error when the recording has no odometry on "/tf" or no scans, or a
// scanner's mount cannot be traced to "base_footprint"; BagError when it cannot be read.
GroundTruth robotOnlyTruth(const std::filesystem::path & recording);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__ROBOT_ONLY_TRUTH_HPP_
