// tf2::Transform: a rigid transform, rotation kept as a 3x3 basis plus a translation (origin).
#ifndef TF2__LINEARMATH__TRANSFORM_H_
#define TF2__LINEARMATH__TRANSFORM_H_

#include "tf2/LinearMath/Matrix3x3.h"
#include "tf2/LinearMath/Quaternion.h"
#include "tf2/LinearMath/Vector3.h"

namespace tf2
{

class Transform
{
public:
  Transform() = default;
  explicit Transform(const Quaternion & q, const Vector3 & c = Vector3(0.0, 0.0, 0.0))
  : basis_(q), origin_(c)
  {
  }
  explicit Transform(const Matrix3x3 & b, const Vector3 & c = Vector3(0.0, 0.0, 0.0))
  : basis_(b), origin_(c)
  {
  }

  Matrix3x3 & getBasis() { return basis_; }
  const Matrix3x3 & getBasis() const { return basis_; }
  Vector3 & getOrigin() { return origin_; }
  const Vector3 & getOrigin() const { return origin_; }
  Quaternion getRotation() const
  {
    Quaternion q;
    basis_.getRotation(q);
    return q;
  }

  void setBasis(const Matrix3x3 & basis) { basis_ = basis; }
  void setOrigin(const Vector3 & origin) { origin_ = origin; }
  void setRotation(const Quaternion & q) { basis_.setRotation(q); }
  void setIdentity()
  {
    basis_.setIdentity();
    origin_.setValue(0.0, 0.0, 0.0);
  }
  static const Transform & getIdentity()
  {
    static const Transform identity(Matrix3x3::getIdentity());
    return identity;
  }

  // The point x given in the child frame, expressed in the parent frame.
  Vector3 operator()(const Vector3 & x) const
  {
    return Vector3(
      basis_[0].dot(x) + origin_.x(), basis_[1].dot(x) + origin_.y(),
      basis_[2].dot(x) + origin_.z());
  }
  Vector3 operator*(const Vector3 & x) const { return (*this)(x); }

  Transform operator*(const Transform & t) const
  {
    return Transform(basis_ * t.basis_, (*this)(t.origin_));
  }
  Transform & operator*=(const Transform & t)
  {
    origin_ = (*this)(t.origin_);
    basis_ *= t.basis_;
    return *this;
  }

  Transform inverse() const
  {
    const Matrix3x3 inv = basis_.transpose();
    return Transform(inv, inv * -origin_);
  }

private:
  Matrix3x3 basis_;
  Vector3 origin_;
};

}  // namespace tf2

#endif  // TF2__LINEARMATH__TRANSFORM_H_
