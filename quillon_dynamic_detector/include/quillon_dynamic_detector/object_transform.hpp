#ifndef QUILLON_DYNAMIC_DETECTOR__OBJECT_TRANSFORM_HPP_
#define QUILLON_DYNAMIC_DETECTOR__OBJECT_TRANSFORM_HPP_

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "quillon_protocol/msg/object.hpp"

namespace quillon_dynamic_detector
{

// Sets `range` and `bearing` from the planar position of the object's centre.
void updateRangeAndBearing(quillon_protocol::msg::Object & object);

// Rotates the planar velocity of `out` into the transform's target frame (the translation
// cancels, z is dropped) and sets `speed` to its length.
void transformVelocity(
  const geometry_msgs::msg::TransformStamped & transform, quillon_protocol::msg::Object & out);

// A copy of `object` with its pose, every outline point and its velocity carried through
// `transform`, and range and bearing recomputed; all other fields are kept.
quillon_protocol::msg::Object applyTransform(
  const quillon_protocol::msg::Object & object,
  const geometry_msgs::msg::TransformStamped & transform);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__OBJECT_TRANSFORM_HPP_
