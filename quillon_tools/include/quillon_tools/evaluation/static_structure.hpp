#ifndef QUILLON_TOOLS__EVALUATION__STATIC_STRUCTURE_HPP_
#define QUILLON_TOOLS__EVALUATION__STATIC_STRUCTURE_HPP_

#include <cstddef>
#include <vector>

#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_tools
{

// The walls and furniture a scanner at rest keeps seeing, found from its recording alone: a beam
// sees structure where at least `share` of its readings (returns or not) lie within `tolerance`
// of the median of its returns. Only the returns within that tolerance are structure returns;
// a person passing through the beam is not. Scans whose beam count differs from the first
// scan's are left out.
class StaticStructure
{
public:
  explicit StaticStructure(
    const std::vector<sensor_msgs::msg::LaserScan> & scans, double share = 0.8,
    double tolerance = 0.05);

  bool isStructureReturn(std::size_t beam, float range) const;
  std::size_t structureBeams() const;
  // One point per structure beam at its median range, in the scanner frame.
  std::vector<PlanarVector> points() const;

private:
  std::vector<float> median_;  // per beam; NaN where the beam sees no structure
  float tolerance_ = 0.0f;
  double angle_min_ = 0.0;
  double angle_increment_ = 0.0;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__STATIC_STRUCTURE_HPP_
