// Walls and furniture found from a still scanner's own recording.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "quillon_tools/evaluation/static_structure.hpp"

using quillon_tools::StaticStructure;

namespace
{

constexpr float NO_ECHO = std::numeric_limits<float>::infinity();

sensor_msgs::msg::LaserScan scanOf(const std::vector<float> & ranges)
{
  sensor_msgs::msg::LaserScan scan;
  scan.angle_min = 0.0f;
  scan.angle_increment = 0.5f;
  scan.range_min = 0.05f;
  scan.range_max = 10.0f;
  scan.ranges = ranges;
  return scan;
}

}  // namespace

// Beam 0 sees a wall that gives no echo in one scan of ten, beam 1 a wall that a person crosses
// twice, beam 2 a wall as often missing as seen, beam 3 nothing at all. Only readings within 5 cm
// of a structure beam's median are its structure returns.
TEST(StaticStructure, ABeamIsStructureWhereItKeepsItsRange)
{
  std::vector<sensor_msgs::msg::LaserScan> scans;
  for (int i = 0; i < 10; ++i) {
    scans.push_back(scanOf(
      {i == 4 ? NO_ECHO : 3.0f + 0.01f * static_cast<float>(i % 3), i == 2 || i == 7 ? 1.2f : 4.0f,
       i % 2 == 0 ? 2.0f : 0.0f, NO_ECHO}));
  }
  scans.push_back(scanOf({3.0f, 4.0f}));  // another scanner's beam count: left out
  const StaticStructure structure(scans);
  EXPECT_EQ(structure.structureBeams(), 2u);
  EXPECT_TRUE(structure.isStructureReturn(0, 3.04f));
  EXPECT_FALSE(structure.isStructureReturn(0, 3.2f));
  EXPECT_TRUE(structure.isStructureReturn(1, 4.0f));
  EXPECT_FALSE(structure.isStructureReturn(1, 1.2f));  // the person
  EXPECT_FALSE(structure.isStructureReturn(2, 2.0f));
  EXPECT_FALSE(structure.isStructureReturn(3, NO_ECHO));
  EXPECT_FALSE(structure.isStructureReturn(9, 3.0f));  // no such beam

  const auto points = structure.points();
  ASSERT_EQ(points.size(), 2u);
  EXPECT_NEAR(points[1].x, 4.0 * std::cos(0.5), 1e-6);
  EXPECT_NEAR(points[1].y, 4.0 * std::sin(0.5), 1e-6);
  EXPECT_EQ(StaticStructure({}).structureBeams(), 0u);
}
