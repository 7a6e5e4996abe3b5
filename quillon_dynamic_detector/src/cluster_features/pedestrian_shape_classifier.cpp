#include "quillon_dynamic_detector/pedestrian_shape_classifier.hpp"

#include <cmath>

namespace quillon_dynamic_detector
{
namespace
{

// The score is kept in single precision: each bonus is added in double and the sum rounded back,
// so that ties at the threshold fall the same way on every machine.
float addBonus(float score, double bonus)
{
  return static_cast<float>(static_cast<double>(score) + bonus);
}

// A good band, and around it a weak band that earns the smaller bonus; both open intervals.
struct Band
{
  double good_min;
  double good_max;
  double good_score;
  double weak_min;
  double weak_max;
  double weak_score;
};

double bandBonus(double value, const Band & band)
{
  if (band.good_min < value && value < band.good_max) {
    return band.good_score;
  }
  if (band.weak_min < value && value < band.weak_max) {
    return band.weak_score;
  }
  return 0.0;
}

double aspectBonus(double aspect_ratio, const ClassifierConfig & c)
{
  const double distance_from_square = static_cast<float>(std::abs(aspect_ratio - 1.0));
  if (distance_from_square < c.aspect_good_diff) {
    return c.aspect_good_score;
  }
  if (distance_from_square < c.aspect_weak_diff) {
    return c.aspect_weak_score;
  }
  return 0.0;
}

double compactnessBonus(double compactness, const ClassifierConfig & c)
{
  if (compactness > c.compactness_good_min) {
    return c.compactness_good_score;
  }
  if (compactness > c.compactness_weak_min) {
    return c.compactness_weak_score;
  }
  return 0.0;
}

double pointCountBonus(int32_t point_count, const ClassifierConfig & c)
{
  if (point_count >= c.points_good_min) {
    return c.points_good_score;
  }
  if (point_count >= c.points_weak_min) {
    return c.points_weak_score;
  }
  return c.points_min_score;
}

// Limits are inclusive; a NaN measure rejects nothing.
bool isRejectedOutright(const ClusterFeatures & f, const ClassifierConfig & c)
{
  return f.point_count < c.points_min || f.width > c.reject_max_width ||
         f.length > c.reject_max_length || f.area > c.reject_max_area;
}

}  // namespace

ShapeScore scorePedestrianShape(const ClusterFeatures & features, const ClassifierConfig & config)
{
  const ClassifierConfig & c = config;
  if (isRejectedOutright(features, c)) {
    return ShapeScore{};
  }
  const Band width{c.width_good_min, c.width_good_max, c.width_good_score,
                   c.width_weak_min, c.width_weak_max, c.width_weak_score};
  const Band length{c.length_good_min, c.length_good_max, c.length_good_score,
                    c.length_weak_min, c.length_weak_max, c.length_weak_score};
  const Band area{c.area_good_min, c.area_good_max, c.area_good_score,
                  c.area_weak_min, c.area_weak_max, c.area_weak_score};

  float score = 0.0F;
  score = addBonus(score, bandBonus(features.width, width));
  score = addBonus(score, bandBonus(features.length, length));
  score = addBonus(score, aspectBonus(features.aspect_ratio, c));
  score = addBonus(score, compactnessBonus(features.compactness, c));
  score = addBonus(score, bandBonus(features.area, area));
  score = addBonus(score, pointCountBonus(features.point_count, c));

  ShapeScore result;
  result.score = score;
  result.is_pedestrian = static_cast<double>(score) >= c.pedestrian_score_threshold;
  return result;
}

}  // namespace quillon_dynamic_detector
