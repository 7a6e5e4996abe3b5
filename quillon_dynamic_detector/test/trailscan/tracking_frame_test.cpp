#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <Eigen/Geometry>

#include "object_builders.hpp"
#include "quillon_dynamic_detector/tracking_frame.hpp"

using quillon_dynamic_detector::PlanarMotion;

namespace
{

// The robot 12 m, -7 m from odom's origin, turned by 2 rad: the frame the scan pipeline carries
// tracks' predicted places back from.
PlanarMotion odomFromScanner()
{
  Eigen::Affine3f transform =
    Eigen::Translation3f(12.0F, -7.0F, 0.0F) * Eigen::AngleAxisf(2.0F, Eigen::Vector3f::UnitZ());
  return PlanarMotion::fromMatrix(transform.matrix());
}

TEST(PlanarMotion, ExpectedPeopleMoveAsObjectsDoAndTheInverseBringsThemBack)
{
  const PlanarMotion motion = odomFromScanner();
  std::vector<quillon_dynamic_detector::ExpectedPerson> places{
    {{1.0F, 0.5F}, {1.0F, 0.0F}}, {{-2.0F, 3.0F}, {0.0F, 0.0F}}};
  std::vector<quillon_protocol::msg::Object> objects{
    object_builders::objectAt(1.0, 0.5, 5), object_builders::objectAt(-2.0, 3.0, 5)};
  objects[0].velocity_x = 1.0;
  motion.apply(places);
  motion.apply(objects);
  for (std::size_t i = 0; i < places.size(); ++i) {
    EXPECT_NEAR(objects[i].pose.position.x, places[i].place.x(), 1e-4);
    EXPECT_NEAR(objects[i].pose.position.y, places[i].place.y(), 1e-4);
    EXPECT_NEAR(objects[i].velocity_x, places[i].velocity.x(), 1e-5);
    EXPECT_NEAR(objects[i].velocity_y, places[i].velocity.y(), 1e-5);
  }
  EXPECT_NEAR(12.0 + std::cos(2.0) - 0.5 * std::sin(2.0), places[0].place.x(), 1e-4);
  EXPECT_NEAR(std::sin(2.0), places[0].velocity.y(), 1e-5) << "velocities turn, not move";
  motion.inverse().apply(places);
  EXPECT_NEAR(1.0F, places[0].place.x(), 1e-4);
  EXPECT_NEAR(0.5F, places[0].place.y(), 1e-4);
}

}  // namespace
