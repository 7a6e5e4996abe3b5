// tf2::Quaternion: rotation as (x, y, z, w), with tf2's operation order, so that results agree
// with Humble to the last bit.
#ifndef TF2__LINEARMATH__QUATERNION_H_
#define TF2__LINEARMATH__QUATERNION_H_

#include "tf2/LinearMath/Scalar.h"
#include "tf2/LinearMath/Vector3.h"

namespace tf2
{

class Quaternion
{
public:
  Quaternion() = default;
  Quaternion(const tf2Scalar & x, const tf2Scalar & y, const tf2Scalar & z, const tf2Scalar & w)
  : q_{x, y, z, w}
  {
  }
  Quaternion(const Vector3 & axis, const tf2Scalar & angle) { setRotation(axis, angle); }

  const tf2Scalar & x() const { return q_[0]; }
  const tf2Scalar & y() const { return q_[1]; }
  const tf2Scalar & z() const { return q_[2]; }
  const tf2Scalar & w() const { return q_[3]; }
  const tf2Scalar & getX() const { return q_[0]; }
  const tf2Scalar & getY() const { return q_[1]; }
  const tf2Scalar & getZ() const { return q_[2]; }
  const tf2Scalar & getW() const { return q_[3]; }
  void setX(tf2Scalar x) { q_[0] = x; }
  void setY(tf2Scalar y) { q_[1] = y; }
  void setZ(tf2Scalar z) { q_[2] = z; }
  void setW(tf2Scalar w) { q_[3] = w; }
  void setValue(const tf2Scalar & x, const tf2Scalar & y, const tf2Scalar & z, const tf2Scalar & w)
  {
    q_[0] = x;
    q_[1] = y;
    q_[2] = z;
    q_[3] = w;
  }

  // Rotation of angle (rad) about axis (need not be unit length).
  void setRotation(const Vector3 & axis, const tf2Scalar & angle)
  {
    const tf2Scalar s = tf2Sin(angle * tf2Scalar(0.5)) / axis.length();
    setValue(axis.x() * s, axis.y() * s, axis.z() * s, tf2Cos(angle * tf2Scalar(0.5)));
  }

  // Fixed-axis roll (X), pitch (Y), yaw (Z), in radians.
  void setRPY(const tf2Scalar & roll, const tf2Scalar & pitch, const tf2Scalar & yaw)
  {
    const tf2Scalar cy = tf2Cos(yaw * tf2Scalar(0.5));
    const tf2Scalar sy = tf2Sin(yaw * tf2Scalar(0.5));
    const tf2Scalar cp = tf2Cos(pitch * tf2Scalar(0.5));
    const tf2Scalar sp = tf2Sin(pitch * tf2Scalar(0.5));
    const tf2Scalar cr = tf2Cos(roll * tf2Scalar(0.5));
    const tf2Scalar sr = tf2Sin(roll * tf2Scalar(0.5));
    setValue(
      sr * cp * cy - cr * sp * sy, cr * sp * cy + sr * cp * sy, cr * cp * sy - sr * sp * cy,
      cr * cp * cy + sr * sp * sy);
  }

  Quaternion & operator*=(const tf2Scalar & s)
  {
    q_[0] *= s;
    q_[1] *= s;
    q_[2] *= s;
    q_[3] *= s;
    return *this;
  }
  Quaternion & operator/=(const tf2Scalar & s) { return *this *= tf2Scalar(1.0) / s; }

  // this = this * q
  Quaternion & operator*=(const Quaternion & q)
  {
    setValue(
      q_[3] * q.x() + q_[0] * q.w() + q_[1] * q.z() - q_[2] * q.y(),
      q_[3] * q.y() + q_[1] * q.w() + q_[2] * q.x() - q_[0] * q.z(),
      q_[3] * q.z() + q_[2] * q.w() + q_[0] * q.y() - q_[1] * q.x(),
      q_[3] * q.w() - q_[0] * q.x() - q_[1] * q.y() - q_[2] * q.z());
    return *this;
  }

  tf2Scalar dot(const Quaternion & q) const
  {
    return q_[0] * q.x() + q_[1] * q.y() + q_[2] * q.z() + q_[3] * q.w();
  }
  tf2Scalar length2() const { return dot(*this); }
  tf2Scalar length() const { return tf2Sqrt(length2()); }
  Quaternion & normalize() { return *this /= length(); }
  Quaternion normalized() const { return Quaternion(*this).normalize(); }
  Quaternion inverse() const { return Quaternion(-q_[0], -q_[1], -q_[2], q_[3]); }
  Quaternion operator-() const { return Quaternion(-q_[0], -q_[1], -q_[2], -q_[3]); }

