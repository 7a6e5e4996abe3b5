#ifndef QUILLON_DYNAMIC_DETECTOR__IMMEDIATE_TRANSFORM_BUFFER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__IMMEDIATE_TRANSFORM_BUFFER_HPP_

#include <string>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "tf2/time.h"
#include "tf2_ros/buffer.h"

namespace quillon_dynamic_detector
{

// A transform buffer filled by the same executor thread that looks transforms up, as in a
// deterministic replay. Nothing can arrive while a lookup waits, and on a simulated clock that
// only this thread advances a wait would never end: lookups answer at once, whatever the
// timeout, and fail with the lookup's own exception.
class ImmediateTransformBuffer : public tf2_ros::Buffer
{
public:
  using tf2_ros::Buffer::Buffer;
  using tf2_ros::Buffer::canTransform;
  using tf2_ros::Buffer::lookupTransform;

  geometry_msgs::msg::TransformStamped lookupTransform(
    const std::string & target_frame, const std::string & source_frame, const tf2::TimePoint & time,
    const tf2::Duration /*timeout*/) const override
  {
    return tf2::BufferCore::lookupTransform(target_frame, source_frame, time);
  }

  bool canTransform(
    const std::string & target_frame, const std::string & source_frame, const tf2::TimePoint & time,
    const tf2::Duration /*timeout*/, std::string * errstr = nullptr) const override
  {
    return tf2::BufferCore::canTransform(target_frame, source_frame, time, errstr);
  }
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__IMMEDIATE_TRANSFORM_BUFFER_HPP_
