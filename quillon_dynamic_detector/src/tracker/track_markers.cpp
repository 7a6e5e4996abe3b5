#include "quillon_dynamic_detector/track_markers.hpp"

#include <cmath>
#include <iomanip>
#include <sstream>

#include "geometry_msgs/msg/point.hpp"
#include "std_msgs/msg/color_rgba.hpp"

namespace quillon_dynamic_detector
{
namespace
{

using visualization_msgs::msg::Marker;

constexpr const char * OUTLINE_NAMESPACE = "pedestrian_polygon";
constexpr const char * ARROW_NAMESPACE = "pedestrian_arrow";
constexpr const char * LABEL_NAMESPACE = "pedestrian_label";
// Markers vanish on their own when a scanner stops sending.
constexpr uint32_t MARKER_LIFETIME_NANOSECONDS = 300000000u;
// The arrow shows where the track will be in half a second.
constexpr double ARROW_HORIZON_SECONDS = 0.5;
constexpr double PI = 3.14159265358979323846;

std_msgs::msg::ColorRGBA makeColor(float red, float green, float blue, float alpha)
{
  std_msgs::msg::ColorRGBA color;
  color.r = red;
  color.g = green;
  color.b = blue;
  color.a = alpha;
  return color;
}

// Green while confirmed, yellow while coasting.
std_msgs::msg::ColorRGBA trackColor(const Track & track)
{
  return makeColor(track.state == TrackState::Coasting ? 1.0f : 0.0f, 1.0f, 0.0f, 1.0f);
}

geometry_msgs::msg::Point makePoint(double x, double y, double z)
{
  geometry_msgs::msg::Point point;
  point.x = x;
  point.y = y;
  point.z = z;
  return point;
}

Marker makeDeletion(const char * ns, int32_t track_id)
{
  Marker marker;
  marker.ns = ns;
  marker.id = track_id;
  marker.action = Marker::DELETE;
  return marker;
}

Marker makeMarker(
  const char * ns, int32_t track_id, int32_t type, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp)
{
  Marker marker;
  marker.header.frame_id = frame_id;
  marker.header.stamp = stamp;
  marker.ns = ns;
  marker.id = track_id;
  marker.type = type;
  marker.action = Marker::ADD;
  marker.lifetime.sec = 0;
  marker.lifetime.nanosec = MARKER_LIFETIME_NANOSECONDS;
  return marker;
}

Marker makeOutline(
  const Track & track, const Track::Object & object, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp)
{
  Marker marker = makeMarker(OUTLINE_NAMESPACE, track.id, Marker::LINE_STRIP, frame_id, stamp);
  marker.scale.x = 0.05;
  marker.color = trackColor(track);
  for (const auto & vertex : object.polygon) {
    marker.points.push_back(makePoint(vertex.x, vertex.y, 0.0));
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
    return makeDeletion(ARROW_NAMESPACE, track.id);
  }
  Marker marker = makeMarker(ARROW_NAMESPACE, track.id, Marker::ARROW, frame_id, stamp);
  marker.scale.x = 0.05;
  marker.scale.y = 0.12;
  marker.color = trackColor(track);
  const double x = object.pose.position.x;
  const double y = object.pose.position.y;
  marker.points.push_back(makePoint(x, y, 0.05));
  marker.points.push_back(makePoint(
    x + ARROW_HORIZON_SECONDS * object.velocity_x, y + ARROW_HORIZON_SECONDS * object.velocity_y,
    0.05));
  return marker;
}

Marker makeLabel(
  const Track & track, const Track::Object & object, const std::string & frame_id,
  const builtin_interfaces::msg::Time & stamp)
{
  Marker marker = makeMarker(LABEL_NAMESPACE, track.id, Marker::TEXT_VIEW_FACING, frame_id, stamp);
  marker.pose.position = makePoint(object.pose.position.x, object.pose.position.y, 0.4);
  marker.scale.z = 0.18;
  marker.color = makeColor(1.0f, 1.0f, 1.0f, 1.0f);
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
  const Track::Object object = track.toObject();
  markers.push_back(makeOutline(track, object, frame_id, stamp));
  markers.push_back(makeArrow(track, object, frame_id, stamp));
  markers.push_back(makeLabel(track, object, frame_id, stamp));
}

void appendTrackMarkerDeletions(int32_t track_id, MarkerVector & markers)
{
  markers.push_back(makeDeletion(OUTLINE_NAMESPACE, track_id));
  markers.push_back(makeDeletion(ARROW_NAMESPACE, track_id));
  markers.push_back(makeDeletion(LABEL_NAMESPACE, track_id));
}

}  // namespace quillon_dynamic_detector
