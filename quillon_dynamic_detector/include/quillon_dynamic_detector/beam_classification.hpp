#ifndef QUILLON_DYNAMIC_DETECTOR__BEAM_CLASSIFICATION_HPP_
#define QUILLON_DYNAMIC_DETECTOR__BEAM_CLASSIFICATION_HPP_

#include <cstddef>
#include <vector>

#include "quillon_dynamic_detector/geometric_detector_config.hpp"

namespace quillon_dynamic_detector
{

// What the motion detection learns about one beam of a scan; built afresh for every scan.
struct BeamRecord
{
  bool is_candidate = false;  // the residual exceeds the beam's threshold
  bool is_supported = false;  // enough neighbouring candidates agree
  float range = 0.0f;
  float angle = 0.0f;    // scanner frame
  float local_x = 0.0f;  // hit point in the scanner frame
  float local_y = 0.0f;
  float world_x = 0.0f;  // hit point in "odom"
  float world_y = 0.0f;
  bool is_edge = false;   // the range jumps at this beam
  float max_jump = 0.0f;  // larger range difference to the two neighbours
};

// 0 below `threshold`, rising linearly to 1 at `full` (a step at `threshold` when full is not
// above it); applied to |value|.
float ramp(float value, float threshold, float full);

// Marks beam `i` of `ranges` as an edge when its range jumps against a finite neighbour by more
// than a range-dependent limit, and records the larger jump.
void testEdge(
  const std::vector<float> & ranges, std::size_t i, const GeometricDetectorConfig & config,
  BeamRecord & record);

// Distance from the static map beyond which the beam's point counts as a motion candidate. It
// grows with range, with the robot's motion and yaw intensities and at edges, and shrinks near a
// slowly moving robot; never below 0.02 m.
double residualThreshold(
  const BeamRecord & record, float motion_intensity, float yaw_intensity,
  const GeometricDetectorConfig & config);

// Candidate beams within the support window of beam `i` whose ranges agree with it, the beam
// itself included; 0 when beam `i` is no candidate.
int countSupport(
  const std::vector<BeamRecord> & records, std::size_t i, const GeometricDetectorConfig & config);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__BEAM_CLASSIFICATION_HPP_
