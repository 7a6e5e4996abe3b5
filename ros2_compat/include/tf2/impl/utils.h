// Yaw of a quaternion (normalising, so any non-zero length works) and the conversions to
// tf2::Quaternion that tf2::getYaw accepts.
#ifndef TF2__IMPL__UTILS_H_
#define TF2__IMPL__UTILS_H_

#include <cmath>

#include "geometry_msgs/msg/quaternion.hpp"
#include "geometry_msgs/msg/quaternion_stamped.hpp"
#include "tf2/LinearMath/Quaternion.h"
#include "tf2/convert.h"
#include "tf2/transform_datatypes.h"

namespace tf2
{

// Defined in tf2_geometry_msgs/tf2_geometry_msgs.hpp: without that header, getYaw of a
// geometry_msgs quaternion fails to link, as in Humble.
void fromMsg(const geometry_msgs::msg::Quaternion & in, tf2::Quaternion & out);

namespace impl
{

inline tf2::Quaternion toQuaternion(const tf2::Quaternion & q) { return q; }

inline tf2::Quaternion toQuaternion(const geometry_msgs::msg::Quaternion & q)
{
  tf2::Quaternion result;
  fromMsg(q, result);
  return result;
}

inline tf2::Quaternion toQuaternion(const geometry_msgs::msg::QuaternionStamped & q)
{
  return toQuaternion(q.quaternion);
}

// atan2 of the normalised rotation matrix entries, in [-pi, pi]. Near pitch +-90 degrees
// (gimbal lock) yaw and roll are not separable and yaw is taken from x and y alone.
inline double getYaw(const tf2::Quaternion & q)
{
  const double sqx = q.x() * q.x();
  const double sqy = q.y() * q.y();
  const double sqz = q.z() * q.z();
  const double sqw = q.w() * q.w();
  const double sarg = -2 * (q.x() * q.z() - q.w() * q.y()) / (sqx + sqy + sqz + sqw);
  if (sarg <= -0.99999) {
    return -2 * std::atan2(q.y(), q.x());
  }
  if (sarg >= 0.99999) {
    return 2 * std::atan2(q.y(), q.x());
  }
  return std::atan2(2 * (q.x() * q.y() + q.w() * q.z()), sqw + sqx - sqy - sqz);
}

}  // namespace impl
}  // namespace tf2

#endif  // TF2__IMPL__UTILS_H_
