// tf2::Vector3: a 3-D vector in double precision.
#ifndef TF2__LINEARMATH__VECTOR3_H_
#define TF2__LINEARMATH__VECTOR3_H_

#include "tf2/LinearMath/Scalar.h"

namespace tf2
{

class Vector3
{
public:
  Vector3() = default;
  Vector3(const tf2Scalar & x, const tf2Scalar & y, const tf2Scalar & z) : v_{x, y, z} {}

  const tf2Scalar & x() const { return v_[0]; }
  const tf2Scalar & y() const { return v_[1]; }
  const tf2Scalar & z() const { return v_[2]; }
  const tf2Scalar & getX() const { return v_[0]; }
  const tf2Scalar & getY() const { return v_[1]; }
  const tf2Scalar & getZ() const { return v_[2]; }
  void setX(tf2Scalar x) { v_[0] = x; }
  void setY(tf2Scalar y) { v_[1] = y; }
  void setZ(tf2Scalar z) { v_[2] = z; }
  void setValue(const tf2Scalar & x, const tf2Scalar & y, const tf2Scalar & z)
  {
    v_[0] = x;
    v_[1] = y;
    v_[2] = z;
  }
  void setZero() { setValue(0.0, 0.0, 0.0); }

  tf2Scalar & operator[](int i) { return v_[i]; }
  const tf2Scalar & operator[](int i) const { return v_[i]; }

  Vector3 & operator+=(const Vector3 & v)
  {
    v_[0] += v.v_[0];
    v_[1] += v.v_[1];
    v_[2] += v.v_[2];
    return *this;
  }
  Vector3 & operator-=(const Vector3 & v)
  {
    v_[0] -= v.v_[0];
    v_[1] -= v.v_[1];
    v_[2] -= v.v_[2];
    return *this;
  }
  Vector3 & operator*=(const tf2Scalar & s)
  {
    v_[0] *= s;
    v_[1] *= s;
    v_[2] *= s;
    return *this;
  }
  // Like tf2, division multiplies by the reciprocal.
  Vector3 & operator/=(const tf2Scalar & s) { return *this *= tf2Scalar(1.0) / s; }

  tf2Scalar dot(const Vector3 & v) const
  {
    return v_[0] * v.v_[0] + v_[1] * v.v_[1] + v_[2] * v.v_[2];
  }
  tf2Scalar length2() const { return dot(*this); }
  tf2Scalar length() const { return tf2Sqrt(length2()); }
  Vector3 & normalize() { return *this /= length(); }
  Vector3 normalized() const { return Vector3(*this).normalize(); }
  Vector3 cross(const Vector3 & v) const
  {
    return Vector3(
      v_[1] * v.v_[2] - v_[2] * v.v_[1], v_[2] * v.v_[0] - v_[0] * v.v_[2],
      v_[0] * v.v_[1] - v_[1] * v.v_[0]);
  }

  // Linear interpolation: v0 at rt = 0, v1 at rt = 1.
  void setInterpolate3(const Vector3 & v0, const Vector3 & v1, tf2Scalar rt)
  {
    const tf2Scalar s = tf2Scalar(1.0) - rt;
    v_[0] = s * v0.v_[0] + rt * v1.v_[0];
    v_[1] = s * v0.v_[1] + rt * v1.v_[1];
    v_[2] = s * v0.v_[2] + rt * v1.v_[2];
  }

  bool operator==(const Vector3 & other) const
  {
    return v_[0] == other.v_[0] && v_[1] == other.v_[1] && v_[2] == other.v_[2];
  }
  bool operator!=(const Vector3 & other) const { return !(*this == other); }

private:
  tf2Scalar v_[3] = {0.0, 0.0, 0.0};
};

inline Vector3 operator+(const Vector3 & a, const Vector3 & b)
{
  return Vector3(a.x() + b.x(), a.y() + b.y(), a.z() + b.z());
}

inline Vector3 operator-(const Vector3 & a, const Vector3 & b)
{
  return Vector3(a.x() - b.x(), a.y() - b.y(), a.z() - b.z());
}

inline Vector3 operator-(const Vector3 & v) { return Vector3(-v.x(), -v.y(), -v.z()); }

inline Vector3 operator*(const Vector3 & v, const tf2Scalar & s)
{
  return Vector3(v.x() * s, v.y() * s, v.z() * s);
}

inline Vector3 operator*(const tf2Scalar & s, const Vector3 & v) { return v * s; }

inline Vector3 operator/(const Vector3 & v, const tf2Scalar & s)
{
  return v * (tf2Scalar(1.0) / s);
}

inline tf2Scalar tf2Dot(const Vector3 & a, const Vector3 & b) { return a.dot(b); }

inline Vector3 tf2Cross(const Vector3 & a, const Vector3 & b) { return a.cross(b); }

}  // namespace tf2

#endif  // TF2__LINEARMATH__VECTOR3_H_
