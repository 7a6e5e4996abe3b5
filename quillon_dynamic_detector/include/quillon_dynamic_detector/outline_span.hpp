#ifndef QUILLON_DYNAMIC_DETECTOR__OUTLINE_SPAN_HPP_
#define QUILLON_DYNAMIC_DETECTOR__OUTLINE_SPAN_HPP_

#include <vector>

#include "geometry_msgs/msg/point32.hpp"

namespace quillon_dynamic_detector
{

// How long and how thick a convex outline is, in the plane (z ignored), whatever its heading.
struct OutlineSpan
{
  double length = 0.0;     // m; the largest distance between two of its corners
  double thickness = 0.0;  // m; its narrowest width between two parallel lines that enclose it
};

// The span of a convex outline (corners in order, as a cluster's detection carries it). Fewer
// than three corners, or corners on one line, give thickness 0; a non-finite corner gives NaN.
OutlineSpan outlineSpan(const std::vector<geometry_msgs::msg::Point32> & outline);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__OUTLINE_SPAN_HPP_
