// tf2::Stamped<T>: a datatype with a time stamp and a frame id, as the conversions know it.
#ifndef TF2__TRANSFORM_DATATYPES_H_
#define TF2__TRANSFORM_DATATYPES_H_

#include <string>

#include "tf2/time.h"

namespace tf2
{

template <typename T>
class Stamped : public T
{
public:
  Stamped() : frame_id_("NO_ID_STAMPED_DEFAULT_CONSTRUCTION") {}
  Stamped(const T & input, const TimePoint & timestamp, const std::string & frame_id)
  : T(input), stamp_(timestamp), frame_id_(frame_id)
  {
  }

  void setData(const T & input) { *static_cast<T *>(this) = input; }

  TimePoint stamp_;
  std::string frame_id_;
};

template <typename T>
bool operator==(const Stamped<T> & a, const Stamped<T> & b)
{
  return a.frame_id_ == b.frame_id_ && a.stamp_ == b.stamp_ &&
         static_cast<const T &>(a) == static_cast<const T &>(b);
}

}  // namespace tf2

#endif  // TF2__TRANSFORM_DATATYPES_H_
