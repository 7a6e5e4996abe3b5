#ifndef QUILLON_DYNAMIC_DETECTOR__DETECTION_BUILDER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__DETECTION_BUILDER_HPP_

#include <vector>

#include "quillon_dynamic_detector/classifier_config.hpp"
#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_protocol/msg/object.hpp"

namespace quillon_dynamic_detector
{

// The detections of one scan's moving clusters, in cluster order, with the shape score of each
// beside it.
struct Detections
{
  std::vector<quillon_protocol::msg::Object> objects;
  std::vector<float> scores;
};

// One detection per cluster: centroid, convex outline, shape measures and pedestrian verdict.
Detections buildDetections(const ClusterList & clusters, const ClassifierConfig & classifier);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__DETECTION_BUILDER_HPP_