  // Rotation angle in [0, 2 pi].
  tf2Scalar getAngle() const { return tf2Scalar(2.0) * tf2Acos(q_[3]); }

  // Angle between the two rotations along the shortest path.
  tf2Scalar angleShortestPath(const Quaternion & q) const
  {
    const tf2Scalar s = tf2Sqrt(length2() * q.length2());
    const tf2Scalar d = dot(q) < 0 ? -dot(q) : dot(q);
    return tf2Acos(d / s) * tf2Scalar(2.0);
  }

  // Spherical interpolation: this at t = 0, q at t = 1, taking the shorter arc.
  Quaternion slerp(const Quaternion & q, const tf2Scalar & t) const
  {
    const tf2Scalar theta = angleShortestPath(q) / tf2Scalar(2.0);
    if (theta == tf2Scalar(0.0)) {
      return *this;
    }
    const tf2Scalar d = tf2Scalar(1.0) / tf2Sin(theta);
    const tf2Scalar s0 = tf2Sin((tf2Scalar(1.0) - t) * theta);
    const tf2Scalar s1 = dot(q) < 0 ? -tf2Sin(t * theta) : tf2Sin(t * theta);
    return Quaternion(
      (q_[0] * s0 + q.x() * s1) * d, (q_[1] * s0 + q.y() * s1) * d, (q_[2] * s0 + q.z() * s1) * d,
      (q_[3] * s0 + q.w() * s1) * d);
  }

  static const Quaternion & getIdentity()
  {
    static const Quaternion identity(0.0, 0.0, 0.0, 1.0);
    return identity;
  }

  bool operator==(const Quaternion & o) const
  {
    return q_[0] == o.q_[0] && q_[1] == o.q_[1] && q_[2] == o.q_[2] && q_[3] == o.q_[3];
  }
  bool operator!=(const Quaternion & o) const { return !(*this == o); }

private:
  tf2Scalar q_[4] = {0.0, 0.0, 0.0, 0.0};
};

inline Quaternion operator*(const Quaternion & q1, const Quaternion & q2)
{
  return Quaternion(
    q1.w() * q2.x() + q1.x() * q2.w() + q1.y() * q2.z() - q1.z() * q2.y(),
    q1.w() * q2.y() + q1.y() * q2.w() + q1.z() * q2.x() - q1.x() * q2.z(),
    q1.w() * q2.z() + q1.z() * q2.w() + q1.x() * q2.y() - q1.y() * q2.x(),
    q1.w() * q2.w() - q1.x() * q2.x() - q1.y() * q2.y() - q1.z() * q2.z());
}

// Product with the pure quaternion (v, 0).
inline Quaternion operator*(const Quaternion & q, const Vector3 & v)
{
  return Quaternion(
    q.w() * v.x() + q.y() * v.z() - q.z() * v.y(), q.w() * v.y() + q.z() * v.x() - q.x() * v.z(),
    q.w() * v.z() + q.x() * v.y() - q.y() * v.x(), -q.x() * v.x() - q.y() * v.y() - q.z() * v.z());
}

inline Quaternion operator*(const Quaternion & q, const tf2Scalar & s)
{
  return Quaternion(q.x() * s, q.y() * s, q.z() * s, q.w() * s);
}

inline Quaternion operator/(const Quaternion & q, const tf2Scalar & s)
{
  return q * (tf2Scalar(1.0) / s);
}

inline tf2Scalar dot(const Quaternion & q1, const Quaternion & q2) { return q1.dot(q2); }

inline Quaternion inverse(const Quaternion & q) { return q.inverse(); }

inline Quaternion slerp(const Quaternion & q1, const Quaternion & q2, const tf2Scalar & t)
{
  return q1.slerp(q2, t);
}

// v rotated by rotation, as q v q^-1.
inline Vector3 quatRotate(const Quaternion & rotation, const Vector3 & v)
{
  Quaternion q = rotation * v;
  q *= rotation.inverse();
  return Vector3(q.x(), q.y(), q.z());
}

}  // namespace tf2

#endif  // TF2__LINEARMATH__QUATERNION_H_
