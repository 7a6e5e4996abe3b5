#include "quillon_dynamic_detector/track_markers.hpp"

#include <cmath>
#include <iomanip>
#include <sstream>

#include "quillon_dynamic_detector/marker_parts.hpp"
#include "quillon_dynamic_detector/planar_geometry.hpp"
#include "rclcpp/duration.hpp"
#include "std_msgs/msg/header.hpp"

namespace quillon_dynamic_detector
{
namespace
{

using marker_parts::point;
using marker_parts::rgba;
using visualization_msgs::msg::Marker;

constexpr const char * OUTLINE_NAMESPACE = "pedestrian_polygon";
constexpr const char * ARROW_NAMESPACE = "pedestrian_arrow";
constexpr const char * LABEL_NAMESPACE = "pedestrian_label";
// The arrow shows where the track will be in half a second.
constexpr double ARROW_HORIZON_SECONDS = 0.5;

// Green while confirmed, yellow while coasting.
std_msgs::msg::ColorRGBA trackColor(const Track & track)
{
  return rgba(track.state == TrackState::Coasting ? 1.0f : 0.0f, 1.0f, 0.0f);
}

Marker makeMarker(
  const char * ns, int32_t track_id, int32_t type, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp)
{
  std_msgs::msg::Header header;
  header.frame_id = frame_id;
  header.stamp = stamp;
  return marker_parts::drawn(
    ns, track_id, type, header, rclcpp::Duration::from_seconds(marker_parts::DEFAULT_LIFETIME_S));
}

Marker makeOutline(
  const Track & track, const Track::Object & object, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp)
{
  Marker marker = makeMarker(OUTLINE_NAMESPACE, track.id, Marker::LINE_STRIP, frame_id, stamp);
  marker.scale.x = 0.05;
  marker.color = trackColor(track);
  for (const auto & vertex : object.polygon) {
    marker.points.push_back(point(vertex.x, vertex.y, 0.0));
  }
  if (!marker.points.empty()) {
    marker.points.push_back(marker.points.front());
  }
  return marker;
}

Marker makeArrow(
  const Track & track, const Track::Object & object, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp)
{
  if (object.speed <= track.config->marker_arrow_speed_threshold) {
    return marker_parts::removal(ARROW_NAMESPACE, track.id);
  }
  Marker marker = makeMarker(ARROW_NAMESPACE, track.id, Marker::ARROW, frame_id, stamp);
  marker.scale.x = 0.05;
  marker.scale.y = 0.12;
  marker.color = trackColor(track);
  const double x = object.pose.position.x;
  const double y = object.pose.position.y;
  marker.points.push_back(point(x, y, 0.05));
  marker.points.push_back(point(
    x + ARROW_HORIZON_SECONDS * object.velocity_x, y + ARROW_HORIZON_SECONDS * object.velocity_y,
    0.05));
  return marker;
}

Marker makeLabel(
  const Track & track, const Track::Object & object, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp)
{
  Marker marker = makeMarker(LABEL_NAMESPACE, track.id, Marker::TEXT_VIEW_FACING, frame_id, stamp);
  marker.pose.position = point(object.pose.position.x, object.pose.position.y, 0.4);
  marker.scale.z = 0.18;
  marker.color = rgba(1.0f, 1.0f, 1.0f);
  marker.text = trackLabelText(track, object);
  return marker;
}

}  // namespace

std::string trackLabelText(const Track & track, const Track::Object & object)
{
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << "ID:" << track.id << "\n" << std::fixed << std::setprecision(1) << object.speed << " m/s";
  if (object.speed > track.config->marker_text_heading_speed_threshold) {
    const float heading =
      std::atan2(static_cast<float>(object.velocity_y), static_cast<float>(object.velocity_x));
    text << "\n" << std::lround(static_cast<double>(heading) * 180.0 / PI) << " deg";
  }
  if (track.state == TrackState::Coasting) {
    text << "\n[coasting]";
  }
  return text.str();
}

void appendTrackMarkers(
  const Track & track, const std::string & frame_id, const builtin_interfaces::msg::Time & stamp,
  MarkerVector & markers)
{
  appendTrackMarkers(track, track.toObject(), frame_id, stamp, markers);
}

void appendTrackMarkers(
  const Track & track, const Track::Object & object, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp, MarkerVector & markers)
{
  markers.push_back(makeOutline(track, object, frame_id, stamp));
  markers.push_back(makeArrow(track, object, frame_id, stamp));
  markers.push_back(makeLabel(track, object, frame_id, stamp));
}

void appendTrackMarkerDeletions(int32_t track_id, MarkerVector & markers)
{
  markers.push_back(marker_parts::removal(OUTLINE_NAMESPACE, track_id));
  markers.push_back(marker_parts::removal(ARROW_NAMESPACE, track_id));
  markers.push_back(marker_parts::removal(LABEL_NAMESPACE, track_id));
}

}  // namespace quillon_dynamic_detector
