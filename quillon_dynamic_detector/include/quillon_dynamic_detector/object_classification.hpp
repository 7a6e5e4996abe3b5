#ifndef QUILLON_DYNAMIC_DETECTOR__OBJECT_CLASSIFICATION_HPP_
#define QUILLON_DYNAMIC_DETECTOR__OBJECT_CLASSIFICATION_HPP_

#include <cstdint>

#include "quillon_protocol/msg/object.hpp"

namespace quillon_dynamic_detector
{

// The values of `Object.classification`, shared by detections, tracks and fused objects.
constexpr int32_t PEDESTRIAN_CLASSIFICATION = 1;
constexpr int32_t OTHER_CLASSIFICATION = 0;

inline int32_t classificationOf(bool pedestrian)
{
  return pedestrian ? PEDESTRIAN_CLASSIFICATION : OTHER_CLASSIFICATION;
}

inline bool isPedestrian(const quillon_protocol::msg::Object & object)
{
  return object.classification == PEDESTRIAN_CLASSIFICATION;
}

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__OBJECT_CLASSIFICATION_HPP_
