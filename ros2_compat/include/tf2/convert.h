// The generic conversion interface of tf2. The templates below are only declared here; the
// tf2_<type> packages (tf2_geometry_msgs) define them for their types, so using a type without
// including its package's header fails at compile or link time, as in Humble.
#ifndef TF2__CONVERT_H_
#define TF2__CONVERT_H_

#include <string>

#include "builtin_interfaces/msg/time.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "rosidl_runtime_cpp/traits.hpp"
#include "tf2/exceptions.h"
#include "tf2/impl/convert.h"
#include "tf2/time.h"
#include "tf2/transform_datatypes.h"

namespace tf2
{

// Applies transform to data_in (data_out may alias data_in).
template <class T>
void doTransform(
  const T & data_in, T & data_out, const geometry_msgs::msg::TransformStamped & transform);

template <class T>
tf2::TimePoint getTimestamp(const T & t);

template <class T>
std::string getFrameId(const T & t);

template <class P>
tf2::TimePoint getTimestamp(const tf2::Stamped<P> & t)
{
  return t.stamp_;
}

template <class P>
std::string getFrameId(const tf2::Stamped<P> & t)
{
  return t.frame_id_;
}

template <typename A, typename B>
B toMsg(const A & a);

template <typename A, typename B>
void fromMsg(const A & a, B & b);

template <class A, class B>
void convert(const A & a, B & b)
{
  impl::Converter<
    rosidl_generator_traits::is_message<A>::value,
    rosidl_generator_traits::is_message<B>::value>::convert(a, b);
}

template <class A>
void convert(const A & a1, A & a2)
{
  if (&a1 != &a2) {
    a2 = a1;
  }
}

}  // namespace tf2

#endif  // TF2__CONVERT_H_
