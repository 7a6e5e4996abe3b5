// tf2::Matrix3x3: a row-major 3x3 rotation matrix, converting to and from quaternions and Euler
// angles with tf2's formulas.
#ifndef TF2__LINEARMATH__MATRIX3X3_H_
#define TF2__LINEARMATH__MATRIX3X3_H_

#include "tf2/LinearMath/Quaternion.h"
#include "tf2/LinearMath/Scalar.h"
#include "tf2/LinearMath/Vector3.h"

namespace tf2
{

class Matrix3x3
{
public:
  Matrix3x3() = default;
  explicit Matrix3x3(const Quaternion & q) { setRotation(q); }
  Matrix3x3(
    const tf2Scalar & xx, const tf2Scalar & xy, const tf2Scalar & xz, const tf2Scalar & yx,
    const tf2Scalar & yy, const tf2Scalar & yz, const tf2Scalar & zx, const tf2Scalar & zy,
    const tf2Scalar & zz)
  {
    setValue(xx, xy, xz, yx, yy, yz, zx, zy, zz);
  }

  void setValue(
    const tf2Scalar & xx, const tf2Scalar & xy, const tf2Scalar & xz, const tf2Scalar & yx,
    const tf2Scalar & yy, const tf2Scalar & yz, const tf2Scalar & zx, const tf2Scalar & zy,
    const tf2Scalar & zz)
  {
    rows_[0].setValue(xx, xy, xz);
    rows_[1].setValue(yx, yy, yz);
    rows_[2].setValue(zx, zy, zz);
  }

  Vector3 & operator[](int row) { return rows_[row]; }
  const Vector3 & operator[](int row) const { return rows_[row]; }
  const Vector3 & getRow(int row) const { return rows_[row]; }
  Vector3 getColumn(int col) const { return Vector3(rows_[0][col], rows_[1][col], rows_[2][col]); }

  void setIdentity() { setValue(1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0); }
  static const Matrix3x3 & getIdentity()
  {
    static const Matrix3x3 identity(1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0);
    return identity;
  }

  // Scales by 2 / |q|^2, so a non-unit quaternion still gives a rotation matrix.
  void setRotation(const Quaternion & q)
  {
    const tf2Scalar s = tf2Scalar(2.0) / q.length2();
    const tf2Scalar xs = q.x() * s, ys = q.y() * s, zs = q.z() * s;
    const tf2Scalar wx = q.w() * xs, wy = q.w() * ys, wz = q.w() * zs;
    const tf2Scalar xx = q.x() * xs, xy = q.x() * ys, xz = q.x() * zs;
    const tf2Scalar yy = q.y() * ys, yz = q.y() * zs, zz = q.z() * zs;
    setValue(
      tf2Scalar(1.0) - (yy + zz), xy - wz, xz + wy, xy + wz, tf2Scalar(1.0) - (xx + zz), yz - wx,
      xz - wy, yz + wx, tf2Scalar(1.0) - (xx + yy));
  }

  void getRotation(Quaternion & q) const;

  // Rotation about Z (yaw), then Y (pitch), then X (roll), applied to a vector in X, Y, Z order.
  void setEulerYPR(tf2Scalar yaw, tf2Scalar pitch, tf2Scalar roll);
  void setRPY(tf2Scalar roll, tf2Scalar pitch, tf2Scalar yaw) { setEulerYPR(yaw, pitch, roll); }

  // solution_number 1 gives pitch in [-pi/2, pi/2]; 2 gives the other of the two solutions.
  void getEulerYPR(
    tf2Scalar & yaw, tf2Scalar & pitch, tf2Scalar & roll, unsigned int solution_number = 1) const;
  void getRPY(
    tf2Scalar & roll, tf2Scalar & pitch, tf2Scalar & yaw, unsigned int solution_number = 1) const
  {
    getEulerYPR(yaw, pitch, roll, solution_number);
  }

  // Column-major 3x4 block (OpenGL layout): m[0..2] is the first column, m[3], m[7], m[11] are 0.
  void getOpenGLSubMatrix(tf2Scalar * m) const
  {
    for (int col = 0; col < 3; ++col) {
      m[col * 4 + 0] = rows_[0][col];
      m[col * 4 + 1] = rows_[1][col];
      m[col * 4 + 2] = rows_[2][col];
      m[col * 4 + 3] = tf2Scalar(0.0);
    }
  }

  Matrix3x3 transpose() const
  {
    return Matrix3x3(
      rows_[0].x(), rows_[1].x(), rows_[2].x(), rows_[0].y(), rows_[1].y(), rows_[2].y(),
      rows_[0].z(), rows_[1].z(), rows_[2].z());
  }

