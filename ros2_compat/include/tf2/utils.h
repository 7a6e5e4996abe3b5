// tf2::getYaw for tf2 and geometry_msgs quaternions (the latter needs
// tf2_geometry_msgs/tf2_geometry_msgs.hpp as well, as in Humble).
#ifndef TF2__UTILS_H_
#define TF2__UTILS_H_

#include "tf2/LinearMath/Quaternion.h"
#include "tf2/impl/utils.h"

namespace tf2
{

template <class A>
double getYaw(const A & a)
{
  return impl::getYaw(impl::toQuaternion(a));
}

}  // namespace tf2

#endif  // TF2__UTILS_H_
