#include "quillon_dynamic_detector/trailmerge_settings.hpp"

#include "quillon_dynamic_detector/finite_parameter.hpp"
#include "quillon_dynamic_detector/parameter_limits.hpp"
#include "quillon_dynamic_detector/start_up_parameter.hpp"
#include "quillon_dynamic_detector/undeclared_parameters.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_dynamic_detector
{
namespace
{

// Declares `name` with the field's current value as default and stores the effective value.
template <typename T>
void declareInto(rclcpp::Node & node, const char * name, T & field)
{
  field = node.declare_parameter(name, field, readAtStartUp());
}

// Every number of trailmerge ends up in a published marker, a comparison or a duration; NaN,
// an infinity or a duration beyond int64 nanoseconds would publish NaN or overflow there.
constexpr double LONGEST_DURATION_S = 9.0e9;

// A number beyond `limits` cannot work (a negative distance or duration, a zero width): the
// same limits as trailmerge's parameter schema gives.
void declareInto(
  rclcpp::Node & node, const char * name, double & field, const ParameterLimits & limits)
{
  field = node.declare_parameter(name, field, readAtStartUp());
  requireFiniteParameter(name, field);
  requireWithinLimits(name, field, limits);
}

void declareDurationInto(rclcpp::Node & node, const char * name, double & field)
{
  field = node.declare_parameter(name, field, readAtStartUp());
  requireFiniteParameter(name, field, LONGEST_DURATION_S, " of at most 9e9 seconds");
  requireWithinLimits(name, field, atLeast(0.0), "s");
}

}  // namespace

TrailmergeSettings declareTrailmergeParameters(rclcpp::Node & node)
{
  TrailmergeSettings s;
  declareInto(node, "input_topic_1", s.input_topic_1);
  declareInto(node, "input_topic_2", s.input_topic_2);
  declareInto(node, "output_topic", s.output_topic);
  declareInto(node, "target_frame", s.target_frame);
  declareInto(node, "sensor_name", s.sensor_name);
  declareInto(node, "merge_distance", s.fusion.merge_distance, atLeast(0.0));
  declareInto(node, "max_msg_age", s.max_msg_age, above(0.0));
  declareDurationInto(node, "tf_timeout", s.tf_timeout);
  declareInto(node, "prefer_more_points", s.fusion.prefer_more_points);
  declareInto(node, "publish_markers", s.publish_markers);
  declareInto(node, "marker_topic", s.marker_topic);
  declareDurationInto(node, "marker_lifetime", s.markers.lifetime);
  declareInto(node, "marker_line_width", s.markers.line_width, above(0.0));
  declareInto(node, "marker_text_height", s.markers.text_height, above(0.0));
  declareInto(node, "marker_arrow_speed_threshold", s.markers.arrow_speed_threshold, atLeast(0.0));
  declareInto(
    node, "marker_heading_speed_threshold", s.markers.heading_speed_threshold, atLeast(0.0));
  declareInto(node, "marker_association_distance", s.markers.association_distance, atLeast(0.0));
  declareDurationInto(node, "marker_id_memory", s.markers.id_memory);
  declareInto(node, "compensate_list_age", s.compensate_list_age);
  warnAboutUndeclaredParameters(node);
  return s;
}

}  // namespace quillon_dynamic_detector
