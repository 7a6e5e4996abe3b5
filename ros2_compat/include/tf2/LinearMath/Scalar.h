// tf2's scalar type and the few math helpers of its LinearMath that code may name.
#ifndef TF2__LINEARMATH__SCALAR_H_
#define TF2__LINEARMATH__SCALAR_H_

#include <cfloat>
#include <cmath>

// LinearMath works in double precision throughout, as tf2 builds it.
typedef double tf2Scalar;

#define TF2SIMD_FORCE_INLINE inline
#define TF2SIMD_PI tf2Scalar(3.1415926535897932384626433832795029)
#define TF2SIMD_2_PI (tf2Scalar(2.0) * TF2SIMD_PI)
#define TF2SIMD_HALF_PI (TF2SIMD_PI * tf2Scalar(0.5))
#define TF2SIMD_EPSILON DBL_EPSILON

inline tf2Scalar tf2Sqrt(tf2Scalar x) { return std::sqrt(x); }
inline tf2Scalar tf2Fabs(tf2Scalar x) { return std::fabs(x); }
inline tf2Scalar tf2Sin(tf2Scalar x) { return std::sin(x); }
inline tf2Scalar tf2Cos(tf2Scalar x) { return std::cos(x); }
// Clamped, so that rounding just past +-1 (a dot product of unit quaternions) gives no NaN.
inline tf2Scalar tf2Asin(tf2Scalar x) { return std::asin(x < -1.0 ? -1.0 : (x > 1.0 ? 1.0 : x)); }
inline tf2Scalar tf2Acos(tf2Scalar x) { return std::acos(x < -1.0 ? -1.0 : (x > 1.0 ? 1.0 : x)); }
inline tf2Scalar tf2Atan2(tf2Scalar y, tf2Scalar x) { return std::atan2(y, x); }

#endif  // TF2__LINEARMATH__SCALAR_H_
