#include "quillon_dynamic_detector/local_static_map.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include <flann/algorithms/dist.h>
#include <flann/algorithms/kdtree_single_index.h>
#include <flann/util/matrix.h>
#include <flann/util/result_set.h>

namespace quillon_dynamic_detector
{

static_assert(sizeof(pcl::PointXY) == 2 * sizeof(float), "the kd-tree reads x, y pairs in place");

// The index that pcl::KdTreeFLANN<pcl::PointXY> builds (exact search, 15 points per leaf), queried
// directly: every query through pcl::KdTreeFLANN enters an OpenMP region, which costs more than
// the search itself for one point.
struct LocalStaticMap::KdTree
{
  explicit KdTree(const pcl::PointCloud<pcl::PointXY> & cloud)
  : index(
      flann::Matrix<float>(
        const_cast<float *>(&cloud.front().x), cloud.size(), 2, sizeof(pcl::PointXY)),
      flann::KDTreeSingleIndexParams(15))
  {
    index.buildIndex();
  }

  // Index and squared distance of the nearest point, or nothing.
  bool nearest(const PlanarPoint & p, std::size_t & nearest, float & squared_distance) const
  {
    const float query[2] = {p.x, p.y};
    flann::KNNSimpleResultSet<float> result(1);
    index.findNeighbors(result, query, flann::SearchParams(-1, 0.0f));
    if (result.size() < 1) {
      return false;
    }
    result.copy(&nearest, &squared_distance, 1);
    return true;
  }

