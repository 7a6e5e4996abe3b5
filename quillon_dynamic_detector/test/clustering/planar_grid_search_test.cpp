#include <gtest/gtest.h>

#include <pcl/search/kdtree.h>
#include <pcl/segmentation/extract_clusters.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/planar_grid_search.hpp"

using quillon_dynamic_detector::ClusteringConfig;
using quillon_dynamic_detector::PlanarGridSearch;

namespace
{

using Cloud = pcl::PointCloud<pcl::PointXYZ>;
using Search = pcl::search::Search<pcl::PointXYZ>;

constexpr float TOLERANCE = 0.18F;

// A named cloud, so that a failure says which one.
struct Case
{
  std::string name;
  Cloud::Ptr cloud;
};

Cloud::Ptr cloudOf(const std::vector<pcl::PointXYZ> & points)
{
  auto cloud = std::make_shared<Cloud>();
  for (const pcl::PointXYZ & p : points) {
    cloud->push_back(p);
  }
  return cloud;
}

// `count` points spread evenly over a square of `side` metres (z = 0, or up to 5 cm).
Cloud::Ptr randomCloud(std::mt19937 & rng, int count, float side, bool flat = true)
{
  std::uniform_real_distribution<float> along(-side / 2.0F, side / 2.0F);
  std::uniform_real_distribution<float> height(0.0F, 0.05F);
  std::vector<pcl::PointXYZ> points;
  for (int i = 0; i < count; ++i) {
    points.emplace_back(along(rng), along(rng), flat ? 0.0F : height(rng));
  }
  return cloudOf(points);
}

// A room scan with people in it, converted as the pipeline converts scans.
Cloud::Ptr roomScanCloud(std::mt19937 & rng, std::size_t beams)
{
  std::uniform_real_distribution<float> x(-3.5F, 3.5F);
  std::uniform_real_distribution<float> y(-2.5F, 2.5F);
  cluster_builders::Room room;
  for (int p = 0; p < 6; ++p) {
    cluster_builders::addPerson(room, x(rng), y(rng));
  }
  const auto scan = cluster_builders::makeRoomScan(
    room, true, beams, -0.75F * cluster_builders::PI_F,
    1.5F * cluster_builders::PI_F / static_cast<float>(beams - 1));
  auto cloud = std::make_shared<Cloud>();
  quillon_dynamic_detector::laserScanToCloud(scan, cloud, ClusteringConfig{}, 0.0F);
  return cloud;
}

// The same cloud with copies of some of its points, inserted before and after the originals.
Cloud::Ptr withDuplicates(std::mt19937 & rng, const Cloud & cloud, int copies)
{
  std::vector<pcl::PointXYZ> points(cloud.begin(), cloud.end());
  std::uniform_int_distribution<std::size_t> pick(0, points.size() - 1);
  for (int c = 0; c < copies; ++c) {
    const pcl::PointXYZ copy = points[pick(rng)];
    points.insert(points.begin() + static_cast<std::ptrdiff_t>(pick(rng)), copy);
  }
  return cloudOf(points);
}

// Pairs of points whose distance lies within a few units in the last place of the tolerance,
// either side and exactly on it, in every direction.
Cloud::Ptr knifeEdgePairs(std::mt19937 & rng, int pairs)
{
  std::uniform_real_distribution<float> along(-4.0F, 4.0F);
  std::uniform_real_distribution<float> direction(0.0F, 2.0F * cluster_builders::PI_F);
  std::uniform_int_distribution<int> ulps(-3, 3);
  std::vector<pcl::PointXYZ> points;
  for (int i = 0; i < pairs; ++i) {
    const float x = along(rng);
    const float y = along(rng);
    const float angle = direction(rng);
    const float distance = TOLERANCE * (1.0F + static_cast<float>(ulps(rng)) * 6.0e-8F);
    points.emplace_back(x, y, 0.0F);
    if (i % 4 == 0) {  // along an axis the squared distance can equal the limit exactly
      points.emplace_back(x + distance, y, 0.0F);
    } else {
      points.emplace_back(x + distance * std::cos(angle), y + distance * std::sin(angle), 0.0F);
    }
  }
  return cloudOf(points);
}

// `groups` tight groups of `size` points each, far apart, listed in shuffled order: clusters of
// equal size, whose order only the extraction's sort decides.
Cloud::Ptr equalGroups(std::mt19937 & rng, int groups, int size)
{
  std::vector<pcl::PointXYZ> points;
  for (int g = 0; g < groups; ++g) {
    for (int i = 0; i < size; ++i) {
      points.emplace_back(static_cast<float>(g % 7), static_cast<float>(g / 7) + 0.01F * i, 0.0F);
    }
  }
  std::shuffle(points.begin(), points.end(), rng);
  return cloudOf(points);
}

std::vector<Case> cases()
{
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> count(1, 1500);
  std::uniform_real_distribution<float> side(0.2F, 10.0F);
  std::vector<Case> all;
  for (int k = 0; k < 40; ++k) {
    all.push_back(
      {"random " + std::to_string(k), randomCloud(rng, count(rng), side(rng), k % 5 != 0)});
  }
  for (const std::size_t beams : {100u, 541u, 1081u, 2048u, 4096u}) {
    const Cloud::Ptr scan = roomScanCloud(rng, beams);
    all.push_back({"room scan " + std::to_string(beams), scan});
    all.push_back(
      {"room scan with duplicates " + std::to_string(beams), withDuplicates(rng, *scan, 60)});
  }
  for (int k = 0; k < 10; ++k) {
    const Cloud::Ptr dense = randomCloud(rng, 300, 0.5F);
    all.push_back({"dense with duplicates " + std::to_string(k), withDuplicates(rng, *dense, 300)});
    all.push_back({"knife edge " + std::to_string(k), knifeEdgePairs(rng, 400)});
  }
  all.push_back({"equal groups", equalGroups(rng, 40, 12)});
  all.push_back({"one point", cloudOf({pcl::PointXYZ(1.0F, 2.0F, 0.0F)})});
  all.push_back(
    {"one point many times", cloudOf(std::vector<pcl::PointXYZ>(50, {0.5F, 0.5F, 0.0F}))});
  return all;
}

std::vector<pcl::PointIndices> clustersOf(
  const Cloud::Ptr & cloud, const Search::Ptr & search, double tolerance, int min_size,
  int max_size)
{
  pcl::EuclideanClusterExtraction<pcl::PointXYZ> extraction;
  extraction.setClusterTolerance(tolerance);
  extraction.setMinClusterSize(min_size);
  extraction.setMaxClusterSize(max_size);
  extraction.setSearchMethod(search);
  extraction.setInputCloud(cloud);
  std::vector<pcl::PointIndices> clusters;
  extraction.extract(clusters);
  return clusters;
}

// Neighbours sorted by index, with their squared distances.
std::vector<std::pair<pcl::index_t, float>> asSet(
  const pcl::Indices & indices, const std::vector<float> & distances)
{
  std::vector<std::pair<pcl::index_t, float>> set;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    set.emplace_back(indices[i], distances.at(i));
  }
  std::sort(set.begin(), set.end());
  return set;
}

}  // namespace

