#ifndef QUILLON_DYNAMIC_DETECTOR__STATIC_CLUSTER_MEMORY_HPP_
#define QUILLON_DYNAMIC_DETECTOR__STATIC_CLUSTER_MEMORY_HPP_

#include <cstdint>
#include <optional>
#include <unordered_map>

#include <Eigen/Core>

namespace quillon_dynamic_detector
{

// Where static clusters have stood, in the tracker's frame: for each 5 cm cell that held a
// static centroid, when one was first seen there. A cell not seen for the memory's span is
// forgotten. A stopped person's legs turn static where nothing static stood before; a table
// leg has stood in its cell since the robot first saw it.
class StaticClusterMemory
{
public:
  static constexpr float CELL_M = 0.05f;

  void observe(const Eigen::Vector2f & centroid, double t);
  // Drops the cells last seen more than `span_s` before `t` (and any seen after `t`: time went
  // back).
  void forget(double t, double span_s);
  // The earliest first sighting in the centroid's cell and its eight neighbours (a fixed
  // obstacle's centroid wobbles by a few centimetres); empty when none is remembered.
  std::optional<double> firstSeenNear(const Eigen::Vector2f & centroid) const;
  std::size_t size() const { return cells_.size(); }

private:
  struct Sighting
  {
    double first_s;
    double last_s;
  };
  std::unordered_map<int64_t, Sighting> cells_;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__STATIC_CLUSTER_MEMORY_HPP_
