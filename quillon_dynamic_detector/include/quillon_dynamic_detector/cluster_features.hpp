#ifndef QUILLON_DYNAMIC_DETECTOR__CLUSTER_FEATURES_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLUSTER_FEATURES_HPP_

#include <cstdint>

#include "quillon_dynamic_detector/cluster_cloud.hpp"

namespace quillon_dynamic_detector
{

// Shape measures of one cluster in the scanner frame (m, m^2, rad). The fields follow the
// object message from `width` to `bearing`, so the record copies there field by field.
struct ClusterFeatures
{
  double width = 0.0;         // x-extent of the axis-aligned bounds
  double length = 0.0;        // y-extent of the axis-aligned bounds
  double aspect_ratio = 0.0;  // length / width; 100.0 when the x-extent is at most 0.01f
  double area = 0.0;          // planar convex hull area; 0 for a degenerate hull
  double compactness = 0.0;   // 4*pi*area / perimeter^2; 0 for a degenerate hull
  int32_t point_count = 0;
  double velocity_x = 0.0;  // only exported tracks carry a velocity
  double velocity_y = 0.0;
  double speed = 0.0;
  double reserved = 0.0;
  double range = 0.0;    // centroid distance from the scanner origin
  double bearing = 0.0;  // centroid direction from the scanner origin
};

// Mean x and y of the points that count: all of them in a dense cloud, only the finite ones
// otherwise. NaN when no point counts.
struct PlanarCentroid
{
  float x;
  float y;
};

PlanarCentroid computePlanarCentroid(const pcl::PointCloud<pcl::PointXYZ> & cloud);

// Measures `cluster`. Throws std::invalid_argument for a null or empty cluster. A cluster
// without any finite point gets NaN extents, range and bearing and a zero hull.
ClusterFeatures computeClusterFeatures(const ClusterCloud & cluster);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLUSTER_FEATURES_HPP_