  // Column c of this matrix dotted with v.
  tf2Scalar tdot(int c, const Vector3 & v) const
  {
    return rows_[0][c] * v.x() + rows_[1][c] * v.y() + rows_[2][c] * v.z();
  }

  Matrix3x3 & operator*=(const Matrix3x3 & m);

  bool operator==(const Matrix3x3 & o) const
  {
    return rows_[0] == o.rows_[0] && rows_[1] == o.rows_[1] && rows_[2] == o.rows_[2];
  }

private:
  Vector3 rows_[3];
};

inline void Matrix3x3::getRotation(Quaternion & q) const
{
  const tf2Scalar trace = rows_[0].x() + rows_[1].y() + rows_[2].z();
  tf2Scalar out[4];
  if (trace > tf2Scalar(0.0)) {
    tf2Scalar s = tf2Sqrt(trace + tf2Scalar(1.0));
    out[3] = s * tf2Scalar(0.5);
    s = tf2Scalar(0.5) / s;
    out[0] = (rows_[2].y() - rows_[1].z()) * s;
    out[1] = (rows_[0].z() - rows_[2].x()) * s;
    out[2] = (rows_[1].x() - rows_[0].y()) * s;
  } else {
    // Start from the largest diagonal element for numerical stability.
    const int i = rows_[0].x() < rows_[1].y() ? (rows_[1].y() < rows_[2].z() ? 2 : 1)
                                              : (rows_[0].x() < rows_[2].z() ? 2 : 0);
    const int j = (i + 1) % 3;
    const int k = (i + 2) % 3;
    tf2Scalar s = tf2Sqrt(rows_[i][i] - rows_[j][j] - rows_[k][k] + tf2Scalar(1.0));
    out[i] = s * tf2Scalar(0.5);
    s = tf2Scalar(0.5) / s;
    out[3] = (rows_[k][j] - rows_[j][k]) * s;
    out[j] = (rows_[j][i] + rows_[i][j]) * s;
    out[k] = (rows_[k][i] + rows_[i][k]) * s;
  }
  q.setValue(out[0], out[1], out[2], out[3]);
}

inline void Matrix3x3::setEulerYPR(tf2Scalar yaw, tf2Scalar pitch, tf2Scalar roll)
{
  const tf2Scalar ci = tf2Cos(roll), cj = tf2Cos(pitch), ch = tf2Cos(yaw);
  const tf2Scalar si = tf2Sin(roll), sj = tf2Sin(pitch), sh = tf2Sin(yaw);
  const tf2Scalar cc = ci * ch, cs = ci * sh, sc = si * ch, ss = si * sh;
  setValue(
    cj * ch, sj * sc - cs, sj * cc + ss, cj * sh, sj * ss + cc, sj * cs - sc, -sj, cj * si,
    cj * ci);
}

inline void Matrix3x3::getEulerYPR(
  tf2Scalar & yaw, tf2Scalar & pitch, tf2Scalar & roll, unsigned int solution_number) const
{
  if (tf2Fabs(rows_[2].x()) >= 1) {
    // Gimbal lock: only the difference of yaw and roll is defined; yaw is taken as 0.
    yaw = 0;
    roll = tf2Atan2(rows_[2].y(), rows_[2].z());
    pitch = rows_[2].x() < 0 ? TF2SIMD_PI / tf2Scalar(2.0) : -TF2SIMD_PI / tf2Scalar(2.0);
    return;
  }
  pitch = -tf2Asin(rows_[2].x());
  if (solution_number != 1) {
    pitch = TF2SIMD_PI - pitch;
  }
  const tf2Scalar c = tf2Cos(pitch);
  roll = tf2Atan2(rows_[2].y() / c, rows_[2].z() / c);
  yaw = tf2Atan2(rows_[1].x() / c, rows_[0].x() / c);
}

inline Matrix3x3 & Matrix3x3::operator*=(const Matrix3x3 & m)
{
  const Matrix3x3 a = *this;
  setValue(
    m.tdot(0, a[0]), m.tdot(1, a[0]), m.tdot(2, a[0]), m.tdot(0, a[1]), m.tdot(1, a[1]),
    m.tdot(2, a[1]), m.tdot(0, a[2]), m.tdot(1, a[2]), m.tdot(2, a[2]));
  return *this;
}

inline Matrix3x3 operator*(const Matrix3x3 & a, const Matrix3x3 & b)
{
  Matrix3x3 product = a;
  product *= b;
  return product;
}

inline Vector3 operator*(const Matrix3x3 & m, const Vector3 & v)
{
  return Vector3(m[0].dot(v), m[1].dot(v), m[2].dot(v));
}

}  // namespace tf2

#endif  // TF2__LINEARMATH__MATRIX3X3_H_
