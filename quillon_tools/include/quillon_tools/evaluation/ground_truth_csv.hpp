#ifndef QUILLON_TOOLS__EVALUATION__GROUND_TRUTH_CSV_HPP_
#define QUILLON_TOOLS__EVALUATION__GROUND_TRUTH_CSV_HPP_

#include <string>

#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

// Ground truth as CSV, so that annotated recordings can be scored like simulated runs
// (docs/ground_truth_format.md has the full description and an example).
//
// Blank lines and lines starting with '#' are ignored. The first other line is the header
//   stamp_ns,kind,id,x,y,vx,vy,yaw,frame,omega,radius,name,fov,range_max,beams,scan_frame
// (or, in files written before the last four columns existed, its first 12 columns) and every
// following line has as many columns (fields may be padded with spaces; numbers must be finite;
// a column that does not apply to the kind stays empty):
//   robot     stamp, id 0, x, y, yaw of "base_footprint" in "odom"; vx, vy (odom) and omega
//             (rad/s) optional; frame "odom" or empty; scan_frame: the scanner whose scan the
//             frame is, optional.
//   person    stamp, id, x, y in "odom"; vx, vy optional (both or neither); frame "odom" or
//             empty; beams: returns from the person in the frame's scan, optional.
//   ignore    stamp, id (free, written 0), x, y in "odom", radius > 0; frame "odom" or empty;
//             name: a free note, optional. An unlabelled person's place in that frame.
//   mount     stamp 0, id 0, x, y, yaw of the scanner in "base_footprint"; frame = scanner frame;
//             fov (rad, in (0, 2 pi]) and range_max (m) of the scanner, optional.
//   furniture stamp 0, id (free), x, y in "odom", radius > 0, name = kind (e.g. "table_leg").
// robot, person and ignore lines with the same stamp form one frame, which needs exactly one
// robot line; their stamps never decrease. Missing velocities are estimated by finite differences
// of the same id (central where both neighbours exist, one-sided at the ends, zero for a lone
// sample).
// What is left empty stays unknown: no view (all around, unlimited), beams -1, no scan frame.
void writeGroundTruthCsv(const std::string & path, const GroundTruth & truth);

// Throws std::runtime_error "<path>:<line>: <problem>" for malformed content and
// "<path>: ..." when the file cannot be read.
GroundTruth readGroundTruthCsv(const std::string & path);

constexpr const char * GROUND_TRUTH_CSV_HEADER =
  "stamp_ns,kind,id,x,y,vx,vy,yaw,frame,omega,radius,name,fov,range_max,beams,scan_frame";

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__GROUND_TRUTH_CSV_HPP_
