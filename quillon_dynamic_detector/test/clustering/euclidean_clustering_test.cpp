#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/euclidean_clustering.hpp"

using namespace cluster_builders;
using quillon_dynamic_detector::ClusteringConfig;
using quillon_dynamic_detector::ClusteringContext;
using quillon_dynamic_detector::extractClusters;
using quillon_dynamic_detector::laserScanToCloud;
using quillon_dynamic_detector::makeClusterer;

namespace
{

using Cloud = pcl::PointCloud<pcl::PointXYZ>;

constexpr float INF = std::numeric_limits<float>::infinity();

// Three runs of beams 0.25 degrees apart (8.7 mm at 2 m, well inside the tolerance), split by 40
// missing beams (0.35 m): groups of 12, 30 and 9 points.
std::vector<std::size_t> clusterSizes(const ClusteringConfig & config)
{
  const auto clusterer = makeClusterer(config);
  ClusterList clusters;
  const auto scan = makeScan(
    rangeRuns({{12, 2.0F}, {40, NO_RETURN}, {30, 2.0F}, {40, NO_RETURN}, {9, 2.0F}}), 0.0F,
    PI_F / 720.0F);
  extractClusters(ClusteringContext{config, *clusterer}, scan, clusters);
  std::vector<std::size_t> sizes;
  for (const ClusterCloud & c : clusters) {
    sizes.push_back(c->size());
  }
  return sizes;
}

TEST(LaserScanToCloud, KeepsBeamsFromRangeMinUpToMaxRangeAndSkipsThoseWithoutReturn)
{
  ClusteringConfig config;
  config.max_range = 4.1;  // 4.1f lies just below it, the next float just above
  const float above_limit = std::nextafter(4.1F, 5.0F);
  const float below_minimum = std::nextafter(0.05F, 0.0F);
  const auto scan = makeScan(
    {NO_RETURN, INF, -INF, FLT_MAX, 4.1F, above_limit, 0.0F, -1.0F, 2.0F, -0.0F, below_minimum,
     0.05F},
    -0.5F, 0.25F);
  auto cloud = std::make_shared<Cloud>();
  cloud->push_back(pcl::PointXYZ(9.0F, 9.0F, 9.0F));  // earlier content is replaced

  laserScanToCloud(scan, cloud, config, 0.05F);

  ASSERT_EQ(3u, cloud->size());
  EXPECT_EQ(3u, cloud->width);
  EXPECT_EQ(1u, cloud->height);
  EXPECT_TRUE(cloud->is_dense);
  // Beam i points along (float)i * increment + angle_min, in single precision.
  // (volatile keeps the compiler from folding sin and cos at build time, with other rounding)
  const int beams[] = {4, 8, 11};
  const float ranges[] = {4.1F, 2.0F, 0.05F};
  for (std::size_t k = 0; k < 3; ++k) {
    const volatile float angle = static_cast<float>(beams[k]) * 0.25F + -0.5F;
    EXPECT_EQ(ranges[k] * std::cos(angle), (*cloud)[k].x) << "beam " << beams[k];
    EXPECT_EQ(ranges[k] * std::sin(angle), (*cloud)[k].y) << "beam " << beams[k];
    EXPECT_EQ(0.0F, (*cloud)[k].z);
  }

  // Without a minimum (NaN or 0) zero and negative ranges still make no point.
  laserScanToCloud(scan, cloud, config, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(4u, cloud->size());
  laserScanToCloud(scan, cloud, config, 0.0F);
  EXPECT_EQ(4u, cloud->size());

  // Null inputs are ignored.
  laserScanToCloud(nullptr, cloud, config, 0.05F);
  EXPECT_EQ(4u, cloud->size());
  laserScanToCloud(scan, nullptr, config, 0.05F);
}

// Scanners report beams without an echo as 0 or below their minimum range. Such beams would all
// sit on the scanner and form a cluster there: a person who is not there.
TEST(ExtractClusters, ZeroNegativeAndBelowMinimumReturnsClusterLikeNoReturn)
{
  const ClusteringConfig config;
  const auto clusterer = makeClusterer(config);
  const ClusteringContext context{config, *clusterer, 0.05F};
  const auto clustersOf = [&](const std::vector<float> & ranges) {
    ClusterList clusters;
    extractClusters(context, makeScan(ranges), clusters);
    std::vector<std::vector<std::pair<float, float>>> points;
    for (const ClusterCloud & c : clusters) {
      points.push_back(pointsOf({c}));
    }
    return points;
  };
  // 200 beams either side of a leg 1 m ahead carry the reading under test.
  const auto withReading = [](std::vector<float> ranges, float reading) {
    for (std::size_t i = 290; i < 490; ++i) {
      ranges[i] = reading;
      ranges[i + 300] = reading;
    }
    return ranges;
  };
  Room room;
  room.circles.push_back({1.0F, 0.0F, 0.06F});
  for (const bool walls : {false, true}) {
    SCOPED_TRACE(walls ? "static scan: walls and a leg" : "moving scan: a leg alone");
    const std::vector<float> ranges = makeRoomScan(room, walls)->ranges;
    const auto expected = clustersOf(withReading(ranges, NO_RETURN));
    ASSERT_EQ(walls ? 5u : 1u, expected.size());  // the leg and the walls' four stretches
    for (const float reading : {0.0F, -0.0F, -1.0F, 0.049F}) {
      EXPECT_EQ(expected, clustersOf(withReading(ranges, reading))) << "reading " << reading;
    }
  }
  // A scan of nothing but such beams yields no cluster at all.
  for (const float reading : {0.0F, -0.5F, 0.01F}) {
    EXPECT_TRUE(clustersOf(rangeRuns({{200, reading}})).empty()) << "reading " << reading;
  }
}

// Ranges no scanner measures would overflow the kd-tree (a crash), whatever the range limit says.
TEST(ExtractClusters, RangesOfAbsurdMagnitudeAreNoReturns)
{
  ClusteringConfig config;
  config.max_range = 1e30;
  const auto clusterer = makeClusterer(config);
  ClusterList clusters;
  const float far = static_cast<float>(quillon_dynamic_detector::MAX_RANGE_MAGNITUDE);
  const auto scan = makeScan(
    rangeRuns({{20, -FLT_MAX}, {20, 2.0F}, {20, 1e30F}, {20, -1e20F}, {12, far}, {12, -far}}), 0.0F,
    PI_F / 720.0F);
  auto cloud = std::make_shared<Cloud>();
  laserScanToCloud(scan, cloud, config, 0.0F);
  EXPECT_EQ(20u + 12u, cloud->size());  // the 2 m run and the run at the limit itself
  extractClusters(ClusteringContext{config, *clusterer}, scan, clusters);
  ASSERT_EQ(1u, clusters.size());  // points 1000 km out lie kilometres apart
  EXPECT_EQ(20u, clusters[0]->size());
}

TEST(ExtractClusters, ReturnsGroupsLargestFirstWithinTheSizeLimits)
{
  ClusteringConfig config;  // sizes 10 .. 1000: the 9-point group is too small
  EXPECT_EQ((std::vector<std::size_t>{30, 12}), clusterSizes(config));
  config.min_cluster_size = 9;  // limits are inclusive
  EXPECT_EQ((std::vector<std::size_t>{30, 12, 9}), clusterSizes(config));
  // A group above the maximum is dropped whole, not split into allowed pieces.
  config.max_cluster_size = 29;
  EXPECT_EQ((std::vector<std::size_t>{12, 9}), clusterSizes(config));
}

// With far_min_cluster_size, a small group is kept beyond far_range and dropped within it, and
// with leg_min_cluster_size it stays there for the leg merge; the groups of the scan above lie
// 2 m away.
TEST(ExtractClusters, FarAwayASmallerGroupIsEnoughOrStaysForTheLegMergeWhenSet)
{
  // Either key keeps the 9-point group (min 10: too small) beyond far_range only.
  for (int32_t ClusteringConfig::*far_size :
       {&ClusteringConfig::far_min_cluster_size, &ClusteringConfig::leg_min_cluster_size}) {
    ClusteringConfig config;
    config.*far_size = 9;
    config.far_range = 1.9;
    EXPECT_EQ((std::vector<std::size_t>{30, 12, 9}), clusterSizes(config));
    config.far_range = 2.1;
    EXPECT_EQ((std::vector<std::size_t>{30, 12}), clusterSizes(config));
    config.far_range = 1.9;
    config.*far_size = 10;
    EXPECT_EQ((std::vector<std::size_t>{30, 12}), clusterSizes(config)) << "not small enough";
  }
  ClusteringConfig config;
  config.far_range = 1.9;
  EXPECT_EQ((std::vector<std::size_t>{30, 12}), clusterSizes(config)) << "off";
  // A larger far size does not raise the near one, nor drop a near group of min_cluster_size.
  config.far_min_cluster_size = 20;
  config.far_range = 5.0;
  EXPECT_EQ((std::vector<std::size_t>{30, 12}), clusterSizes(config));
}

TEST(ExtractClusters, ScanWithoutUsableBeamsLeavesTheListAsItWas)
{
  const ClusteringConfig config;
  const auto clusterer = makeClusterer(config);
  const ClusteringContext context{config, *clusterer};
  const ClusterCloud earlier = makeLeg(1.0F, 0.0F);
  ClusterList clusters{earlier};

  extractClusters(
    context, makeScan(rangeRuns({{20, NO_RETURN}, {20, INF}, {20, FLT_MAX}, {20, 5.01F}})),
    clusters);
  ASSERT_EQ(1u, clusters.size());
  EXPECT_EQ(earlier, clusters[0]);

  extractClusters(context, nullptr, clusters);
  EXPECT_EQ(1u, clusters.size());

  // Usable beams but too few for a cluster: the list is replaced by an empty one.
  extractClusters(context, makeScan(rangeRuns({{5, 2.0F}})), clusters);
  EXPECT_TRUE(clusters.empty());
}

TEST(ExtractClusters, SameScanTwiceGivesTheSameClustersInTheSameOrder)
{
  Room room;
  addPerson(room, 1.5F, 0.5F);
  addPerson(room, 2.0F, -1.0F);
  addPerson(room, -1.0F, 1.8F);
  const auto scan = makeRoomScan(room);
  const ClusteringConfig config;
  const auto clusterer = makeClusterer(config);
  const ClusteringContext context{config, *clusterer};

  ClusterList first;
  extractClusters(context, scan, first);
  ClusterList second;
  extractClusters(context, scan, second);

  ASSERT_GE(first.size(), 6u);  // the walls within 5 m, and the legs
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t k = 0; k < first.size(); ++k) {
    EXPECT_NE(first[k], second[k]);  // fresh clouds every call
    EXPECT_EQ(pointsOf({first[k]}), pointsOf({second[k]})) << "cluster " << k;
    if (k > 0) {
      EXPECT_GE(first[k - 1]->size(), first[k]->size());
    }
  }
}

}  // namespace
