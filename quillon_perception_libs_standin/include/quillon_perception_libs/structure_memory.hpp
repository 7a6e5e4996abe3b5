#ifndef QUILLON_PERCEPTION_LIBS__STRUCTURE_MEMORY_HPP_
#define QUILLON_PERCEPTION_LIBS__STRUCTURE_MEMORY_HPP_

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "quillon_perception_libs/planar_pose.hpp"

namespace orvane
{
namespace perception
{

// Where the remembered scans of the last `memory` seconds saw static returns, on a grid of CELL
// metres in the odometry frame. A spot seen static by two of them or more is structure: a wall, a
// post or a glass pane that a driving robot sees again from another place. Only a scan from
// somewhere else that saw through it is no evidence against it (glass shows only at some angles,
// a beam may pass by a post); seen through from where it was seen, it has gone (someone who
// stood there and walked off).
class StructureMemory
{
public:
  static constexpr double CELL = 0.05;
  // m: a scanner that stood at least this far from where it last saw a spot static saw it from
  // elsewhere.
  static constexpr double VIEWPOINT_CHANGE = 0.1;
  // Cells kept at most (some tens of MB); beyond it the memory starts again.
  static constexpr std::size_t MAX_CELLS = std::size_t{1} << 18;

  // `memory` 0 switches it off: nothing is remembered and no spot is structure.
  explicit StructureMemory(double memory);

  bool enabled() const { return memory_ > 0.0; }
  // A static return at (x, y) in a scan remembered at `stamp`, taken from `scanner`.
  void remember(double x, double y, double stamp, const PlanarPose & scanner);
  // Whether a spot within one cell of (x, y) is structure at `stamp` for a return that a scan
  // taken from `seen_through_from` saw through.
  bool isStructure(double x, double y, double stamp, const PlanarPose & seen_through_from) const;
  // Forgets the cells unseen for longer than the memory (looks at most once a second).
  void expire(double stamp);
  void clear();

private:
  struct Cell
  {
    std::int64_t ix;
    std::int64_t iy;
    bool operator==(const Cell & other) const { return ix == other.ix && iy == other.iy; }
  };
  struct CellHash
  {
    std::size_t operator()(const Cell & c) const
    {
      return static_cast<std::size_t>(
        (static_cast<std::uint64_t>(c.ix) * 0x9E3779B97F4A7C15ULL) ^
        static_cast<std::uint64_t>(c.iy));
    }
  };
  struct Sightings
  {
    double first;
    double last;
    float scanner_x;  // where the scanner stood at the last sighting
    float scanner_y;
  };

  static Cell cellOf(double x, double y);
  bool isStructureCell(const Cell & cell, double stamp, const PlanarPose & seen_through_from) const;

  double memory_;
  double last_expiry_ = -1.0e300;
  std::unordered_map<Cell, Sightings, CellHash> cells_;
};

}  // namespace perception
}  // namespace orvane

#endif  // QUILLON_PERCEPTION_LIBS__STRUCTURE_MEMORY_HPP_
