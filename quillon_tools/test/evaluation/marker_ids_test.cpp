#include <gtest/gtest.h>

#include <string>

#include "evaluation_builders.hpp"
#include "quillon_tools/evaluation/marker_ids.hpp"

namespace quillon_tools
{
namespace
{

using visualization_msgs::msg::Marker;

Marker marker(
  const std::string & ns, int32_t id, double x, double y, int32_t type = Marker::TEXT_VIEW_FACING,
  int32_t action = Marker::ADD)
{
  Marker m;
  m.ns = ns;
  m.id = id;
  m.type = type;
  m.action = action;
  m.pose.position.x = x;
  m.pose.position.y = y;
  m.pose.position.z = 0.4;
  return m;
}

TEST(MarkerIds, ObjectsTakeTheIdOfTheirLabel)
{
  const auto scored = test::scoredList(
    0, "base_scan_01",
    {test::object(1.0, 2.0), test::object(-3.0, 0.5), test::object(4.0, 4.0),
     test::object(0.0, -1.0), test::object(5.0, 5.0)});
  visualization_msgs::msg::MarkerArray markers;
  markers.markers = {
    marker("pedestrian_polygon", 90, 1.0, 2.0, Marker::LINE_STRIP),
    marker("pedestrian_label", 7, 1.0, 2.0),
    marker("fused_pedestrian_label", 21, -3.0004, 0.5003),
    marker("pedestrian_label", 8, 4.0, 4.0, Marker::TEXT_VIEW_FACING, Marker::DELETE),
    marker("pedestrian_arrow", 8, 4.0, 4.0, Marker::ARROW),
    marker("pedestrian_label", 30, 0.0008, -1.0),
    marker("pedestrian_label", 31, 0.0002, -1.0),
    marker("pedestrian_label", 40, 5.0015, 5.0)};
  EXPECT_EQ(
    idsFromMarkers(scored.list, markers),
    (std::vector<int32_t>{7, 21, UNKNOWN_OBJECT_ID, 31, UNKNOWN_OBJECT_ID}));
  EXPECT_EQ(idsFromMarkers(scored.list, markers, 2e-3)[4], 40);
  EXPECT_EQ(
    idsFromMarkers(scored.list, visualization_msgs::msg::MarkerArray()),
    std::vector<int32_t>(5, UNKNOWN_OBJECT_ID));
}

}  // namespace
}  // namespace quillon_tools
