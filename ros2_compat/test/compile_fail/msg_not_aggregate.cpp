// Generated messages have an explicit constructor, so brace initialisation of fields fails.
// expect-error: (could not convert|no matching|cannot convert|converting to)
#include "geometry_msgs/msg/point.hpp"

geometry_msgs::msg::Point makePoint()
{
  geometry_msgs::msg::Point p{1.0, 2.0, 3.0};
  return p;
}
