#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "quillon_dynamic_detector/outline_span.hpp"

namespace
{

using geometry_msgs::msg::Point32;
using quillon_dynamic_detector::outlineSpan;

Point32 corner(float x, float y)
{
  Point32 p;
  p.x = x;
  p.y = y;
  return p;
}

// A thin rectangle at any heading: its length is its diagonal and its thickness its short side,
// not the extent along x or y.
TEST(OutlineSpan, MeasuresALineAtAnyHeadingByItsOwnAxes)
{
  const double heading = 0.5;
  const double c = std::cos(heading);
  const double s = std::sin(heading);
  std::vector<Point32> outline;
  for (const auto & [u, v] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {1.0, 0.02}, {0.0, 0.02}}) {
    outline.push_back(
      corner(static_cast<float>(3.0 + c * u - s * v), static_cast<float>(-1.0 + s * u + c * v)));
  }
  const auto span = outlineSpan(outline);
  EXPECT_NEAR(std::hypot(1.0, 0.02), span.length, 1e-5);
  EXPECT_NEAR(0.02, span.thickness, 1e-5);

  // A round leg: a regular octagon 0.12 m across its corners.
  std::vector<Point32> leg;
  for (int i = 0; i < 8; ++i) {
    leg.push_back(corner(0.06f * std::cos(i * M_PI / 4), 0.06f * std::sin(i * M_PI / 4)));
  }
  EXPECT_NEAR(0.12, outlineSpan(leg).length, 1e-6);
  EXPECT_NEAR(0.12 * std::cos(M_PI / 8), outlineSpan(leg).thickness, 1e-6);
}

TEST(OutlineSpan, DegenerateOutlinesHaveNoThicknessAndNonFiniteOnesNoSpan)
{
  EXPECT_EQ(0.0, outlineSpan({}).length);
  const auto two = outlineSpan({corner(0, 0), corner(0.3f, 0.4f)});
  EXPECT_NEAR(0.5, two.length, 1e-6);
  EXPECT_EQ(0.0, two.thickness);
  EXPECT_EQ(0.0, outlineSpan({corner(0, 0), corner(1, 0), corner(2, 0)}).thickness);
  const auto broken = outlineSpan({corner(0, 0), corner(NAN, 0), corner(1, 1)});
  EXPECT_TRUE(std::isnan(broken.length));
  EXPECT_TRUE(std::isnan(broken.thickness));
}

}  // namespace
