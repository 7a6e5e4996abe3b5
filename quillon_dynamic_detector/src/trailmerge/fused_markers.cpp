#include "quillon_dynamic_detector/fused_markers.hpp"

#include <cmath>
#include <iomanip>
#include <iterator>
#include <limits>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "quillon_dynamic_detector/marker_parts.hpp"
#include "quillon_dynamic_detector/planar_geometry.hpp"
#include "rclcpp/duration.hpp"

namespace quillon_dynamic_detector
{
namespace
{

using marker_parts::point;
using marker_parts::rgba;
using quillon_protocol::msg::Object;
using visualization_msgs::msg::Marker;

constexpr char OUTLINE_NS[] = "fused_pedestrian_polygon";
constexpr char ARROW_NS[] = "fused_pedestrian_arrow";
constexpr char LABEL_NS[] = "fused_pedestrian_label";
constexpr double ARROW_HORIZON_S = 0.5;  // the arrow shows half a second of motion
constexpr double ARROW_HEIGHT = 0.05;
constexpr double LABEL_HEIGHT = 0.4;

double distanceTo(const Object & object, const PlanarPosition & position)
{
  return std::hypot(object.pose.position.x - position.x, object.pose.position.y - position.y);
}

// The free candidate nearest to `object`, strictly within its reach.
std::optional<int32_t> nearestFreeId(
  const Object & object, const DisplayCandidates & candidates, const std::set<int32_t> & taken)
{
  std::optional<int32_t> best_id;
  double best_distance = std::numeric_limits<double>::infinity();
  for (const auto & [id, candidate] : candidates) {
    const double d = distanceTo(object, candidate.position);
    if (taken.count(id) == 0 && d < candidate.reach && d < best_distance) {
      best_distance = d;
      best_id = id;
    }
  }
  return best_id;
}

Marker drawnMarker(
  const char * ns, int32_t display_id, int32_t type, const std_msgs::msg::Header & header,
  double lifetime)
{
  return marker_parts::drawn(
    ns, display_id, type, header, rclcpp::Duration::from_seconds(lifetime));
}

Marker outlineMarker(
  const Object & object, int32_t display_id, const std_msgs::msg::Header & header,
  const FusedMarkerConfig & config)
{
  Marker m = drawnMarker(OUTLINE_NS, display_id, Marker::LINE_STRIP, header, config.lifetime);
  m.scale.x = config.line_width;
  m.color = rgba(0.0f, 0.8f, 1.0f);
  for (const auto & p : object.polygon) {
    m.points.push_back(point(p.x, p.y, 0.0));
  }
  if (!m.points.empty()) {
    m.points.push_back(m.points.front());  // close the ring
  }
  return m;
}

Marker arrowMarker(
  const Object & object, int32_t display_id, const std_msgs::msg::Header & header,
  const FusedMarkerConfig & config)
{
  const double x = object.pose.position.x;
  const double y = object.pose.position.y;
  const double end_x = x + ARROW_HORIZON_S * object.velocity_x;
  const double end_y = y + ARROW_HORIZON_S * object.velocity_y;
  // Absurd but finite positions and velocities can put the tip beyond the largest double.
  if (!(object.speed > config.arrow_speed_threshold) || !std::isfinite(end_x + end_y)) {
    return marker_parts::removal(ARROW_NS, display_id);
  }
  Marker m = drawnMarker(ARROW_NS, display_id, Marker::ARROW, header, config.lifetime);
  m.points.push_back(point(x, y, ARROW_HEIGHT));
  m.points.push_back(point(end_x, end_y, ARROW_HEIGHT));
  m.scale.x = 0.05;  // shaft diameter
  m.scale.y = 0.12;  // head diameter
  m.color = rgba(0.0f, 0.8f, 1.0f);
  return m;
}

Marker labelMarker(
  const Object & object, int32_t display_id, const std_msgs::msg::Header & header,
  const FusedMarkerConfig & config)
{
  Marker m = drawnMarker(LABEL_NS, display_id, Marker::TEXT_VIEW_FACING, header, config.lifetime);
  m.pose.position = point(object.pose.position.x, object.pose.position.y, LABEL_HEIGHT);
  m.scale.z = config.text_height;
  m.color = rgba(1.0f, 1.0f, 1.0f);
  m.text = fusedLabelText(display_id, object, config.heading_speed_threshold);
  return m;
}

}  // namespace

void RecentlyDroppedIds::remember(
  int32_t id, const PlanarPosition & position, const PlanarPosition & velocity, double drawn_s)
{
  ids_[id] = {position, velocity, drawn_s};
}

DisplayCandidates candidatesWithin(const DisplayPositions & previous, double reach)
{
  DisplayCandidates candidates;
  for (const auto & [id, position] : previous) {
    candidates.emplace(id, DisplayCandidate{position, reach});
  }
  return candidates;
}

void RecentlyDroppedIds::addCandidates(
  DisplayCandidates & candidates, double now_s, double memory_s, double reach,
  double reach_growth) const
{
  for (const auto & [id, sighting] : ids_) {
    const double age = now_s - sighting.drawn_s;
    if (age >= 0.0 && age <= memory_s) {
      const PlanarPosition & p = sighting.position;
      const PlanarPosition expected{
        p.x + sighting.velocity.x * age, p.y + sighting.velocity.y * age};
      candidates.emplace(id, DisplayCandidate{expected, reach + reach_growth * age});
    }
  }
}

void RecentlyDroppedIds::forget(
  const std::set<int32_t> & drawn_again, double now_s, double memory_s)
{
  for (auto it = ids_.begin(); it != ids_.end();) {
    const double age = now_s - it->second.drawn_s;
    const bool expired = !(age >= 0.0 && age <= memory_s);
    it = (expired || drawn_again.count(it->first) != 0) ? ids_.erase(it) : std::next(it);
  }
}

void RecentlyDroppedIds::carry(
  const std::function<void(PlanarPosition &)> & carry_point,
  const std::function<void(PlanarPosition &)> & carry_vector)
{
  for (auto & [id, sighting] : ids_) {
    carry_point(sighting.position);
    carry_vector(sighting.velocity);
  }
}

std::vector<int32_t> assignDisplayIds(
  const std::vector<Object> & objects, const DisplayCandidates & candidates,
  int32_t & next_display_id)
{
  std::vector<int32_t> ids;
  ids.reserve(objects.size());
  std::set<int32_t> taken;
  for (const auto & object : objects) {
    const auto kept = nearestFreeId(object, candidates, taken);
    const int32_t id = kept ? *kept : next_display_id++;
    taken.insert(id);
    ids.push_back(id);
  }
  return ids;
}

std::string fusedLabelText(
  int32_t display_id, const Object & object, double heading_speed_threshold)
{
  std::ostringstream text;
  text << std::fixed << "FUSED ID:" << display_id << '\n'
       << std::setprecision(1) << object.speed << " m/s";
  if (object.speed > heading_speed_threshold) {
    // std::round takes halves away from zero.
    double degrees = std::round(std::atan2(object.velocity_y, object.velocity_x) * 180.0 / PI);
    if (degrees == 0.0) {
      degrees = 0.0;  // no "-0 deg"
    }
    text << '\n' << std::setprecision(0) << degrees << " deg";
  }
  return text.str();
}

void appendObjectMarkers(
  const Object & object, int32_t display_id, const std_msgs::msg::Header & header,
  const FusedMarkerConfig & config, std::vector<Marker> & markers)
{
  markers.push_back(outlineMarker(object, display_id, header, config));
  markers.push_back(arrowMarker(object, display_id, header, config));
  markers.push_back(labelMarker(object, display_id, header, config));
}

void appendRemovalMarkers(int32_t display_id, std::vector<Marker> & markers)
{
  markers.push_back(marker_parts::removal(OUTLINE_NS, display_id));
  markers.push_back(marker_parts::removal(ARROW_NS, display_id));
  markers.push_back(marker_parts::removal(LABEL_NS, display_id));
}

}  // namespace quillon_dynamic_detector
