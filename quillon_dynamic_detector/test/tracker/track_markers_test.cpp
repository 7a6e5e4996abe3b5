#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "quillon_dynamic_detector/track_markers.hpp"
#include "tracker_builders.hpp"

namespace
{

using quillon_dynamic_detector::appendTrackMarkers;
using quillon_dynamic_detector::MarkerVector;
using quillon_dynamic_detector::PedestrianTracker;
using quillon_dynamic_detector::Track;
using quillon_dynamic_detector::TrackerConfig;
using quillon_dynamic_detector::trackLabelText;
using quillon_dynamic_detector::TrackState;
using tracker_builders::makeDetection;
using tracker_builders::makeTrack;
using visualization_msgs::msg::Marker;
using Object = quillon_protocol::msg::Object;

constexpr double PI = 3.14159265358979323846;

geometry_msgs::msg::Point32 makePoint32(float x, float y, float z)
{
  geometry_msgs::msg::Point32 point;
  point.x = x;
  point.y = y;
  point.z = z;
  return point;
}

builtin_interfaces::msg::Time makeStamp(int32_t sec, uint32_t nanosec)
{
  builtin_interfaces::msg::Time stamp;
  stamp.sec = sec;
  stamp.nanosec = nanosec;
  return stamp;
}

std::string labelFor(
  const TrackerConfig & config, int32_t id, float heading_degrees, float speed,
  TrackState state = TrackState::Confirmed)
{
  const double heading = heading_degrees * PI / 180.0;
  Track track = makeTrack(
    config, id, 0.0f, 0.0f, static_cast<float>(std::cos(heading)),
    static_cast<float>(std::sin(heading)), state);
  track.speed_ema = speed;
  return trackLabelText(track, track.toObject());
}

void expectDeletion(const Marker & marker, const std::string & ns, int32_t id)
{
  EXPECT_EQ(ns, marker.ns);
  EXPECT_EQ(id, marker.id);
  EXPECT_EQ(Marker::DELETE, marker.action);
  EXPECT_EQ("", marker.header.frame_id);
  EXPECT_EQ(0, marker.header.stamp.sec);
  EXPECT_TRUE(marker.points.empty());
}

TEST(TrackMarkers, ObjectIsTheStoredDetectionMovedToTheFilteredState)
{
  const TrackerConfig config;
  Track track = makeTrack(config, 4, 0.9f, 2.2f);
  track.detection.polygon = {makePoint32(0.8f, 2.1f, 0.0f), makePoint32(1.0f, 2.3f, 0.7f)};
  track.detection.width = 0.31;
  track.detection.range = 2.5;
  track.detection.bearing = 1.2;
  track.detection.velocity_x = 9.0;
  track.x << 1.0f, 2.0f, 0.3f, -0.4f;
  track.speed_ema = 0.45f;

  const Object object = track.toObject();
  EXPECT_EQ(1.0, object.pose.position.x);
  EXPECT_EQ(2.0, object.pose.position.y);
  ASSERT_EQ(2u, object.polygon.size());
  EXPECT_FLOAT_EQ(0.9f, object.polygon[0].x);
  EXPECT_FLOAT_EQ(1.9f, object.polygon[0].y);
  EXPECT_FLOAT_EQ(1.1f, object.polygon[1].x);
  EXPECT_FLOAT_EQ(2.1f, object.polygon[1].y);
  EXPECT_EQ(0.7f, object.polygon[1].z);
  EXPECT_EQ(0.3f, static_cast<float>(object.velocity_x));
  EXPECT_EQ(-0.4f, static_cast<float>(object.velocity_y));
  EXPECT_EQ(0.45f, static_cast<float>(object.speed));
  EXPECT_EQ(1, object.classification);
  EXPECT_EQ(0.31, object.width);
  EXPECT_EQ(2.5, object.range) << "range and bearing stay those of the cluster";
  EXPECT_EQ(1.2, object.bearing);
  EXPECT_EQ(track.detection.point_count, object.point_count);
}

TEST(TrackMarkers, LabelLinesForIdSpeedHeadingAndCoasting)
{
  const TrackerConfig config;  // heading shown above 0.1 m/s
  EXPECT_EQ(
    "ID:12\n1.3 m/s\n90 deg\n[coasting]", labelFor(config, 12, 90.0f, 1.26f, TrackState::Coasting));
  EXPECT_EQ("ID:3\n0.0 m/s", labelFor(config, 3, 0.0f, 0.0f));
  EXPECT_EQ("ID:3\n0.1 m/s", labelFor(config, 3, 45.0f, 0.1f)) << "the threshold itself is slow";
  EXPECT_EQ("ID:0\n0.7 m/s\n13 deg", labelFor(config, 0, 12.6f, 0.7f));
  EXPECT_EQ("ID:0\n0.7 m/s\n12 deg", labelFor(config, 0, 12.4f, 0.7f));
  EXPECT_EQ("ID:0\n0.7 m/s\n-13 deg", labelFor(config, 0, -12.6f, 0.7f));
  EXPECT_EQ("ID:0\n0.7 m/s\n180 deg", labelFor(config, 0, 179.6f, 0.7f));
  EXPECT_EQ("ID:0\n0.7 m/s\n-180 deg", labelFor(config, 0, -179.6f, 0.7f));
  EXPECT_EQ("ID:7\n0.0 m/s\n[coasting]", labelFor(config, 7, 0.0f, 0.04f, TrackState::Coasting));
}

TEST(TrackMarkers, OutlineArrowAndLabelOfOneTrack)
{
  const TrackerConfig config;  // arrow above 0.1 m/s
  const auto stamp = makeStamp(17, 250);
  Track track = makeTrack(config, 5, 1.0f, 2.0f, 0.4f, -0.2f, TrackState::Coasting);
  track.speed_ema = 0.5f;
  track.detection.polygon = {
    makePoint32(0.9f, 1.9f, 0.0f), makePoint32(1.1f, 1.9f, 0.0f), makePoint32(1.0f, 2.1f, 0.0f)};

  MarkerVector markers;
  appendTrackMarkers(track, "base_scan_01", stamp, markers);
  ASSERT_EQ(3u, markers.size());
  for (const Marker & marker : markers) {
    EXPECT_EQ("base_scan_01", marker.header.frame_id);
    EXPECT_EQ(stamp, marker.header.stamp);
    EXPECT_EQ(5, marker.id);
    EXPECT_EQ(Marker::ADD, marker.action);
    EXPECT_EQ(0, marker.lifetime.sec);
    EXPECT_EQ(300000000u, marker.lifetime.nanosec);
    EXPECT_EQ(1.0f, marker.color.a);
    EXPECT_EQ(1.0f, marker.color.r) << "coasting outline and arrow are yellow, labels white";
    EXPECT_EQ(1.0f, marker.color.g);
    EXPECT_FALSE(marker.frame_locked);
  }

  const Marker & outline = markers[0];
  EXPECT_EQ("pedestrian_polygon", outline.ns);
  EXPECT_EQ(Marker::LINE_STRIP, outline.type);
  EXPECT_EQ(0.05, outline.scale.x);
  EXPECT_EQ(0.0f, outline.color.b);
  ASSERT_EQ(4u, outline.points.size());
  EXPECT_FLOAT_EQ(0.9f, static_cast<float>(outline.points[0].x));
  EXPECT_EQ(0.0, outline.points[0].z);
  EXPECT_EQ(outline.points.front(), outline.points.back()) << "closed";

  const Marker & arrow = markers[1];
  EXPECT_EQ("pedestrian_arrow", arrow.ns);
  EXPECT_EQ(Marker::ARROW, arrow.type);
  EXPECT_EQ(0.05, arrow.scale.x);
  EXPECT_EQ(0.12, arrow.scale.y);
  EXPECT_EQ(0.0, arrow.scale.z);
  ASSERT_EQ(2u, arrow.points.size());
  EXPECT_EQ(1.0, arrow.points[0].x);
  EXPECT_EQ(2.0, arrow.points[0].y);
  EXPECT_EQ(0.05, arrow.points[0].z);
  EXPECT_NEAR(1.2, arrow.points[1].x, 1e-7);  // half a second ahead
  EXPECT_NEAR(1.9, arrow.points[1].y, 1e-7);
  EXPECT_EQ(0.05, arrow.points[1].z);

  const Marker & label = markers[2];
  EXPECT_EQ("pedestrian_label", label.ns);
  EXPECT_EQ(Marker::TEXT_VIEW_FACING, label.type);
  EXPECT_EQ(1.0, label.pose.position.x);
  EXPECT_EQ(2.0, label.pose.position.y);
  EXPECT_EQ(0.4, label.pose.position.z);
  EXPECT_EQ(1.0, label.pose.orientation.w);
  EXPECT_EQ(0.18, label.scale.z);
  EXPECT_EQ(1.0f, label.color.b);
  EXPECT_EQ("ID:5\n0.5 m/s\n-27 deg\n[coasting]", label.text);

  // A slow confirmed track without outline points: green, no arrow but its deletion.
  Track slow = makeTrack(config, 6, 0.0f, 0.0f, 0.0f, 0.0f, TrackState::Confirmed);
  slow.speed_ema = 0.1f;
  slow.detection.polygon.clear();
  markers.clear();
  appendTrackMarkers(slow, "base_scan_01", stamp, markers);
  ASSERT_EQ(3u, markers.size());
  EXPECT_TRUE(markers[0].points.empty());
  EXPECT_EQ(0.0f, markers[0].color.r);
  EXPECT_EQ(1.0f, markers[0].color.g);
  expectDeletion(markers[1], "pedestrian_arrow", 6);
  EXPECT_EQ(Marker::TEXT_VIEW_FACING, markers[2].type);
}

TEST(TrackMarkers, TrackerDrawsPublishedTracksAndDeletesVanishedOnesOnce)
{
  TrackerConfig config;
  config.max_coasting_frames = 1;
  PedestrianTracker tracker(config);
  tracker_builders::DetectionShape not_pedestrian;
  not_pedestrian.classification = 0;
  const std::vector<Object> people = {
    makeDetection(0, 0), makeDetection(2, 0, not_pedestrian), makeDetection(4, 0)};
  const std::vector<float> scores = {0.8f, 0.25f, 0.8f};
  const auto stamp = makeStamp(3, 0);

  tracker.update(people, {}, scores, 0.0);
  EXPECT_TRUE(tracker.exportTracks().empty()) << "tentative tracks are not published";
  EXPECT_TRUE(tracker.buildMarkers("base_scan_02", stamp).empty());

  tracker.update(people, {}, scores, 0.1);
  const std::vector<Object> objects = tracker.exportTracks();
  ASSERT_EQ(2u, objects.size());
  EXPECT_EQ(0.0, objects[0].pose.position.x);
  EXPECT_EQ(4.0, objects[1].pose.position.x);
  MarkerVector markers = tracker.buildMarkers("base_scan_02", stamp);
  ASSERT_EQ(6u, markers.size());
  const std::vector<std::string> namespaces = {
    "pedestrian_polygon", "pedestrian_arrow", "pedestrian_label"};
  for (std::size_t i = 0; i < markers.size(); ++i) {
    EXPECT_EQ(namespaces[i % 3], markers[i].ns);
    EXPECT_EQ(i < 3 ? 0 : 2, markers[i].id);
  }
  EXPECT_EQ((std::set<int32_t>{0, 2}), tracker.markerIds());
  // The objects carry the ids their markers show only when asked to.
  EXPECT_EQ(0.0, objects[1].reserved_0);
  PedestrianTracker with_ids(config, true);
  with_ids.update(people, {}, scores, 0.0);
  with_ids.update(people, {}, scores, 0.1);
  const std::vector<Object> with_id_objects = with_ids.exportTracks();
  ASSERT_EQ(2u, with_id_objects.size());
  EXPECT_EQ(0.0, with_id_objects[0].reserved_0);
  EXPECT_EQ(2.0, with_id_objects[1].reserved_0);

  tracker.update({}, {}, scores, 0.2);  // all coast
  markers = tracker.buildMarkers("base_scan_02", stamp);
  ASSERT_EQ(6u, markers.size());
  EXPECT_EQ(1.0f, markers[0].color.r);
  EXPECT_NE(std::string::npos, markers[2].text.find("[coasting]"));

  tracker.update({}, {}, scores, 0.3);  // second miss: deleted
  EXPECT_TRUE(tracker.tracks().empty());
  markers = tracker.buildMarkers("base_scan_02", stamp);
  ASSERT_EQ(6u, markers.size());
  for (std::size_t i = 0; i < markers.size(); ++i) {
    expectDeletion(markers[i], namespaces[i % 3], i < 3 ? 0 : 2);
  }
  EXPECT_TRUE(tracker.markerIds().empty());
  EXPECT_TRUE(tracker.buildMarkers("base_scan_02", stamp).empty()) << "deleted only once";
}

}  // namespace