// The clustering reads which points a search finds and which one it reports first; both must be
// the kd-tree's, and so must the clusters, their order included.
TEST(PlanarGridSearch, FindsWhatTheKdTreeFindsAndClustersAlike)
{
  for (const Case & c : cases()) {
    SCOPED_TRACE(c.name + ", " + std::to_string(c.cloud->size()) + " points");
    for (const double radius : {static_cast<double>(TOLERANCE), 0.05, 0.3, 0.6}) {
      SCOPED_TRACE("radius " + std::to_string(radius));
      pcl::search::KdTree<pcl::PointXYZ> tree(true);
      tree.setInputCloud(c.cloud);
      PlanarGridSearch grid(TOLERANCE);  // the grid laid out for one radius serves all
      grid.setInputCloud(c.cloud);
      pcl::Indices tree_indices, grid_indices;
      std::vector<float> tree_distances, grid_distances;
      for (const pcl::PointXYZ & p : *c.cloud) {
        const int found = tree.radiusSearch(p, radius, tree_indices, tree_distances);
        ASSERT_EQ(found, grid.radiusSearch(p, radius, grid_indices, grid_distances));
        ASSERT_GT(found, 0);  // the query itself
        ASSERT_EQ(tree_indices.front(), grid_indices.front());
        ASSERT_EQ(asSet(tree_indices, tree_distances), asSet(grid_indices, grid_distances));
      }
    }
    for (const auto & [min_size, max_size] : {std::pair{1, 100000}, std::pair{10, 1000}}) {
      const auto expected = clustersOf(
        c.cloud, std::make_shared<pcl::search::KdTree<pcl::PointXYZ>>(true), TOLERANCE, min_size,
        max_size);
      const auto actual = clustersOf(
        c.cloud, std::make_shared<PlanarGridSearch>(TOLERANCE), TOLERANCE, min_size, max_size);
      ASSERT_EQ(expected.size(), actual.size());
      for (std::size_t k = 0; k < expected.size(); ++k) {
        ASSERT_EQ(expected[k].indices, actual[k].indices) << "cluster " << k;
      }
    }
  }
}

