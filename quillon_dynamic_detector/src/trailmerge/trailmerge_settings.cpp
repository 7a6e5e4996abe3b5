#include "quillon_dynamic_detector/trailmerge_settings.hpp"

#include <string>

#include "quillon_dynamic_detector/finite_parameter.hpp"
#include "quillon_dynamic_detector/parameter_limits.hpp"
#include "quillon_dynamic_detector/start_up_parameter.hpp"
#include "quillon_dynamic_detector/undeclared_parameters.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_dynamic_detector
{
namespace
{

// Every number of trailmerge ends up in a published marker, a comparison or a duration; NaN,
// an infinity or a duration beyond int64 nanoseconds would publish NaN or overflow there.
constexpr double LONGEST_DURATION_S = 9.0e9;

// Read once at start-up, with the description and unit of trailmerge's parameter schema (kept
// here, since trailmerge links no library of this package; a test holds the two equal) and the
// closed limits beyond which a value cannot work as its range.
rcl_interfaces::msg::ParameterDescriptor described(
  const char * description, const char * unit = "", const ParameterLimits & limits = {})
{
  rcl_interfaces::msg::ParameterDescriptor descriptor = readAtStartUp();
  descriptor.description = description;
  if (*unit != '\0') {
    descriptor.description += std::string(" Unit: ") + unit + ".";
  }
  setFloatingPointRange(limits, descriptor);
  return descriptor;
}

// Declares `name` with the field's current value as default and stores the effective value.
template <typename T>
void declareInto(rclcpp::Node & node, const char * name, T & field, const char * description)
{
  field = node.declare_parameter(name, field, described(description));
}

// A number beyond `limits` cannot work (a negative distance or duration, a zero width): the
// same limits as trailmerge's parameter schema gives. It is refused before the declaration, so
// that the message names the value and the limits.
void declareInto(
  rclcpp::Node & node, const char * name, double & field, const char * description,
  const char * unit, const ParameterLimits & limits)
{
  if (const auto given = givenDouble(node, name)) {
    requireFiniteParameter(name, *given);
    requireWithinLimits(name, *given, limits);
  }
  field = node.declare_parameter(name, field, described(description, unit, limits));
  requireFiniteParameter(name, field);
  requireWithinLimits(name, field, limits);
}

void declareDurationInto(
  rclcpp::Node & node, const char * name, double & field, const char * description)
{
  ParameterLimits limits = atLeast(0.0);
  limits.maximum = LONGEST_DURATION_S;
  if (const auto given = givenDouble(node, name)) {
    requireFiniteParameter(name, *given, LONGEST_DURATION_S, " of at most 9e9 seconds");
    requireWithinLimits(name, *given, limits, "s");
  }
  field = node.declare_parameter(name, field, described(description, "s", limits));
}

}  // namespace

TrailmergeSettings declareTrailmergeParameters(rclcpp::Node & node)
{
  TrailmergeSettings s;
  declareInto(node, "input_topic_1", s.input_topic_1, "First object list to fuse.");
  declareInto(node, "input_topic_2", s.input_topic_2, "Second object list to fuse.");
  declareInto(node, "output_topic", s.output_topic, "Fused object list.");
  declareInto(node, "target_frame", s.target_frame, "Frame of the fused list.");
  declareInto(node, "sensor_name", s.sensor_name, "sensor_name written into the fused list.");
  declareInto(
    node, "merge_distance", s.fusion.merge_distance,
    "Objects of the two lists closer than this are one object.", "m", atLeast(0.0));
  declareInto(
    node, "pair_distance", s.fusion.pair_distance,
    "Above 0: after the merge, an object only the first list holds and one only the second "
    "holds are one object when each is the other's nearest such object and they are at most "
    "this far apart: one person whose two objects the lists' timing or the edge of a field of "
    "view puts farther apart than merge_distance; two people side by side, each seen by both "
    "scanners, stay two (0: off).",
    "m", atLeast(0.0));
  declareInto(
    node, "max_msg_age", s.max_msg_age,
    "Lists older than this (either side of the clock) are left out.", "s", above(0.0));
  declareDurationInto(node, "tf_timeout", s.tf_timeout, "Timeout of every transform lookup.");
  declareInto(
    node, "prefer_more_points", s.fusion.prefer_more_points,
    "In a merge the object with more points leads (else the first list's).");
  declareInto(
    node, "publish_markers", s.publish_markers, "Whether the fused list is drawn as markers.");
  declareInto(node, "marker_topic", s.marker_topic, "MarkerArray topic of the fused list.");
  declareDurationInto(
    node, "marker_lifetime", s.markers.lifetime, "Lifetime of each marker (0: until replaced).");
  declareInto(node, "marker_line_width", s.markers.line_width, "Outline width.", "m", above(0.0));
  declareInto(node, "marker_text_height", s.markers.text_height, "Label height.", "m", above(0.0));
  declareInto(
    node, "marker_arrow_speed_threshold", s.markers.arrow_speed_threshold,
    "Objects at or below this speed get no arrow.", "m/s", atLeast(0.0));
  declareInto(
    node, "marker_heading_speed_threshold", s.markers.heading_speed_threshold,
    "Objects above this speed show their heading.", "m/s", atLeast(0.0));
  declareInto(
    node, "marker_association_distance", s.markers.association_distance,
    "An object this close to one of the previous list keeps its marker id.", "m", atLeast(0.0));
  declareDurationInto(
    node, "marker_id_memory", s.markers.id_memory,
    "How long the id of a vanished object may be taken up again near where it was drawn (0: not "
    "at all).");
  declareInto(
    node, "marker_id_reach_growth", s.markers.id_reach_growth,
    "How fast the reach within which a vanished id may be taken up again grows with the time "
    "since it was drawn, beyond marker_association_distance (0: it does not grow).",
    "m/s", atLeast(0.0));
  declareInto(
    node, "compensate_list_age", s.compensate_list_age,
    "Carry each list's objects along the robot's motion in odom from the list's stamp to the "
    "newest pose before fusing, so that lists of different ages agree; the drawing's memory of "
    "where each display id was moves with the robot as well.");
  declareInto(
    node, "publish_object_ids", s.publish_object_ids,
    "Write each fused object's display id (the id its markers carry) into Object.reserved_0 as a "
    "whole number, for robots that consume the list; otherwise reserved_0 passes through as it "
    "came.");
  declareInto(
    node, "follow_track_ids", s.follow_track_ids,
    "Keep each fused object's display id with the tracks it is made of, so that one person keeps "
    "one id while either scanner sees them; the inputs must carry their track ids in "
    "Object.reserved_0 (trailscan's tracker.publish_track_ids). An object none of whose tracks "
    "was drawn before takes its id by position, as without this.");
  declareInto(
    node, "keep_separated_objects", s.fusion.keep_separated_objects,
    "An object of one list within merge_distance of two objects of the other list that lie "
    "farther apart than merge_distance (one scanner saw two people as one object, the other "
    "saw them apart) adds its points to the nearest fused object and neither moves it nor joins "
    "the two; otherwise it merges as any other object.");
  warnAboutUndeclaredParameters(node);
  return s;
}

}  // namespace quillon_dynamic_detector
