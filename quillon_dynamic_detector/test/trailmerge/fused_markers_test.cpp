#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "object_builders.hpp"
#include "quillon_dynamic_detector/fused_markers.hpp"
#include "rclcpp/duration.hpp"

using object_builders::Object;
using object_builders::objectAt;
using object_builders::withVelocity;
using quillon_dynamic_detector::appendObjectMarkers;
using quillon_dynamic_detector::assignDisplayIds;
using quillon_dynamic_detector::candidatesWithin;
using quillon_dynamic_detector::DisplayPositions;
using quillon_dynamic_detector::fusedLabelText;
using quillon_dynamic_detector::FusedMarkerConfig;
using visualization_msgs::msg::Marker;

TEST(AssignDisplayIds, IdsFollowObjectsStrictlyWithinTheAssociationDistance)
{
  int32_t next = 0;
  EXPECT_EQ(
    assignDisplayIds({objectAt(0, 0), objectAt(5, 0), objectAt(9, 0)}, {}, next),
    (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(next, 3);

  const DisplayPositions previous{{0, {0.0, 0.0}}, {1, {5.0, 0.0}}, {2, {9.0, 0.0}}};
  // 0.59 away keeps id 0; exactly 0.6 away is a new object; 2 has vanished.
  EXPECT_EQ(
    assignDisplayIds(
      {objectAt(0.59, 0), objectAt(5.0, 0.6)}, candidatesWithin(previous, 0.6), next),
    (std::vector<int32_t>{0, 3}));
  EXPECT_EQ(next, 4);

  // Objects near one old position: the first takes it, the next the nearest other id in reach,
  // the last a new one. Equal distances go to the lower id.
  const DisplayPositions crowd{{1, {0.0, 0.0}}, {2, {0.5, 0.0}}, {3, {-0.5, 0.0}}};
  EXPECT_EQ(
    assignDisplayIds(
      {objectAt(0.0, 0.0), objectAt(0.05, 0.0), objectAt(0.0, 0.1), objectAt(0.1, 0.0)},
      candidatesWithin(crowd, 0.6), next),
    (std::vector<int32_t>{1, 2, 3, 4}));
  const DisplayPositions tie{{3, {-0.5, 0.0}}, {2, {0.5, 0.0}}};
  EXPECT_EQ(
    assignDisplayIds({objectAt(0.0, 0.3)}, candidatesWithin(tie, 0.6), next),
    (std::vector<int32_t>{2}));
}

TEST(FusedLabelText, SpeedWithOneDecimalAndRoundedHeadingAboveTheThreshold)
{
  auto walker = withVelocity(objectAt(1.0, 1.0), 0.66, -0.66);
  walker.speed = 0.93;
  EXPECT_EQ(fusedLabelText(7, walker, 0.1), "FUSED ID:7\n0.9 m/s\n-45 deg");

  walker.speed = 0.1;  // at the threshold: no heading
  EXPECT_EQ(fusedLabelText(3, walker, 0.1), "FUSED ID:3\n0.1 m/s");

  // Halves round away from zero; a heading just below zero shows as 0.
  const double half_degree = -2.5 * M_PI / 180.0;
  const auto tilted = withVelocity(objectAt(0, 0), std::cos(half_degree), std::sin(half_degree));
  ASSERT_EQ(std::atan2(tilted.velocity_y, tilted.velocity_x) * 180.0 / M_PI, -2.5);
  EXPECT_EQ(fusedLabelText(0, tilted, 0.1), "FUSED ID:0\n1.0 m/s\n-3 deg");
  EXPECT_EQ(
    fusedLabelText(0, withVelocity(objectAt(0, 0), 1.0, -0.001), 0.1),
    "FUSED ID:0\n1.0 m/s\n0 deg");
}

TEST(AppendObjectMarkers, OutlineArrowAndLabelInTheListFrame)
{
  std_msgs::msg::Header header;
  header.frame_id = "base_footprint";
  header.stamp.sec = 12;
  const FusedMarkerConfig config;
  std::vector<Marker> markers;
  appendObjectMarkers(withVelocity(objectAt(2.0, 1.0), 0.4, 0.2), 5, header, config, markers);
  ASSERT_EQ(markers.size(), 3u);
  for (const Marker & m : markers) {
    EXPECT_EQ(m.id, 5);
    EXPECT_EQ(m.action, Marker::ADD);
    EXPECT_EQ(m.header, header);
    EXPECT_EQ(rclcpp::Duration(m.lifetime).nanoseconds(), 300000000);
  }
  const Marker & outline = markers[0];
  EXPECT_EQ(outline.ns, "fused_pedestrian_polygon");
  ASSERT_EQ(outline.points.size(), 5u);  // closed ring
  EXPECT_EQ(outline.points.front(), outline.points.back());
  EXPECT_FLOAT_EQ(outline.points[1].x, 2.1f);

  const Marker & arrow = markers[1];
  EXPECT_EQ(arrow.ns, "fused_pedestrian_arrow");
  ASSERT_EQ(arrow.points.size(), 2u);
  EXPECT_DOUBLE_EQ(arrow.points[1].x, 2.2);
  EXPECT_DOUBLE_EQ(arrow.points[1].y, 1.1);

  const Marker & label = markers[2];
  EXPECT_EQ(label.ns, "fused_pedestrian_label");
  EXPECT_DOUBLE_EQ(label.pose.position.z, 0.4);

  // Slow and without an outline: an empty line strip, and the arrow is removed.
  markers.clear();
  auto still = withVelocity(objectAt(2.0, 1.0), 0.1, 0.0);
  still.polygon.clear();
  appendObjectMarkers(still, 6, header, config, markers);
  EXPECT_TRUE(markers[0].points.empty());
  Marker removed_arrow;
  removed_arrow.ns = "fused_pedestrian_arrow";
  removed_arrow.id = 6;
  removed_arrow.action = Marker::DELETE;
  EXPECT_EQ(markers[1], removed_arrow);

  // An arrow whose tip would lie beyond the largest double is removed, not drawn to infinity.
  markers.clear();
  auto absurd = withVelocity(objectAt(2.0, 1.0), DBL_MAX, 0.0);
  absurd.pose.position.x = DBL_MAX;
  appendObjectMarkers(absurd, 6, header, config, markers);
  EXPECT_EQ(markers[1], removed_arrow);
}
