#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "quillon_dynamic_detector/pedestrian_shape_classifier.hpp"

using quillon_dynamic_detector::ClassifierConfig;
using quillon_dynamic_detector::ClusterFeatures;
using quillon_dynamic_detector::DEFAULT_CLASSIFIER_CONFIG;
using quillon_dynamic_detector::scorePedestrianShape;
using quillon_dynamic_detector::ShapeScore;

namespace
{

// A cluster that earns no shape bonus at the defaults, only the smallest point-count bonus.
ClusterFeatures plainCluster()
{
  ClusterFeatures f;
  f.width = 0.0;
  f.length = 0.0;
  f.aspect_ratio = 100.0;
  f.area = 0.0;
  f.compactness = 0.0;
  f.point_count = 2;
  return f;
}

ClusterFeatures personCluster()
{
  ClusterFeatures f;
  f.width = 0.4;
  f.length = 0.4;
  f.aspect_ratio = 1.0;
  f.area = 0.1;
  f.compactness = 0.6;
  f.point_count = 10;
  return f;
}

TEST(PedestrianShapeClassifier, EveryBonusIsRoundedToSinglePrecisionAsItIsAdded)
{
  const ShapeScore ideal = scorePedestrianShape(personCluster(), DEFAULT_CLASSIFIER_CONFIG);
  EXPECT_TRUE(ideal.is_pedestrian);
  // 0.3 + 0.2 + 0.2 + 0.2 + 0.15 + 0.15 rounded after every term; one rounding of the double sum
  // would give 1.20000005f.
  EXPECT_EQ(1.19999993F, ideal.score);

  // 0.3 + 0.15 is 0.44999999999999996 in double, below the threshold; in single precision it is
  // 0.450000018f, which reaches it.
  ClusterFeatures tie = plainCluster();
  tie.width = 0.3;
  tie.point_count = 8;
  const ShapeScore tied = scorePedestrianShape(tie, DEFAULT_CLASSIFIER_CONFIG);
  EXPECT_EQ(0.450000018F, tied.score);
  EXPECT_TRUE(tied.is_pedestrian);
}

TEST(PedestrianShapeClassifier, GoodBandsAreOpenAndWeakBandsCatchWhatTheyMiss)
{
  const ClassifierConfig & config = DEFAULT_CLASSIFIER_CONFIG;
  EXPECT_EQ(0.0299999993F, scorePedestrianShape(plainCluster(), config).score);

  ClusterFeatures f = plainCluster();
  f.width = 0.18;  // the good band's lower bound itself only earns the weak 0.1
  EXPECT_EQ(0.129999995F, scorePedestrianShape(f, config).score);

  f = plainCluster();
  f.aspect_ratio = 1.2999999999;  // |aspect - 1| is below 0.3 but rounds up to 0.3f: weak
  EXPECT_EQ(0.129999995F, scorePedestrianShape(f, config).score);

  f = plainCluster();
  f.compactness = 0.55;  // "above" the good minimum, so the minimum itself is weak
  EXPECT_EQ(0.129999995F, scorePedestrianShape(f, config).score);
}

TEST(PedestrianShapeClassifier, HardRejectionsAreInclusiveLimitsAndScoreZero)
{
  const ClassifierConfig & config = DEFAULT_CLASSIFIER_CONFIG;
  ClusterFeatures f = personCluster();
  f.point_count = 1;
  const ShapeScore single_point = scorePedestrianShape(f, config);
  EXPECT_FALSE(single_point.is_pedestrian);
  EXPECT_EQ(0.0F, single_point.score);

  // At the limit: not rejected, though too wide for any width bonus.
  f = personCluster();
  f.width = 1.4;
  EXPECT_EQ(0.899999976F, scorePedestrianShape(f, config).score);
  f.width = std::nextafter(1.4, 2.0);
  EXPECT_EQ(0.0F, scorePedestrianShape(f, config).score);

  // NaN measures reject nothing and earn nothing.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  f = personCluster();
  f.width = f.length = f.aspect_ratio = f.area = f.compactness = nan;
  const ShapeScore unknown = scorePedestrianShape(f, config);
  EXPECT_EQ(0.150000006F, unknown.score);
  EXPECT_FALSE(unknown.is_pedestrian);
}

TEST(PedestrianShapeClassifier, ScoreEqualToTheThresholdIsPedestrian)
{
  ClassifierConfig config = DEFAULT_CLASSIFIER_CONFIG;
  const float score = scorePedestrianShape(personCluster(), config).score;

  config.pedestrian_score_threshold = static_cast<double>(score);
  EXPECT_TRUE(scorePedestrianShape(personCluster(), config).is_pedestrian);
  config.pedestrian_score_threshold = std::nextafter(static_cast<double>(score), 2.0);
  EXPECT_FALSE(scorePedestrianShape(personCluster(), config).is_pedestrian);
}

}  // namespace
