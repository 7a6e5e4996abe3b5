#ifndef QUILLON_DYNAMIC_DETECTOR__LOCAL_STATIC_MAP_HPP_
#define QUILLON_DYNAMIC_DETECTOR__LOCAL_STATIC_MAP_HPP_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include "quillon_dynamic_detector/geometric_detector_config.hpp"

namespace quillon_dynamic_detector
{

// A point in the plane, in metres ("odom" unless said otherwise).
struct PlanarPoint
{
  float x = 0.0f;
  float y = 0.0f;
};

// One learnt static point and the stamp of the scan that inserted it (or last refreshed it).
struct MapPoint
{
  float x = 0.0f;
  float y = 0.0f;
  double stamp = 0.0;
};

// Repeated sightings of one spot, averaged until they are enough to make it a map point.
struct StaticCandidate
{
  float x = 0.0f;
  float y = 0.0f;
  double first_time = 0.0;  // of the sighting that started it
  double last_time = 0.0;
  int32_t hits = 0;
};

// Key of the grid cell (ix, iy): the column in the high 32 bits, the low 32 bits of the row
// below. Computed unsigned so that negative columns are well defined.
constexpr uint64_t packCellKey(int64_t ix, int64_t iy)
{
  return (static_cast<uint64_t>(ix) << 32) | (static_cast<uint64_t>(iy) & 0xFFFFFFFFull);
}

// Key of the candidate cell holding `p`, for cells of `resolution` metres (at least 1 mm).
uint64_t staticCandidateCellKey(const PlanarPoint & p, float resolution);

// The detector's short-lived memory of static points around the robot, in "odom": the points in
// insertion order, a kd-tree over them rebuilt once per scan, and the table of static candidates
// that turns repeated sightings of one spot into a new point.
class LocalStaticMap
{
public:
  explicit LocalStaticMap(const GeometricDetectorConfig & config);
  ~LocalStaticMap();
  LocalStaticMap(const LocalStaticMap &) = delete;
  LocalStaticMap & operator=(const LocalStaticMap &) = delete;

  // Start of scan: drops points older than `max_age` (s) or far from the robot from the front,
  // then caps the size.
  void pruneMap(double t, const PlanarPoint & robot, double max_age);
  // The same with local_map_max_age.
  void pruneMap(double t, const PlanarPoint & robot)
  {
    pruneMap(t, robot, static_cast<double>(config_.local_map_max_age));
  }
  // Start of scan: drops candidates not seen for too long or too far from the robot.
  void pruneCandidates(double t, const PlanarPoint & robot);
  // True when the index no longer matches the map.
  bool isDirty() const { return dirty_; }
  void rebuildIndex();

  // Distance from `p` to the nearest indexed point; +infinity without any.
  float nearestMapDistance(const PlanarPoint & p) const;
  int mapSize() const { return static_cast<int>(points_.size()); }
  // True when the last rebuild found the map empty (or it has been cleared since).
  bool isIndexEmpty() const { return index_cloud_.empty(); }

  // Learns one beam's point as possibly static (`edge`: the beam is at a range jump).
  void observeStatic(const PlanarPoint & p, bool edge, bool bootstrap, double t);
  // Makes `p` a map point at once, as a confirmed candidate would be.
  void learnNow(const PlanarPoint & p, double t) { insertPoint(p, t); }
  // Drops the candidate stored in the cell of `p`, if any.
  void forgetCandidateAt(const PlanarPoint & p);
  // End of scan: caps the size.
  void trimMap();
  // Forgets every point and candidate, as at construction.
  void clear();

  const std::deque<MapPoint> & points() const { return points_; }
  const std::unordered_map<uint64_t, StaticCandidate> & candidates() const { return candidates_; }
  // The indexed points with z = 0, in "odom".
  const pcl::PointCloud<pcl::PointXYZ> & mapCloud() const { return map_cloud_; }

private:
  // FLANN's single kd-tree (the index pcl::KdTreeFLANN builds), kept out of this header.
  struct KdTree;

  // Refreshes a map point near `p` (with static_refresh_distance), else appends `p` unless a map
  // point lies closer than the minimum separation.
  void insertPoint(const PlanarPoint & p, double t);
  bool hasPointCloserThanSeparation(const PlanarPoint & p) const;
  // With static_refresh_distance: restarts the age of the map point nearest `p` within that
  // distance; false when there is none.
  bool refreshNearestWithin(const PlanarPoint & p, double t);
  uint64_t candidateKeyFor(const PlanarPoint & p) const;
  void popFront();
  std::size_t sizeCap() const;

  GeometricDetectorConfig config_;
  std::deque<MapPoint> points_;
  pcl::PointCloud<pcl::PointXY> index_cloud_;
  std::unique_ptr<KdTree> kdtree_;
  pcl::PointCloud<pcl::PointXYZ> map_cloud_;
  std::unordered_map<uint64_t, StaticCandidate> candidates_;
  bool dirty_ = true;
  // While no point has left the map since the last rebuild, its first `indexed_points_` points
  // are exactly the indexed ones, so the spacing test can ask the kd-tree for them.
  bool index_is_map_front_ = false;
  std::size_t indexed_points_ = 0;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__LOCAL_STATIC_MAP_HPP_
