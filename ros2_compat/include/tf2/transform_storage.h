// One buffered transform of a frame relative to its parent at one time.
#ifndef TF2__TRANSFORM_STORAGE_H_
#define TF2__TRANSFORM_STORAGE_H_

#include <cstdint>
#include <utility>

#include "tf2/LinearMath/Quaternion.h"
#include "tf2/LinearMath/Vector3.h"
#include "tf2/time.h"

namespace tf2
{

// Frames are numbered in the order they become known; 0 means "no frame".
using CompactFrameID = uint32_t;
using P_TimeAndFrameID = std::pair<TimePoint, CompactFrameID>;

class TransformStorage
{
public:
  TransformStorage() = default;
  TransformStorage(
    const TimePoint & stamp, const Quaternion & q, const Vector3 & t, CompactFrameID frame_id,
    CompactFrameID child_frame_id)
  : rotation_(q),
    translation_(t),
    stamp_(stamp),
    frame_id_(frame_id),
    child_frame_id_(child_frame_id)
  {
  }

  bool operator==(const TransformStorage & o) const
  {
    return rotation_ == o.rotation_ && translation_ == o.translation_ && stamp_ == o.stamp_ &&
           frame_id_ == o.frame_id_ && child_frame_id_ == o.child_frame_id_;
  }

  Quaternion rotation_;
  Vector3 translation_;
  TimePoint stamp_;
  CompactFrameID frame_id_ = 0;  // the parent
  CompactFrameID child_frame_id_ = 0;
};

}  // namespace tf2

#endif  // TF2__TRANSFORM_STORAGE_H_
