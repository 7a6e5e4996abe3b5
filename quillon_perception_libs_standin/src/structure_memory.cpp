#include "quillon_perception_libs/structure_memory.hpp"

#include <cmath>
#include <iterator>

namespace orvane
{
namespace perception
{

StructureMemory::StructureMemory(double memory) : memory_(memory) {}

StructureMemory::Cell StructureMemory::cellOf(double x, double y)
{
  return Cell{
    static_cast<std::int64_t>(std::floor(x / CELL)),
    static_cast<std::int64_t>(std::floor(y / CELL))};
}

void StructureMemory::remember(double x, double y, double stamp, const PlanarPose & scanner)
{
  if (!enabled()) {
    return;
  }
  if (cells_.size() >= MAX_CELLS) {
    cells_.clear();
  }
  auto [it, inserted] = cells_.try_emplace(cellOf(x, y), Sightings{stamp, stamp, 0.0f, 0.0f});
  Sightings & seen = it->second;
  if (!inserted && stamp - seen.last > memory_) {
    seen.first = stamp;  // unseen for longer than the memory: the earlier sighting is forgotten
  }
  seen.last = stamp;
  seen.scanner_x = static_cast<float>(scanner.x);
  seen.scanner_y = static_cast<float>(scanner.y);
}

bool StructureMemory::isStructureCell(
  const Cell & cell, double stamp, const PlanarPose & seen_through_from) const
{
  const auto it = cells_.find(cell);
  if (it == cells_.end()) {
    return false;
  }
  const Sightings & seen = it->second;
  const double viewpoint_change =
    std::hypot(seen_through_from.x - seen.scanner_x, seen_through_from.y - seen.scanner_y);
  return seen.last > seen.first && stamp - seen.last <= memory_ &&
         viewpoint_change >= VIEWPOINT_CHANGE;
}

bool StructureMemory::isStructure(
  double x, double y, double stamp, const PlanarPose & seen_through_from) const
{
  if (cells_.empty()) {
    return false;
  }
  const Cell centre = cellOf(x, y);
  for (std::int64_t dx = -1; dx <= 1; ++dx) {
    for (std::int64_t dy = -1; dy <= 1; ++dy) {
      if (isStructureCell(Cell{centre.ix + dx, centre.iy + dy}, stamp, seen_through_from)) {
        return true;
      }
    }
  }
  return false;
}

void StructureMemory::expire(double stamp)
{
  if (cells_.empty() || stamp - last_expiry_ < 1.0) {
    return;
  }
  last_expiry_ = stamp;
  for (auto it = cells_.begin(); it != cells_.end();) {
    it = stamp - it->second.last > memory_ ? cells_.erase(it) : std::next(it);
  }
}

void StructureMemory::clear()
{
  cells_.clear();
  last_expiry_ = -1.0e300;
}

}  // namespace perception
}  // namespace orvane
