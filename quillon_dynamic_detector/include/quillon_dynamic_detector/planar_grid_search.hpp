#ifndef QUILLON_DYNAMIC_DETECTOR__PLANAR_GRID_SEARCH_HPP_
#define QUILLON_DYNAMIC_DETECTOR__PLANAR_GRID_SEARCH_HPP_

#include <cstdint>
#include <vector>

#include <pcl/point_types.h>
#include <pcl/search/search.h>

namespace quillon_dynamic_detector
{

// Radius search over points binned in a square grid on x and y, made for the Euclidean
// clustering of laser scans, where a kd-tree spends most of its time on bookkeeping.
//
// It finds exactly the neighbours that pcl::search::KdTree finds: squared distances are summed in
// single precision over x, y and z as FLANN sums them, and a point is a neighbour when that sum
// lies strictly below the radius squared and narrowed to float. It reports them as the kd-tree
// with sorted results does as far as the clustering reads them: the nearest first, the earlier
// point first among equally near ones; the others follow in no particular order. The clustering
// skips the first neighbour of a sorted search, so that is the one that must match.
//
// The grid is laid out for one radius; other radii are served too, more slowly. Points that are
// not finite are never neighbours. Searches may run side by side, but not beside setInputCloud.
class PlanarGridSearch : public pcl::search::Search<pcl::PointXYZ>
{
public:
  using Base = pcl::search::Search<pcl::PointXYZ>;
  using Base::nearestKSearch;
  using Base::radiusSearch;

  // `radius`: the search radius the grid cells are sized for (m).
  explicit PlanarGridSearch(double radius);

  // Bins the finite points of `cloud` (those listed in `indices`, when given).
  void setInputCloud(
    const PointCloudConstPtr & cloud, const IndicesConstPtr & indices = IndicesConstPtr()) override;

  // Neighbours of `point` closer than `radius`, as described above; with `max_nn` > 0 only the
  // `max_nn` nearest (the earlier point first among equally near ones), sorted. Returns their
  // number.
  int radiusSearch(
    const pcl::PointXYZ & point, double radius, pcl::Indices & k_indices,
    std::vector<float> & k_sqr_distances, unsigned int max_nn = 0) const override;

  // The `k` nearest points, sorted, the earlier point first among equally near ones. Looks at
  // every point: the clustering never asks for it.
  int nearestKSearch(
    const pcl::PointXYZ & point, int k, pcl::Indices & k_indices,
    std::vector<float> & k_sqr_distances) const override;

private:
  struct GridPoint
  {
    float x;
    float y;
    float z;
    pcl::index_t rank;   // position among the searched points: breaks ties as the kd-tree does
    pcl::index_t index;  // index into the input cloud
  };

  struct Neighbour
  {
    float sqr_distance;
    pcl::index_t rank;
    pcl::index_t index;
  };

  // Ties go to the earlier point, as in the kd-tree's sorted results.
  static bool nearer(const Neighbour & a, const Neighbour & b);
  // Cell column and row packed so that keys sort by column, then row.
  int64_t cellKey(int64_t column, int64_t row) const;
  int64_t cellOf(float coordinate) const;
  bool gridServes(const pcl::PointXYZ & point, double reach) const;
  int searchGrid(
    const pcl::PointXYZ & point, float sqr_radius, double reach, pcl::Indices & k_indices,
    std::vector<float> & k_sqr_distances) const;
  // Every point within `sqr_radius`, in no particular order.
  std::vector<Neighbour> searchAll(const pcl::PointXYZ & point, float sqr_radius) const;

  double cell_size_;
  bool grid_usable_ = false;
  std::vector<GridPoint> points_;  // by cell key, then rank
  std::vector<int64_t> keys_;      // the cell key of each of points_
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__PLANAR_GRID_SEARCH_HPP_
