#ifndef QUILLON_DYNAMIC_DETECTOR__FUSED_MARKERS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__FUSED_MARKERS_HPP_

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/marker_parts.hpp"
#include "quillon_protocol/msg/object.hpp"
#include "std_msgs/msg/header.hpp"
#include "visualization_msgs/msg/marker.hpp"

namespace quillon_dynamic_detector
{

// How fused objects are drawn ("marker_*" parameters).
struct FusedMarkerConfig
{
  double lifetime = marker_parts::DEFAULT_LIFETIME_S;  // s
  double line_width = 0.05;                            // m, outline
  double text_height = 0.18;                           // m, label
  double arrow_speed_threshold = 0.1;                  // m/s; at or below it no arrow is drawn
  double heading_speed_threshold = 0.1;                // m/s; above it the label shows the heading
  double association_distance = 0.6;  // m; a display id follows an object moving less
  // s; how long an id whose object vanished may still be taken up again near where it was last
  // drawn. 0 ends an id with the first list that lacks its object.
  double id_memory = 0.0;
  // m/s; the reach of a vanished id grows by this much for every second since it was last drawn:
  // someone hidden for a second reappears farther from where they were expected than a list's
  // jitter. 0: the association distance at any age.
  double id_reach_growth = 0.0;
};

struct PlanarPosition
{
  double x;
  double y;
};

// Where each display id was drawn in the previous list.
using DisplayPositions = std::map<int32_t, PlanarPosition>;

// A display id that an object of the new list may take: where its object is expected, and how
// far from there (strictly less) an object may lie to take it.
struct DisplayCandidate
{
  PlanarPosition position;
  double reach;  // m
};
using DisplayCandidates = std::map<int32_t, DisplayCandidate>;

// The ids of the previous list as candidates, each with the same reach.
DisplayCandidates candidatesWithin(const DisplayPositions & previous, double reach);

// Display ids whose objects vanished from the drawing not long ago, with where, how fast and
// when each was last drawn, so that an object missing from a list or two can come back under its
// old id.
class RecentlyDroppedIds
{
public:
  // Remembers `id`, last drawn at `position` for an object moving at `velocity` (m/s), at time
  // `drawn_s`.
  void remember(
    int32_t id, const PlanarPosition & position, const PlanarPosition & velocity, double drawn_s);
  // Adds to `candidates` every remembered id last drawn at most `memory_s` before `now_s` that
  // `candidates` does not hold yet, at the place its object's velocity has carried it to since,
  // with the reach `reach` plus `reach_growth` (m/s) times the time since it was drawn.
  void addCandidates(
    DisplayCandidates & candidates, double now_s, double memory_s, double reach,
    double reach_growth = 0.0) const;
  // Forgets the ids drawn again and those last drawn more than `memory_s` before `now_s` (or
  // after it: time that steps back ends every memory).
  void forget(const std::set<int32_t> & drawn_again, double now_s, double memory_s);
  // Moves every remembered position by `carry_point` and turns every velocity by
  // `carry_vector` (the robot's own motion since they were stored).
  void carry(
    const std::function<void(PlanarPosition &)> & carry_point,
    const std::function<void(PlanarPosition &)> & carry_vector);

private:
  struct Sighting
  {
    PlanarPosition position;
    PlanarPosition velocity;  // m/s
    double drawn_s;
  };
  std::map<int32_t, Sighting> ids_;
};

// Display ids of `objects`, in order: the nearest candidate not yet taken that the object lies
// strictly within the reach of (the lower id on a tie), otherwise `next_display_id`, which is
// then incremented. List order matters: the lists put older tracks first, and they keep theirs.
std::vector<int32_t> assignDisplayIds(
  const std::vector<quillon_protocol::msg::Object> & objects, const DisplayCandidates & candidates,
  int32_t & next_display_id);

// "FUSED ID:<id>", the speed in m/s with one decimal and, above `heading_speed_threshold`, the
// heading in whole degrees, one per line.
std::string fusedLabelText(
  int32_t display_id, const quillon_protocol::msg::Object & object, double heading_speed_threshold);

// Appends the outline, the velocity arrow (or its removal for a slow object, or for one whose
// arrow tip would overflow) and the label of one object, drawn in `header`'s frame at its stamp.
void appendObjectMarkers(
  const quillon_protocol::msg::Object & object, int32_t display_id,
  const std_msgs::msg::Header & header, const FusedMarkerConfig & config,
  std::vector<visualization_msgs::msg::Marker> & markers);

// Appends the removals of the outline, arrow and label drawn under `display_id`.
void appendRemovalMarkers(
  int32_t display_id, std::vector<visualization_msgs::msg::Marker> & markers);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__FUSED_MARKERS_HPP_
