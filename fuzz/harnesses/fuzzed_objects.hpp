// Objects decoded from a fuzzer's input, shared by the harnesses of the tracker and the fusion:
// a few prototypes per input (non-finite and extreme values, odd quaternions, empty and huge
// outlines, absurd point counts) that lists repeat with small offsets to reach large counts.
#ifndef QUILLON_FUZZ__FUZZED_OBJECTS_HPP_
#define QUILLON_FUZZ__FUZZED_OBJECTS_HPP_

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "fuzzed_bytes.hpp"
#include "quillon_protocol/msg/object.hpp"

namespace quillon_fuzz
{

constexpr double SPECIAL_DOUBLES[] = {
  std::numeric_limits<double>::quiet_NaN(),
  std::numeric_limits<double>::infinity(),
  -std::numeric_limits<double>::infinity(),
  0.0,
  -0.0,
  1e-320,
  DBL_MAX,
  -DBL_MAX,
  1e300,
  -1e300,
  -1.0,
  FLT_MAX,
  1e-3};

constexpr float SPECIAL_OUTLINE_FLOATS[] = {
  std::numeric_limits<float>::quiet_NaN(),
  std::numeric_limits<float>::infinity(),
  -FLT_MAX,
  FLT_MAX,
  0.0F,
  1e-42F};

constexpr std::size_t POLYGON_SIZES[] = {4, 4, 0, 1, 2, 3, 8, 64, 4000};
constexpr int32_t POINT_COUNTS[] = {
  10, 30, 0, 1, -1, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()};

// Mostly a coordinate between -5 m and 5.35 m, a fifth of the time a special value.
inline double coordinateOrSpecial(FuzzedBytes & in)
{
  const uint8_t code = in.byte();
  if (code < 48) {
    return SPECIAL_DOUBLES[code % (sizeof(SPECIAL_DOUBLES) / sizeof(SPECIAL_DOUBLES[0]))];
  }
  return -5.0 + 0.05 * static_cast<double>(code - 48);
}

// Any value where `anything` is set, otherwise a plain coordinate (-6.4 m ... 6.35 m): for the
// fields a stage trusts its producer to keep finite.
inline double coordinate(FuzzedBytes & in, bool anything)
{
  return anything ? coordinateOrSpecial(in) : 0.05 * static_cast<double>(in.byte()) - 6.4;
}

// One object. Without `anything`, every field but the position and velocity is finite and
// plausible, as the detection builder makes them.
inline quillon_protocol::msg::Object decodeObject(FuzzedBytes & in, bool anything = true)
{
  quillon_protocol::msg::Object o;
  o.pose.position.x = coordinateOrSpecial(in);
  o.pose.position.y = coordinateOrSpecial(in);
  switch (anything ? in.byte() % 5 : 0) {
    case 1:
      o.pose.orientation.w = std::numeric_limits<double>::quiet_NaN();
      break;
    case 2:
      o.pose.orientation.w = 0.0;
      break;  // the zero quaternion
    case 3:
      o.pose.orientation.z = 3.0;
      o.pose.orientation.w = 4.0;
      break;
    default:
      break;  // identity
  }
  o.velocity_x = coordinateOrSpecial(in);
  o.velocity_y = coordinateOrSpecial(in);
  o.speed = coordinate(in, anything);
  o.classification = in.flag() ? 1 : static_cast<int32_t>(in.byte()) - 128;
  o.point_count = in.pick(POINT_COUNTS);
  o.compactness = coordinate(in, anything);
  o.width = coordinate(in, anything);
  o.length = coordinate(in, anything);
  o.area = coordinate(in, anything);
  o.polygon.resize(in.pick(POLYGON_SIZES));
  const bool special_corner = anything && in.flag();
  for (std::size_t k = 0; k < o.polygon.size(); ++k) {
    o.polygon[k].x = static_cast<float>(o.pose.position.x) + 0.1F * static_cast<float>(k % 7);
    o.polygon[k].y = static_cast<float>(o.pose.position.y) - 0.1F * static_cast<float>(k % 5);
  }
  if (special_corner && !o.polygon.empty()) {
    o.polygon[0].x = in.pick(SPECIAL_OUTLINE_FLOATS);
  }
  return o;
}

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__FUZZED_OBJECTS_HPP_