TEST(PlanarGridSearch, LimitsOddRadiiIndicesAndPointsWithoutPosition)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  auto cloud = cloudOf(
    {{0.0F, 0.0F, 0.0F},
     {0.1F, 0.0F, 0.0F},
     {nan, 0.0F, 0.0F},
     {0.0F, inf, 0.0F},
     {0.2F, 0.0F, 0.0F},
     {0.1F, 0.0F, 0.0F},
     {1e20F, 0.0F, 0.0F}});
  cloud->is_dense = false;
  PlanarGridSearch grid(TOLERANCE);
  pcl::Indices indices;
  std::vector<float> distances;

  grid.setInputCloud(cloud);
  EXPECT_EQ(4, grid.radiusSearch(pcl::PointXYZ(0.1F, 0.0F, 0.0F), 0.15, indices, distances));
  EXPECT_EQ(1, indices.front());  // of the two points at the query, the earlier comes first
  // Asked for two, the search returns the two nearest, sorted.
  EXPECT_EQ(2, grid.radiusSearch(pcl::PointXYZ(0.1F, 0.0F, 0.0F), 0.15, indices, distances, 2));
  EXPECT_EQ((pcl::Indices{1, 5}), indices);
  // A radius of 0, NaN or any radius around a point without position finds nothing.
  EXPECT_EQ(0, grid.radiusSearch((*cloud)[0], 0.0, indices, distances));
  EXPECT_EQ(0, grid.radiusSearch((*cloud)[0], std::nan(""), indices, distances));
  EXPECT_EQ(0, grid.radiusSearch((*cloud)[2], 1.0, indices, distances));
  EXPECT_TRUE(indices.empty() && distances.empty());
  // A radius beyond float range reaches every point with a finite squared distance.
  EXPECT_EQ(4, grid.radiusSearch((*cloud)[0], 1e30, indices, distances));
  EXPECT_EQ(4, grid.nearestKSearch((*cloud)[0], 9, indices, distances));
  EXPECT_EQ((pcl::Indices{0, 1, 5, 4}), indices);

  // Built over some indices, the search sees only those and reports cloud indices.
  grid.setInputCloud(cloud, std::make_shared<pcl::Indices>(pcl::Indices{4, 5, 2}));
  EXPECT_EQ(2, grid.radiusSearch((*cloud)[1], TOLERANCE, indices, distances));
  EXPECT_EQ(5, indices.front());
}
