#ifndef QUILLON_DYNAMIC_DETECTOR__CLASSIFIER_CONFIG_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLASSIFIER_CONFIG_HPP_

#include <cstdint>

namespace quillon_dynamic_detector
{

// Bands and scores of the shape-based pedestrian classifier ("classifier.*").
struct ClassifierConfig
{
  double reject_max_width;
  double reject_max_length;
  double reject_max_area;
  double width_good_min;
  double width_good_max;
  double width_weak_min;
  double width_weak_max;
  double width_good_score;
  double width_weak_score;
  double length_good_min;
  double length_good_max;
  double length_weak_min;
  double length_weak_max;
  double length_good_score;
  double length_weak_score;
  double aspect_good_diff;
  double aspect_weak_diff;
  double aspect_good_score;
  double aspect_weak_score;
  double compactness_good_min;
  double compactness_weak_min;
  double compactness_good_score;
  double compactness_weak_score;
  double area_good_min;
  double area_good_max;
  double area_weak_min;
  double area_weak_max;
  double area_good_score;
  double area_weak_score;
  int32_t points_good_min;
  int32_t points_weak_min;
  int32_t points_min;
  double points_good_score;
  double points_weak_score;
  double points_min_score;
  double pedestrian_score_threshold;
};

// The classifier's defaults, in field order.
inline constexpr ClassifierConfig DEFAULT_CLASSIFIER_CONFIG{
  1.4,  2.2,  2.0,                    // reject: width, length, area
  0.18, 0.95, 0.1,  1.2, 0.3,  0.1,   // width: good band, weak band, scores
  0.18, 1.3,  0.1,  1.6, 0.2,  0.05,  // length: good band, weak band, scores
  0.3,  1.0,  0.2,  0.1,              // aspect: good diff, weak diff, scores
  0.55, 0.25, 0.2,  0.1,              // compactness: good min, weak min, scores
  0.03, 0.8,  0.01, 1.2, 0.15, 0.05,  // area: good band, weak band, scores
  8,    4,    2,                      // points: good min, weak min, min
  0.15, 0.08, 0.03,                   // points: scores
  0.45};                              // pedestrian score threshold

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLASSIFIER_CONFIG_HPP_
