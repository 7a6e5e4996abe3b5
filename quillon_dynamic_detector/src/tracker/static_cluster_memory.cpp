#include "quillon_dynamic_detector/static_cluster_memory.hpp"

#include <cmath>
#include <iterator>

namespace quillon_dynamic_detector
{
namespace
{

// Cells beyond this many cells from the origin (50 km) are not kept.
constexpr double MAX_CELL_INDEX = 1.0e6;

std::optional<int64_t> cellKey(double cell_x, double cell_y)
{
  if (!(std::fabs(cell_x) <= MAX_CELL_INDEX && std::fabs(cell_y) <= MAX_CELL_INDEX)) {
    return std::nullopt;  // also NaN
  }
  const auto ix = static_cast<int64_t>(cell_x);
  const auto iy = static_cast<int64_t>(cell_y);
  return ix * 4000003LL + iy;
}

double cellIndex(float coordinate)
{
  return std::floor(static_cast<double>(coordinate) / StaticClusterMemory::CELL_M);
}

}  // namespace

void StaticClusterMemory::observe(const Eigen::Vector2f & centroid, double t)
{
  const auto key = cellKey(cellIndex(centroid.x()), cellIndex(centroid.y()));
  if (!key) {
    return;
  }
  auto [it, inserted] = cells_.try_emplace(*key, Sighting{t, t});
  if (!inserted) {
    it->second.last_s = t;
  }
}

void StaticClusterMemory::forget(double t, double span_s)
{
  for (auto it = cells_.begin(); it != cells_.end();) {
    const double age = t - it->second.last_s;
    it = (age >= 0.0 && age <= span_s) ? std::next(it) : cells_.erase(it);
  }
}

std::optional<double> StaticClusterMemory::firstSeenNear(const Eigen::Vector2f & centroid) const
{
  const double cx = cellIndex(centroid.x());
  const double cy = cellIndex(centroid.y());
  std::optional<double> earliest;
  for (int dx = -1; dx <= 1; ++dx) {
    for (int dy = -1; dy <= 1; ++dy) {
      const auto key = cellKey(cx + dx, cy + dy);
      const auto it = key ? cells_.find(*key) : cells_.end();
      if (it != cells_.end() && (!earliest || it->second.first_s < *earliest)) {
        earliest = it->second.first_s;
      }
    }
  }
  return earliest;
}

}  // namespace quillon_dynamic_detector
