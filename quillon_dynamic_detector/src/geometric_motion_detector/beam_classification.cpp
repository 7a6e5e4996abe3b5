#include "quillon_dynamic_detector/beam_classification.hpp"

#include <algorithm>
#include <cmath>

namespace quillon_dynamic_detector
{
namespace
{

// Threshold by range alone: flat near the robot, interpolated up to the far limit, flat beyond.
double baseResidualThreshold(float d, const GeometricDetectorConfig & config)
{
  if (d <= config.residual_distance_near_limit) {
    return static_cast<double>(config.residual_distance_near_base);
  }
  if (d <= config.residual_distance_far_limit) {
    const float span =
      std::max(config.residual_distance_far_limit - config.residual_distance_near_limit, 0.001f);
    const float s = (d - config.residual_distance_near_limit) / span;
    return static_cast<double>((1.0f - s) * config.residual_distance_near_base) +
           static_cast<double>(s * config.residual_distance_mid_base);
  }
  return static_cast<double>(config.residual_distance_far_base);
}

}  // namespace

float ramp(float value, float threshold, float full)
{
  const float magnitude = std::fabs(value);
  if (threshold >= full) {
    return magnitude > threshold ? 1.0f : 0.0f;
  }
  return std::clamp((magnitude - threshold) / (full - threshold), 0.0f, 1.0f);
}

void testEdge(
  const std::vector<float> & ranges, std::size_t i, const GeometricDetectorConfig & config,
  BeamRecord & record)
{
  record.is_edge = false;
  record.max_jump = 0.0f;
  const float r = ranges[i];
  if (!std::isfinite(r)) {
    return;
  }
  const float limit =
    config.geometric_edge_jump_range_scale * r + config.geometric_edge_jump_base_threshold;
  const auto compare_with = [&](float neighbour) {
    if (!std::isfinite(neighbour)) {
      return;
    }
    const float jump = std::fabs(r - neighbour);
    record.is_edge = record.is_edge || jump > limit;
    record.max_jump = std::max(record.max_jump, jump);
  };
  if (i > 0) {
    compare_with(ranges[i - 1]);
  }
  if (i + 1 < ranges.size()) {
    compare_with(ranges[i + 1]);
  }
}

double residualThreshold(
  const BeamRecord & record, float motion_intensity, float yaw_intensity,
  const GeometricDetectorConfig & config)
{
  const float d = std::max(record.range, 0.0f);
  double threshold =
    static_cast<double>(config.geometric_motion_residual_boost * motion_intensity) +
    baseResidualThreshold(d, config);
  if (d >= config.geometric_yaw_far_range_threshold) {
    threshold += static_cast<double>(config.geometric_yaw_far_residual_boost * yaw_intensity);
  }
  if (record.is_edge) {
    const float limit = std::max(
      config.geometric_edge_jump_range_scale * d + config.geometric_edge_jump_base_threshold,
      0.001f);
    const float q = std::clamp(record.max_jump / limit, 0.0f, 2.0f);
    threshold += static_cast<double>(q * config.geometric_edge_residual_boost);
    threshold += static_cast<double>(yaw_intensity * config.geometric_edge_yaw_residual_boost);
  }
  // Near a slowly moving robot a smaller residual suffices.
  const float ceiling = config.geometric_near_range_motion_ceiling;
  if (d <= config.geometric_near_range_priority_limit && motion_intensity <= ceiling) {
    const float f = std::clamp(1.0f - motion_intensity / std::max(ceiling, 0.001f), 0.0f, 1.0f);
    threshold -= static_cast<double>(f * config.geometric_near_range_residual_discount);
  }
  return std::max(threshold, 0.02);
}

int countSupport(
  const std::vector<BeamRecord> & records, std::size_t i, const GeometricDetectorConfig & config)
{
  const BeamRecord & beam = records[i];
  if (!beam.is_candidate) {
    return 0;
  }
  const auto window =
    static_cast<std::size_t>(std::max(config.geometric_residual_support_window, 1));
  const std::size_t lo = i > window ? i - window : 0;
  const std::size_t hi = std::min(i + window, records.size() - 1);
  int count = 1;
  for (std::size_t k = lo; k <= hi; ++k) {
    const BeamRecord & other = records[k];
    if (
      k != i && other.is_candidate &&
      std::fabs(other.range - beam.range) <= config.geometric_residual_support_max_range_gap) {
      ++count;
    }
  }
  return count;
}

}  // namespace quillon_dynamic_detector