  flann::KDTreeSingleIndex<flann::L2_Simple<float>> index;
};

namespace
{

// Single precision throughout, so that every machine draws the same boundaries.
float squaredDistance(float ax, float ay, float bx, float by)
{
  const float dx = ax - bx;
  const float dy = ay - by;
  return dx * dx + dy * dy;
}

template <typename A, typename B>
float singlePrecisionDistance(const A & a, const B & b)
{
  return std::sqrt(squaredDistance(a.x, a.y, b.x, b.y));
}

}  // namespace

uint64_t staticCandidateCellKey(const PlanarPoint & p, float resolution)
{
  const float res = std::max(resolution, 0.001f);
  return packCellKey(std::llroundf(p.x / res), std::llroundf(p.y / res));
}

LocalStaticMap::LocalStaticMap(const GeometricDetectorConfig & config) : config_(config) {}

LocalStaticMap::~LocalStaticMap() = default;

void LocalStaticMap::pruneMap(double t, const PlanarPoint & robot, double max_age)
{
  const auto expired = [&](const MapPoint & m) {
    return t - m.stamp > max_age || singlePrecisionDistance(m, robot) > config_.local_map_max_range;
  };
  if (config_.static_refresh_distance > 0.0f) {
    // Refreshed points are no longer in age order: each is examined.
    points_.erase(std::remove_if(points_.begin(), points_.end(), expired), points_.end());
    index_is_map_front_ = false;
  } else {
    // Only the front is examined: an old or far point behind a younger one waits its turn.
    while (!points_.empty() && expired(points_.front())) {
      popFront();
    }
  }
  while (points_.size() > sizeCap()) {
    popFront();
  }
  dirty_ = true;
}

void LocalStaticMap::pruneCandidates(double t, const PlanarPoint & robot)
{
  const double max_age = static_cast<double>(config_.geometric_static_candidate_max_age);
  for (auto it = candidates_.begin(); it != candidates_.end();) {
    const StaticCandidate & c = it->second;
    if (
      t - c.last_time > max_age ||
      singlePrecisionDistance(c, robot) > config_.local_map_max_range) {
      it = candidates_.erase(it);
    } else {
      ++it;
    }
  }
}

void LocalStaticMap::rebuildIndex()
{
  index_cloud_.clear();
  map_cloud_.clear();
  index_cloud_.reserve(points_.size());
  map_cloud_.reserve(points_.size());
  for (const MapPoint & m : points_) {
    pcl::PointXY indexed;
    indexed.x = m.x;
    indexed.y = m.y;
    index_cloud_.push_back(indexed);
    map_cloud_.push_back(pcl::PointXYZ(m.x, m.y, 0.0f));
  }
  // An empty index cloud stands for "no index".
  kdtree_ = index_cloud_.empty() ? nullptr : std::make_unique<KdTree>(index_cloud_);
  map_cloud_.width = static_cast<uint32_t>(map_cloud_.size());
  map_cloud_.height = 1;
  map_cloud_.is_dense = true;
  dirty_ = false;
  index_is_map_front_ = true;
  indexed_points_ = points_.size();
}

float LocalStaticMap::nearestMapDistance(const PlanarPoint & p) const
{
  if (index_cloud_.empty()) {
    return std::numeric_limits<float>::infinity();
  }
  float squared_distance = 0.0f;
  std::size_t nearest = 0;
  if (!kdtree_->nearest(p, nearest, squared_distance)) {
    return std::numeric_limits<float>::infinity();
  }
  return std::sqrt(squared_distance);
}

void LocalStaticMap::observeStatic(const PlanarPoint & p, bool edge, bool bootstrap, double t)
{
  // Bootstrap lets a robot that stands still fill an empty map from a single scan.
  if (bootstrap && !edge) {
    insertPoint(p, t);
    return;
  }
  const uint64_t key = candidateKeyFor(p);
  StaticCandidate & c = candidates_[key];
  if (
    c.hits == 0 ||
    t - c.last_time > static_cast<double>(config_.geometric_static_candidate_max_age)) {
    c.x = p.x;
    c.y = p.y;
    c.hits = 1;
    c.first_time = t;
    c.last_time = t;
    return;
  }
  const int32_t n = c.hits + 1;
  c.x = (c.x * static_cast<float>(c.hits) + p.x) / static_cast<float>(n);
  c.y = (c.y * static_cast<float>(c.hits) + p.y) / static_cast<float>(n);
  c.hits = n;
  c.last_time = t;
  const int32_t needed = edge ? config_.geometric_static_candidate_edge_confirm_hits
                              : config_.geometric_static_candidate_confirm_hits;
  const double confirm_time = static_cast<double>(config_.geometric_static_candidate_confirm_time);
  const bool long_enough = !(confirm_time > 0.0) || t - c.first_time >= confirm_time;
  if (n >= needed && long_enough) {
    // The candidate is used up even when its mean is too close to an existing point.
    insertPoint(PlanarPoint{c.x, c.y}, t);
    candidates_.erase(key);
  }
}

void LocalStaticMap::forgetCandidateAt(const PlanarPoint & p)
{
  candidates_.erase(staticCandidateCellKey(p, config_.geometric_static_candidate_resolution));
}

void LocalStaticMap::trimMap()
{
  while (points_.size() > sizeCap()) {
    popFront();
    dirty_ = true;
  }
}

void LocalStaticMap::clear()
{
  points_.clear();
  candidates_.clear();
  index_cloud_.clear();
  kdtree_.reset();
  map_cloud_.clear();
  dirty_ = true;
  index_is_map_front_ = false;
  indexed_points_ = 0;
}

void LocalStaticMap::insertPoint(const PlanarPoint & p, double t)
{
  if (config_.static_refresh_distance > 0.0f && refreshNearestWithin(p, t)) {
    return;
  }
  if (!hasPointCloserThanSeparation(p)) {
    points_.push_back(MapPoint{p.x, p.y, t});
    dirty_ = true;
  }
}

bool LocalStaticMap::hasPointCloserThanSeparation(const PlanarPoint & p) const
{
  const float separation = config_.static_insert_min_separation;
  std::size_t first_unindexed = 0;
  if (index_is_map_front_) {
    // The kd-tree measures the same single-precision squared distance as the loop below, so
    // its nearest point decides for every indexed point at once.
    if (nearestMapDistance(p) < separation) {
      return true;
    }
    first_unindexed = indexed_points_;
  }
  for (std::size_t i = first_unindexed; i < points_.size(); ++i) {
    if (singlePrecisionDistance(points_[i], p) < separation) {
      return true;
    }
  }
  return false;
}

bool LocalStaticMap::refreshNearestWithin(const PlanarPoint & p, double t)
{
  const float reach = config_.static_refresh_distance;
  float best = reach * reach;
  std::size_t best_index = points_.size();
  std::size_t first_unindexed = 0;
  if (index_is_map_front_) {
    std::size_t nearest = 0;
    float squared_distance = 0.0f;
    if (kdtree_ && kdtree_->nearest(p, nearest, squared_distance) && squared_distance < best) {
      best = squared_distance;
      best_index = nearest;
    }
    first_unindexed = indexed_points_;
  }
  for (std::size_t i = first_unindexed; i < points_.size(); ++i) {
    const float squared_distance = squaredDistance(points_[i].x, points_[i].y, p.x, p.y);
    if (squared_distance < best) {
      best = squared_distance;
      best_index = i;
    }
  }
  if (best_index == points_.size()) {
    return false;
  }
  points_[best_index].stamp = t;
  return true;
}

uint64_t LocalStaticMap::candidateKeyFor(const PlanarPoint & p) const
{
  const float radius = std::max(
    config_.geometric_static_candidate_resolution, config_.geometric_static_candidate_match_radius);
  float best = radius * radius;
  bool found = false;
  uint64_t best_key = 0;
  for (const auto & [key, c] : candidates_) {
    const float d2 = squaredDistance(c.x, c.y, p.x, p.y);
    // Equal distances go to the smaller key, whatever order the hash table iterates in.
    if (d2 < best || (d2 == best && (!found || key < best_key))) {
      best = d2;
      best_key = key;
      found = true;
    }
  }
  return found ? best_key
               : staticCandidateCellKey(p, config_.geometric_static_candidate_resolution);
}

void LocalStaticMap::popFront()
{
  points_.pop_front();
  index_is_map_front_ = false;
}

std::size_t LocalStaticMap::sizeCap() const
{
  return static_cast<std::size_t>(std::max(config_.local_map_max_points, 0));
}

}  // namespace quillon_dynamic_detector
