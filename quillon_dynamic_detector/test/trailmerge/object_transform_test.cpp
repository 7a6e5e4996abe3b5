#include <gtest/gtest.h>

#include <cmath>

#include "object_builders.hpp"
#include "quillon_dynamic_detector/object_transform.hpp"

using object_builders::objectAt;
using object_builders::planarTransform;
using object_builders::withShapeAndReserved;
using object_builders::withVelocity;
using quillon_dynamic_detector::applyTransform;
using quillon_dynamic_detector::transformVelocity;

// A quarter turn carries the pose, the outline and the velocity; the translation moves the
// positions but never the velocity.
TEST(ApplyTransform, QuarterTurnRotatesVelocityWhateverTheTranslation)
{
  const auto object = withShapeAndReserved(withVelocity(objectAt(1.0, 0.0, 12), 1.0, 0.0));
  for (const double tx : {0.0, 0.3, -250.0}) {
    const auto transform =
      planarTransform("base_footprint", "base_scan_01", tx, 2.0 * tx + 0.5, M_PI / 2.0);
    const auto out = applyTransform(object, transform);

    EXPECT_NEAR(out.velocity_x, 0.0, 1e-9);
    EXPECT_NEAR(out.velocity_y, 1.0, 1e-9);
    EXPECT_NEAR(out.speed, 1.0, 1e-9);
    EXPECT_NEAR(out.pose.position.x, tx, 1e-9);
    EXPECT_NEAR(out.pose.position.y, 2.0 * tx + 1.5, 1e-9);
    EXPECT_NEAR(out.pose.orientation.z, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(out.pose.orientation.w, std::sqrt(0.5), 1e-12);
    EXPECT_DOUBLE_EQ(out.range, std::hypot(out.pose.position.x, out.pose.position.y));
    EXPECT_DOUBLE_EQ(out.bearing, std::atan2(out.pose.position.y, out.pose.position.x));

    // Outline corner (0.9, -0.1) turns to (0.1, 0.9) before the shift.
    ASSERT_EQ(out.polygon.size(), 4u);
    EXPECT_NEAR(out.polygon[0].x, tx + 0.1, 1e-4);
    EXPECT_NEAR(out.polygon[0].y, 2.0 * tx + 0.5 + 0.9, 1e-4);

    // Everything else is carried unchanged.
    auto expected = out;
    expected.pose = object.pose;
    expected.polygon = object.polygon;
    expected.velocity_x = object.velocity_x;
    expected.velocity_y = object.velocity_y;
    expected.speed = object.speed;
    expected.range = object.range;
    expected.bearing = object.bearing;
    EXPECT_EQ(expected, object);
  }
}

// A tilted source frame: the part of the velocity that points out of the plane is dropped.
TEST(TransformVelocity, DropsTheVerticalComponent)
{
  auto transform = planarTransform("base_footprint", "base_scan_01", 3.0, 4.0, 0.0);
  transform.transform.rotation.y = std::sqrt(0.5);  // a quarter turn about y: x points down
  transform.transform.rotation.w = std::sqrt(0.5);
  auto object = withVelocity(objectAt(0.0, 0.0), 0.6, 0.8);
  transformVelocity(transform, object);
  EXPECT_NEAR(object.velocity_x, 0.0, 1e-12);
  EXPECT_NEAR(object.velocity_y, 0.8, 1e-12);
  EXPECT_NEAR(object.speed, 0.8, 1e-12);
}
