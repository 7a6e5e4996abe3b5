#include "quillon_dynamic_detector/self_filter_config.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon_dynamic_detector
{
namespace
{

// Outlines smaller than a square micrometre are rounding noise of points on one line.
constexpr double MIN_OUTLINE_AREA = 1e-12;

std::string shown(double value)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%g", value);
  return text;
}

[[noreturn]] void refuse(const std::string & name, const std::string & reason)
{
  throw std::invalid_argument("parameter '" + name + "' " + reason);
}

// A list read as pairs must have an even count of finite values.
void requireFinitePairs(
  const std::string & name, const std::vector<double> & values, const char * pair_words)
{
  if (values.size() % 2 != 0) {
    refuse(
      name, std::string("must hold ") + pair_words + " pairs, not an odd count of " +
              std::to_string(values.size()) + " values");
  }
  for (const double value : values) {
    if (!std::isfinite(value)) {
      refuse(name, "must hold finite numbers only, not " + shown(value));
    }
  }
}

double cross(const FootprintVertex & o, const FootprintVertex & a, const FootprintVertex & b)
{
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Whether p, on the line through a and b, lies between them.
bool between(const FootprintVertex & p, const FootprintVertex & a, const FootprintVertex & b)
{
  return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
         p.y <= std::max(a.y, b.y);
}

// Whether the closed segments ab and cd have a point in common.
bool segmentsMeet(
  const FootprintVertex & a, const FootprintVertex & b, const FootprintVertex & c,
  const FootprintVertex & d)
{
  const double d1 = cross(c, d, a);
  const double d2 = cross(c, d, b);
  const double d3 = cross(a, b, c);
  const double d4 = cross(a, b, d);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) {
    return true;
  }
  return (d1 == 0 && between(a, c, d)) || (d2 == 0 && between(b, c, d)) ||
         (d3 == 0 && between(c, a, b)) || (d4 == 0 && between(d, a, b));
}

// Edges that follow each other meet only at their shared corner: neither may have zero length
// or turn straight back along the other.
bool foldsBack(const FootprintVertex & a, const FootprintVertex & b, const FootprintVertex & c)
{
  const bool zero_length = (a.x == b.x && a.y == b.y) || (b.x == c.x && b.y == c.y);
  const double dot = (b.x - a.x) * (c.x - b.x) + (b.y - a.y) * (c.y - b.y);
  return zero_length || (cross(a, b, c) == 0 && dot < 0);
}

bool crossesItself(const std::vector<FootprintVertex> & outline)
{
  const std::size_t n = outline.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (foldsBack(outline[i], outline[(i + 1) % n], outline[(i + 2) % n])) {
      return true;
    }
    // Edges i and j, neither following the other.
    for (std::size_t j = i + 2; j < n; ++j) {
      if (
        (i != 0 || j != n - 1) &&
        segmentsMeet(outline[i], outline[i + 1], outline[j], outline[(j + 1) % n])) {
        return true;
      }
    }
  }
  return false;
}

double area(const std::vector<FootprintVertex> & outline)
{
  double twice = 0.0;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const FootprintVertex & a = outline[i];
    const FootprintVertex & b = outline[(i + 1) % outline.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return std::abs(twice) / 2.0;
}

}  // namespace

std::vector<FootprintVertex> footprintFromValues(
  const std::string & name, const std::vector<double> & values)
{
  requireFinitePairs(name, values, "x, y");
  std::vector<FootprintVertex> outline;
  for (std::size_t i = 0; i < values.size(); i += 2) {
    outline.push_back({values[i], values[i + 1]});
  }
  if (!outline.empty() && outline.size() < 3) {
    refuse(name, "must have at least 3 vertices (6 values), not " + std::to_string(outline.size()));
  }
  if (!outline.empty() && (area(outline) <= MIN_OUTLINE_AREA || crossesItself(outline))) {
    refuse(name, "must outline an area without crossing or touching itself");
  }
  return outline;
}

std::vector<BeamAngleRange> angleRangesFromValues(
  const std::string & name, const std::vector<double> & values)
{
  requireFinitePairs(name, values, "[from, to]");
  std::vector<BeamAngleRange> ranges;
  for (std::size_t i = 0; i < values.size(); i += 2) {
    if (values[i] > values[i + 1]) {
      refuse(
        name, "must have from <= to in each pair, not [" + shown(values[i]) + ", " +
                shown(values[i + 1]) + "]");
    }
    ranges.push_back({values[i], values[i + 1]});
  }
  return ranges;
}

}  // namespace quillon_dynamic_detector
