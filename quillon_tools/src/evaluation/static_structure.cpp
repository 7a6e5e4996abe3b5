#include "quillon_tools/evaluation/static_structure.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon_tools
{
namespace
{

bool isReading(const sensor_msgs::msg::LaserScan & scan, float r)
{
  return std::isfinite(r) && r > 0.0f && r >= scan.range_min && r <= scan.range_max;
}

float medianOf(std::vector<float> values)
{
  if (values.empty()) {
    return std::numeric_limits<float>::quiet_NaN();
  }
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace

StaticStructure::StaticStructure(
  const std::vector<sensor_msgs::msg::LaserScan> & scans, double share, double tolerance)
: tolerance_(static_cast<float>(tolerance))
{
  if (scans.empty()) {
    return;
  }
  const auto & first = scans.front();
  angle_min_ = first.angle_min;
  angle_increment_ = first.angle_increment;
  const std::size_t beams = first.ranges.size();
  std::vector<std::vector<float>> returns(beams);
  std::size_t readings = 0;
  for (const auto & scan : scans) {
    if (scan.ranges.size() != beams) {
      continue;
    }
    ++readings;
    for (std::size_t i = 0; i < beams; ++i) {
      if (isReading(scan, scan.ranges[i])) {
        returns[i].push_back(scan.ranges[i]);
      }
    }
  }
  median_.assign(beams, std::numeric_limits<float>::quiet_NaN());
  for (std::size_t i = 0; i < beams; ++i) {
    const float median = medianOf(returns[i]);
    const auto close = std::count_if(returns[i].begin(), returns[i].end(), [&](float r) {
      return std::fabs(r - median) <= tolerance_;
    });
    if (static_cast<double>(close) >= share * static_cast<double>(readings)) {
      median_[i] = median;
    }
  }
}

bool StaticStructure::isStructureReturn(std::size_t beam, float range) const
{
  return beam < median_.size() && std::fabs(range - median_[beam]) <= tolerance_;
}

std::size_t StaticStructure::structureBeams() const
{
  return static_cast<std::size_t>(
    std::count_if(median_.begin(), median_.end(), [](float m) { return !std::isnan(m); }));
}

std::vector<PlanarVector> StaticStructure::points() const
{
  std::vector<PlanarVector> points;
  for (std::size_t i = 0; i < median_.size(); ++i) {
    if (!std::isnan(median_[i])) {
      const double angle = angle_min_ + static_cast<double>(i) * angle_increment_;
      points.push_back({median_[i] * std::cos(angle), median_[i] * std::sin(angle)});
    }
  }
  return points;
}

}  // namespace quillon_tools
