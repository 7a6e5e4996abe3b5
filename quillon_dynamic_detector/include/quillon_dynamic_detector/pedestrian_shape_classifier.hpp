#ifndef QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_SHAPE_CLASSIFIER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_SHAPE_CLASSIFIER_HPP_

#include "quillon_dynamic_detector/classifier_config.hpp"
#include "quillon_dynamic_detector/cluster_features.hpp"

namespace quillon_dynamic_detector
{

// How much a cluster looks like a person from its shape alone.
struct ShapeScore
{
  bool is_pedestrian = false;
  float score = 0.0F;
};

// Sums the configured width, length, aspect, compactness, area and point-count bonuses, each
// rounded to single precision as it is added, after the hard size rejections. A NaN measure
// rejects nothing and earns no bonus.
ShapeScore scorePedestrianShape(const ClusterFeatures & features, const ClassifierConfig & config);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_SHAPE_CLASSIFIER_HPP_
