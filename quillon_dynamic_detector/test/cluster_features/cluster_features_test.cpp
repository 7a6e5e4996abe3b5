#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/cluster_features.hpp"
#include "quillon_dynamic_detector/clustering_config.hpp"
#include "quillon_dynamic_detector/euclidean_clustering.hpp"

using namespace cluster_builders;
using quillon_dynamic_detector::ClusterFeatures;
using quillon_dynamic_detector::computeClusterFeatures;

namespace
{

constexpr double PI = 3.14159265358979323846;
constexpr float NAN_F = std::numeric_limits<float>::quiet_NaN();

// Measures `cluster` and fails when anything (PCL) wrote to stderr meanwhile.
ClusterFeatures measureQuietly(const ClusterCloud & cluster)
{
  testing::internal::CaptureStderr();
  const ClusterFeatures features = computeClusterFeatures(cluster);
  const std::string noise = testing::internal::GetCapturedStderr();
  EXPECT_EQ("", noise);
  return features;
}

TEST(ClusterFeatures, SquareHasItsAreaAndCompactnessPiOverFour)
{
  // 5 x 5 points over a 0.4 m square centred at (2, 1); edge and inner points are no vertices.
  const ClusterFeatures f = measureQuietly(makeGrid(2.0F, 1.0F, 5, 5, 0.1F));

  EXPECT_NEAR(0.4, f.width, 1e-6);
  EXPECT_NEAR(0.4, f.length, 1e-6);
  EXPECT_NEAR(1.0, f.aspect_ratio, 1e-6);
  EXPECT_NEAR(0.16, f.area, 1e-6);
  EXPECT_NEAR(PI / 4.0, f.compactness, 1e-5);
  EXPECT_EQ(25, f.point_count);
  EXPECT_NEAR(std::sqrt(5.0), f.range, 1e-6);
  EXPECT_NEAR(std::atan2(1.0, 2.0), f.bearing, 1e-6);
  EXPECT_EQ(0.0, f.velocity_x);
  EXPECT_EQ(0.0, f.velocity_y);
  EXPECT_EQ(0.0, f.speed);
  EXPECT_EQ(0.0, f.reserved);
}

// The outline is the convex hull: a notch, points inside and on its edges, and a repeated corner
// change nothing, nor does the order the points come in, to the last bit.
TEST(ClusterFeatures, TheOutlineIsTheConvexHullWhateverOrderThePointsComeIn)
{
  // A 0.2 m x 0.1 m rectangle with its corners at x 1.0-1.2, y 0.5-0.6.
  const std::vector<std::pair<float, float>> points = {
    {1.0F, 0.5F},  {1.2F, 0.5F},   {1.2F, 0.6F}, {1.0F, 0.6F},  // corners
    {1.1F, 0.5F},  {1.2F, 0.55F},                               // on edges
    {1.1F, 0.58F}, {1.05F, 0.52F},                              // notch and inside
    {1.2F, 0.5F}};                                              // a corner again
  const ClusterFeatures f = measureQuietly(makeCluster(points));
  EXPECT_NEAR(0.02, f.area, 1e-7);
  EXPECT_NEAR(0.02 * 4.0 * PI / (0.6 * 0.6), f.compactness, 1e-6);

  const std::vector<std::pair<float, float>> reversed(points.rbegin(), points.rend());
  const ClusterFeatures g = measureQuietly(makeCluster(reversed));
  EXPECT_EQ(f.area, g.area);
  EXPECT_EQ(f.compactness, g.compactness);
}

TEST(ClusterFeatures, ThinClustersGetAspectOneHundred)
{
  // All points share one x: no x-extent, and no hull either.
  const ClusterFeatures line =
    measureQuietly(makeCluster({{-1.0F, 0.0F}, {-1.0F, 0.1F}, {-1.0F, 0.2F}, {-1.0F, 0.3F}}));
  EXPECT_EQ(0.0, line.width);
  EXPECT_NEAR(0.3, line.length, 1e-7);
  EXPECT_EQ(100.0, line.aspect_ratio);
  EXPECT_EQ(0.0, line.area);
  EXPECT_EQ(0.0, line.compactness);
  EXPECT_NEAR(std::hypot(1.0, 0.15), line.range, 1e-6);
  EXPECT_NEAR(std::atan2(0.15, -1.0), line.bearing, 1e-6);

  // An x-extent of exactly 0.01f is not above the limit; the next float is.
  const ClusterFeatures at_limit =
    measureQuietly(makeCluster({{0.0F, 0.0F}, {0.01F, 0.05F}, {0.0F, 0.1F}}));
  EXPECT_EQ(static_cast<double>(0.01F), at_limit.width);
  EXPECT_EQ(100.0, at_limit.aspect_ratio);
  EXPECT_GT(at_limit.area, 0.0);

  const float above = std::nextafter(0.01F, 1.0F);
  const ClusterFeatures over_limit =
    measureQuietly(makeCluster({{0.0F, 0.0F}, {above, 0.05F}, {0.0F, 0.1F}}));
  EXPECT_EQ(static_cast<double>(0.1F) / static_cast<double>(above), over_limit.aspect_ratio);
}

TEST(ClusterFeatures, DegenerateHullsGiveZeroAreaWithoutConsoleNoise)
{
  const std::vector<ClusterCloud> degenerate{
    makeCluster({{1.0F, 1.0F}}),
    makeCluster({{1.0F, 1.0F}, {1.1F, 1.2F}}),
    makeCluster({{1.0F, 1.0F}, {1.0F, 1.0F}, {1.0F, 1.0F}}),
    makeCluster({{0.5F, 0.5F}, {0.75F, 0.75F}, {1.0F, 1.0F}, {1.25F, 1.25F}, {1.5F, 1.5F}}),
  };
  for (const ClusterCloud & cluster : degenerate) {
    const ClusterFeatures f = measureQuietly(cluster);
    EXPECT_EQ(0.0, f.area) << cluster->size() << " points";
    EXPECT_EQ(0.0, f.compactness) << cluster->size() << " points";
    EXPECT_EQ(static_cast<int32_t>(cluster->size()), f.point_count);
    EXPECT_TRUE(std::isfinite(f.range));
  }

  // A straight wall as the scanner sees it: rounding leaves the points almost, but not exactly,
  // on one line.
  const quillon_dynamic_detector::ClusteringConfig config;
  std::vector<float> ranges;
  for (int i = 0; i < 40; ++i) {
    ranges.push_back(2.0F / std::cos(static_cast<float>(i - 20) * 0.004F));
  }
  auto wall = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
  const auto scan = makeScan(ranges, -0.08F, 0.004F);
  quillon_dynamic_detector::laserScanToCloud(scan, wall, config, scan->range_min);
  const ClusterFeatures f = measureQuietly(wall);
  EXPECT_LT(f.area, 1e-6);
  EXPECT_LT(f.width, 1e-5);
  EXPECT_NEAR(2.0 * (std::tan(0.076) - std::tan(-0.08)), f.length, 1e-5);
}

TEST(ClusterFeatures, NonDenseCloudsCountOnlyFinitePoints)
{
  ClusterCloud cluster =
    makeCluster({{0.0F, 0.0F}, {0.2F, 0.0F}, {NAN_F, 5.0F}, {0.2F, 0.2F}, {0.0F, 0.2F}});
  cluster->is_dense = false;
  const ClusterFeatures f = measureQuietly(cluster);
  EXPECT_NEAR(0.2, f.width, 1e-7);
  EXPECT_NEAR(0.04, f.area, 1e-7);
  EXPECT_NEAR(std::hypot(0.1, 0.1), f.range, 1e-7);
  EXPECT_EQ(5, f.point_count);

  // Nothing finite: no measure can be made, which NaN says without crashing.
  ClusterCloud hollow = makeCluster({{NAN_F, NAN_F}, {NAN_F, 1.0F}});
  hollow->is_dense = false;
  const ClusterFeatures none = measureQuietly(hollow);
  EXPECT_TRUE(std::isnan(none.width));
  EXPECT_TRUE(std::isnan(none.range));
  EXPECT_EQ(0.0, none.area);
  EXPECT_EQ(2, none.point_count);

  EXPECT_THROW(computeClusterFeatures(nullptr), std::invalid_argument);
  EXPECT_THROW(computeClusterFeatures(makeCluster({})), std::invalid_argument);
}

}  // namespace
