#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "quillon_tools/simulation/laser_scanner.hpp"
#include "quillon_tools/simulation/ray_casting.hpp"
#include "quillon_tools/simulation/world.hpp"

namespace quillon_tools
{
namespace
{

using V = Eigen::Vector2d;
constexpr double INF = std::numeric_limits<double>::infinity();

V heading(double angle) { return {std::cos(angle), std::sin(angle)}; }

// A person standing with both (bare) legs at one spot.
std::vector<PersonOutline> personAt(const V & centre)
{
  return {personOutline(0, {centre, centre}, LegShape{})};
}

ScanScene sceneAt(const Pose2D & scanner, std::vector<PersonOutline> people = {})
{
  return {scanner, std::move(people)};
}

TEST(RayCasting, SegmentsAndCirclesGiveTheNearestHitInFront)
{
  const V origin(0.0, 0.0);
  // Wall x = 3 straight ahead, and at 45 degrees.
  EXPECT_DOUBLE_EQ(rayToSegment(origin, heading(0.0), V(3.0, -1.0), V(3.0, 1.0)), 3.0);
  EXPECT_NEAR(
    rayToSegment(origin, heading(M_PI / 4), V(2.0, -5.0), V(2.0, 5.0)), 2.0 * std::sqrt(2.0),
    1e-12);
  EXPECT_EQ(rayToSegment(origin, heading(M_PI), V(3.0, -1.0), V(3.0, 1.0)), INF);
  EXPECT_EQ(rayToSegment(origin, heading(0.0), V(3.0, 1.0), V(3.0, 2.0)), INF);
  EXPECT_EQ(rayToSegment(origin, heading(0.0), V(1.0, 0.0), V(5.0, 0.0)), INF);

  // Circle at 5 m: through the centre, off-centre (chord), missed and behind.
  EXPECT_DOUBLE_EQ(rayToCircle(origin, heading(0.0), V(5.0, 0.0), 0.5), 4.5);
  EXPECT_NEAR(rayToCircle(origin, heading(0.0), V(5.0, 0.3), 0.5), 4.6, 1e-12);
  EXPECT_EQ(rayToCircle(origin, heading(0.0), V(5.0, 0.6), 0.5), INF);
  EXPECT_EQ(rayToCircle(origin, heading(0.0), V(-5.0, 0.0), 0.5), INF);
  // From inside, the ray leaves through the far side.
  EXPECT_DOUBLE_EQ(rayToCircle(origin, heading(0.0), V(0.1, 0.0), 0.5), 0.6);

  EXPECT_DOUBLE_EQ(pointToSegment(V(1.0, 2.0), V(0.0, 0.0), V(3.0, 0.0)), 2.0);
  EXPECT_DOUBLE_EQ(pointToSegment(V(-3.0, 4.0), V(0.0, 0.0), V(3.0, 0.0)), 5.0);
}

TEST(RayCasting, WorldReportsNearestSurfaceAndClearance)
{
  World world;
  world.addWall(V(4.0, -10.0), V(4.0, 10.0));
  world.addPillar(V(2.0, 0.0), 0.2);
  world.addBox(V(-3.0, 0.0), 1.0, 2.0, 0.0);
  world.addTable(V(0.0, 5.0), 1.2, 0.8);

  EXPECT_DOUBLE_EQ(world.castRay(V(0, 0), heading(0.0), {}).range, 1.8);
  EXPECT_DOUBLE_EQ(world.castRay(V(0, 0), heading(M_PI), {}).range, 2.5);
  EXPECT_EQ(world.castRay(V(0, 0), heading(-M_PI / 2), {}).range, INF);
  // A person in front hides the pillar, and the hit says whose leg it was and how squarely.
  const RayHit leg = world.castRay(V(0, 0), heading(0.0), personAt(V(1.0, 0.0)));
  EXPECT_DOUBLE_EQ(leg.range, 0.94);
  EXPECT_EQ(leg.person, 0);
  EXPECT_DOUBLE_EQ(leg.cosine, 1.0);
  const RayHit glancing = world.castRay(V(0, 0.05), heading(0.0), personAt(V(1.0, 0.0)));
  EXPECT_EQ(glancing.person, 0);
  EXPECT_NEAR(glancing.cosine, std::sqrt(1.0 - 0.05 * 0.05 / (0.06 * 0.06)), 1e-12);
  const RayHit pillar = world.castRay(V(0, 0.05), heading(0.0), {});
  EXPECT_EQ(pillar.person, -1);
  EXPECT_FALSE(pillar.sameSurface(world.castRay(V(0, 0), heading(M_PI), {})));

  EXPECT_NEAR(world.clearance(V(3.0, 5.0)), 1.0, 1e-12);
  EXPECT_LT(world.clearance(V(-3.0, 0.5)), 0.0);  // inside the box
  EXPECT_LT(world.clearance(V(2.05, 0.0)), 0.0);  // inside the pillar

  // Every item is reported: pillar, box, four table legs.
  ASSERT_EQ(world.furniture().size(), 6U);
  EXPECT_EQ(world.furniture()[1].kind, "box");
  EXPECT_NEAR(world.furniture()[1].radius, 0.5 * std::sqrt(5.0), 1e-12);
  EXPECT_EQ(world.furniture()[2].kind, "table_leg");
  EXPECT_DOUBLE_EQ(world.furniture()[2].radius, 0.025);
}

TEST(RayCasting, ScanWithoutNoiseHasExactRangesAndLimits)
{
  World world;
  world.addWall(V(4.0, -10.0), V(4.0, 10.0));
  world.addPillar(V(0.0, -3.0), 0.5);
  ScanSettings settings;
  settings.beams = 5;  // -90, -45, 0, 45, 90 degrees
  settings.fov = M_PI;
  settings.noise_stddev = 0.0;
  settings.dropout_probability = 0.0;
  SeededNoise noise(7);

  auto scan = renderScan(settings, world, sceneAt({}), "base_scan_01", 1500000000, noise).scan;
  ASSERT_EQ(scan.ranges.size(), 5U);
  EXPECT_FLOAT_EQ(scan.ranges[0], 2.5F);
  EXPECT_FLOAT_EQ(scan.ranges[1], static_cast<float>(4.0 * std::sqrt(2.0)));
  EXPECT_FLOAT_EQ(scan.ranges[2], 4.0F);
  EXPECT_FLOAT_EQ(scan.ranges[3], static_cast<float>(4.0 * std::sqrt(2.0)));
  EXPECT_TRUE(std::isinf(scan.ranges[4]) && scan.ranges[4] > 0.0F);
  EXPECT_EQ(scan.header.frame_id, "base_scan_01");
  EXPECT_EQ(scan.header.stamp.sec, 1);
  EXPECT_EQ(scan.header.stamp.nanosec, 500000000U);

  // The scanner's pose in the world turns and moves the beams; a leg circle blocks them.
  const Pose2D turned{1.0, 0.0, M_PI / 2};
  const RenderedScan with_person =
    renderScan(settings, world, sceneAt(turned, personAt(V(1.0, 2.0))), "f", 0, noise);
  scan = with_person.scan;
  EXPECT_EQ(with_person.person_of_beam, (std::vector<int>{-1, -1, 0, -1, -1}));
  EXPECT_FLOAT_EQ(scan.ranges[0], 3.0F);  // facing +x now
  EXPECT_FLOAT_EQ(scan.ranges[2], 1.94F);

  // Beyond range_max is +inf, closer than range_min -inf, a dropout NaN.
  settings.range_max = 5.0;
  settings.range_min = 3.0;
  scan = renderScan(settings, world, sceneAt({}), "f", 0, noise).scan;
  EXPECT_TRUE(std::isinf(scan.ranges[1]) && scan.ranges[1] > 0.0F);
  EXPECT_TRUE(std::isinf(scan.ranges[0]) && scan.ranges[0] < 0.0F);
  EXPECT_FLOAT_EQ(scan.ranges[2], 4.0F);
  settings.dropout_probability = 1.0;
  scan = renderScan(settings, world, sceneAt({}), "f", 0, noise).scan;
  for (float r : scan.ranges) {
    EXPECT_TRUE(std::isnan(r));
  }
}

TEST(RayCasting, NoiseHasTheConfiguredSpread)
{
  World world;
  world.addWall(V(4.0, -100.0), V(4.0, 100.0));
  ScanSettings settings;
  settings.beams = 2001;
  settings.fov = 0.2;
  settings.noise_stddev = 0.01;
  settings.dropout_probability = 0.0;
  SeededNoise noise(3);
  const auto scan = renderScan(settings, world, sceneAt({}), "f", 0, noise).scan;
  double sum = 0.0;
  double sum_squared = 0.0;
  for (size_t i = 0; i < scan.ranges.size(); ++i) {
    const double angle = scan.angle_min + static_cast<double>(i) * scan.angle_increment;
    const double error = scan.ranges[i] - 4.0 / std::cos(angle);
    sum += error;
    sum_squared += error * error;
  }
  const double n = static_cast<double>(scan.ranges.size());
  EXPECT_NEAR(sum / n, 0.0, 0.001);
  EXPECT_NEAR(std::sqrt(sum_squared / n), 0.01, 0.001);
}

TEST(RayCasting, BadSettingsAreRefused)
{
  ScanSettings s;
  EXPECT_NO_THROW(validate(s));
  s.beams = 1;
  EXPECT_THROW(validate(s), std::invalid_argument);
  s = ScanSettings{};
  s.noise_stddev = std::nan("");
  EXPECT_THROW(validate(s), std::invalid_argument);
  s = ScanSettings{};
  s.dropout_probability = 1.5;
  EXPECT_THROW(validate(s), std::invalid_argument);
  s = ScanSettings{};
  s.range_max = 0.01;
  EXPECT_THROW(validate(s), std::invalid_argument);
}

}  // namespace
}  // namespace quillon_tools
