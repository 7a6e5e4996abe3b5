#include "quillon_dynamic_detector/planar_grid_search.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace quillon_dynamic_detector
{
namespace
{

// The kd-tree squares the radius in double and narrows the result to float.
float squaredRadius(double radius) { return static_cast<float>(radius * radius); }

// No point farther than this along x or y can lie within `sqr_radius`: the float sum of squares
// falls short of the true squared distance by a few units in the last place at most, and the
// margin here is far wider.
double reachOf(float sqr_radius)
{
  return std::sqrt(static_cast<double>(sqr_radius)) * (1.0 + 1.0e-4);
}

// Cells are found by dividing in double; that is exact enough for the margin above while points
// lie within this many cells of the origin. Farther points are searched without the grid.
constexpr double MAX_CELL_COORDINATE = 1.0e9;

// Radii up to this many cell widths are served by the grid.
constexpr int64_t MAX_RINGS = 2;

// The sum FLANN's L2_Simple forms: query minus point, squared and added up over x, y and z in
// this order, in single precision. Comparing anything else could move points across the radius.
float squaredDistance(const pcl::PointXYZ & q, float x, float y, float z)
{
  float sum = 0.0F;
  float d = q.x - x;
  sum += d * d;
  d = q.y - y;
  sum += d * d;
  d = q.z - z;
  sum += d * d;
  return sum;
}

bool isFinite(const pcl::PointXYZ & p)
{
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

PlanarGridSearch::PlanarGridSearch(double radius)
: Base("PlanarGridSearch", true), cell_size_(reachOf(squaredRadius(radius)))
{
}

void PlanarGridSearch::setInputCloud(
  const PointCloudConstPtr & cloud, const IndicesConstPtr & indices)
{
  input_ = cloud;
  indices_ = indices;
  points_.clear();
  keys_.clear();
  grid_usable_ = std::isfinite(cell_size_) && cell_size_ > 0.0;
  if (!cloud) {
    return;
  }
  const std::size_t count = indices ? indices->size() : cloud->size();
  points_.reserve(count);
  for (std::size_t k = 0; k < count; ++k) {
    const pcl::index_t index = indices ? (*indices)[k] : static_cast<pcl::index_t>(k);
    const pcl::PointXYZ & p = (*cloud)[index];
    if (!isFinite(p)) {
      continue;
    }
    grid_usable_ = grid_usable_ && std::abs(p.x) / cell_size_ <= MAX_CELL_COORDINATE &&
                   std::abs(p.y) / cell_size_ <= MAX_CELL_COORDINATE;
    points_.push_back(GridPoint{p.x, p.y, p.z, static_cast<pcl::index_t>(k), index});
  }
  if (!grid_usable_) {
    return;
  }
  std::vector<std::pair<int64_t, GridPoint>> binned;
  binned.reserve(points_.size());
  for (const GridPoint & p : points_) {
    binned.emplace_back(cellKey(cellOf(p.x), cellOf(p.y)), p);
  }
  std::sort(binned.begin(), binned.end(), [](const auto & a, const auto & b) {
    return a.first != b.first ? a.first < b.first : a.second.rank < b.second.rank;
  });
  keys_.reserve(binned.size());
  for (std::size_t i = 0; i < binned.size(); ++i) {
    keys_.push_back(binned[i].first);
    points_[i] = binned[i].second;
  }
}

int PlanarGridSearch::radiusSearch(
  const pcl::PointXYZ & point, double radius, pcl::Indices & k_indices,
  std::vector<float> & k_sqr_distances, unsigned int max_nn) const
{
  k_indices.clear();
  k_sqr_distances.clear();
  const float sqr_radius = squaredRadius(radius);
  if (!(sqr_radius > 0.0F) || !isFinite(point)) {
    return 0;  // nothing lies closer than 0 (or NaN), and nothing is near a point at infinity
  }
  const bool limited = max_nn > 0 && max_nn <= points_.size();
  const double reach = reachOf(sqr_radius);
  if (!limited && gridServes(point, reach)) {
    return searchGrid(point, sqr_radius, reach, k_indices, k_sqr_distances);
  }
  std::vector<Neighbour> found = searchAll(point, sqr_radius);
  if (limited) {
    // As the kd-tree: a limited search returns the nearest, sorted.
    const std::size_t kept = std::min<std::size_t>(max_nn, found.size());
    std::partial_sort(found.begin(), found.begin() + kept, found.end(), nearer);
    found.resize(kept);
  } else if (!found.empty()) {
    std::iter_swap(found.begin(), std::min_element(found.begin(), found.end(), nearer));
  }
  for (const Neighbour & n : found) {
    k_indices.push_back(n.index);
    k_sqr_distances.push_back(n.sqr_distance);
  }
  return static_cast<int>(found.size());
}

int PlanarGridSearch::nearestKSearch(
  const pcl::PointXYZ & point, int k, pcl::Indices & k_indices,
  std::vector<float> & k_sqr_distances) const
{
  k_indices.clear();
  k_sqr_distances.clear();
  if (k <= 0) {
    return 0;
  }
  std::vector<Neighbour> found = searchAll(point, std::numeric_limits<float>::infinity());
  const std::size_t kept = std::min<std::size_t>(static_cast<std::size_t>(k), found.size());
  std::partial_sort(found.begin(), found.begin() + kept, found.end(), nearer);
  for (std::size_t i = 0; i < kept; ++i) {
    k_indices.push_back(found[i].index);
    k_sqr_distances.push_back(found[i].sqr_distance);
  }
  return static_cast<int>(kept);
}

bool PlanarGridSearch::nearer(const Neighbour & a, const Neighbour & b)
{
  return a.sqr_distance < b.sqr_distance || (a.sqr_distance == b.sqr_distance && a.rank < b.rank);
}

int64_t PlanarGridSearch::cellKey(int64_t column, int64_t row) const
{
  // Both lie within +-MAX_CELL_COORDINATE (+ rings), well inside 31 bits.
  return column * (int64_t{1} << 32) + (row + (int64_t{1} << 31));
}

int64_t PlanarGridSearch::cellOf(float coordinate) const
{
  return static_cast<int64_t>(std::floor(static_cast<double>(coordinate) / cell_size_));
}

bool PlanarGridSearch::gridServes(const pcl::PointXYZ & point, double reach) const
{
  return grid_usable_ && reach <= static_cast<double>(MAX_RINGS) * cell_size_ &&
         std::abs(point.x) / cell_size_ <= MAX_CELL_COORDINATE &&
         std::abs(point.y) / cell_size_ <= MAX_CELL_COORDINATE;
}

int PlanarGridSearch::searchGrid(
  const pcl::PointXYZ & point, float sqr_radius, double reach, pcl::Indices & k_indices,
  std::vector<float> & k_sqr_distances) const
{
  const auto rings = static_cast<int64_t>(std::ceil(reach / cell_size_));
  const int64_t query_column = cellOf(point.x);
  const int64_t query_row = cellOf(point.y);
  std::size_t nearest = 0;
  pcl::index_t nearest_rank = 0;
  // Each column's rows from query_row - rings to query_row + rings are one run of points.
  for (int64_t column = query_column - rings; column <= query_column + rings; ++column) {
    const auto first =
      std::lower_bound(keys_.begin(), keys_.end(), cellKey(column, query_row - rings));
    const auto last = std::upper_bound(first, keys_.end(), cellKey(column, query_row + rings));
    const auto end = static_cast<std::size_t>(last - keys_.begin());
    for (auto i = static_cast<std::size_t>(first - keys_.begin()); i < end; ++i) {
      const GridPoint & p = points_[i];
      const float d = squaredDistance(point, p.x, p.y, p.z);
      if (!(d < sqr_radius)) {
        continue;
      }
      if (
        k_indices.empty() || d < k_sqr_distances[nearest] ||
        (d == k_sqr_distances[nearest] && p.rank < nearest_rank)) {
        nearest = k_indices.size();
        nearest_rank = p.rank;
      }
      k_indices.push_back(p.index);
      k_sqr_distances.push_back(d);
    }
  }
  if (!k_indices.empty()) {
    std::swap(k_indices.front(), k_indices[nearest]);
    std::swap(k_sqr_distances.front(), k_sqr_distances[nearest]);
  }
  return static_cast<int>(k_indices.size());
}

std::vector<PlanarGridSearch::Neighbour> PlanarGridSearch::searchAll(
  const pcl::PointXYZ & point, float sqr_radius) const
{
  std::vector<Neighbour> found;
  for (const GridPoint & p : points_) {
    const float d = squaredDistance(point, p.x, p.y, p.z);
    if (d < sqr_radius) {
      found.push_back(Neighbour{d, p.rank, p.index});
    }
  }
  return found;
}

}  // namespace quillon_dynamic_detector
