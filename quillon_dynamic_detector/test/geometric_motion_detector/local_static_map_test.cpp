#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "quillon_dynamic_detector/local_static_map.hpp"

using quillon_dynamic_detector::GeometricDetectorConfig;
using quillon_dynamic_detector::LocalStaticMap;
using quillon_dynamic_detector::packCellKey;
using quillon_dynamic_detector::PlanarPoint;
using quillon_dynamic_detector::staticCandidateCellKey;

namespace
{

constexpr bool BOOTSTRAP = true;
constexpr bool LEARN = false;
constexpr bool EDGE = true;
constexpr bool PLAIN = false;
const PlanarPoint ORIGIN{0.0f, 0.0f};

// Cell keys must be well defined for negative cells: evaluating them at compile time makes any
// undefined shift a compile error.
static_assert(packCellKey(3, 4) == ((3ull << 32) | 4ull), "non-negative cells are plain");
static_assert(packCellKey(-1, 2) == 0xFFFFFFFF00000002ull, "negative column");
static_assert(packCellKey(3, -1) == 0x00000003FFFFFFFFull, "negative row keeps its low bits");
static_assert(packCellKey(-2, -3) == 0xFFFFFFFEFFFFFFFDull, "both negative");

TEST(LocalStaticMap, CellKeysRoundHalvesAwayFromZeroAndGuardTheResolution)
{
  EXPECT_EQ(staticCandidateCellKey({-0.75f, 1.25f}, 0.5f), packCellKey(-2, 3));
  EXPECT_EQ(staticCandidateCellKey({0.74f, -0.2f}, 0.5f), packCellKey(1, 0));
  // Zero or negative resolutions count as one millimetre.
  EXPECT_EQ(staticCandidateCellKey({2.0f, -1.0f}, 0.0f), packCellKey(2000, -1000));
  EXPECT_EQ(staticCandidateCellKey({2.0f, -1.0f}, -0.1f), packCellKey(2000, -1000));
}

TEST(LocalStaticMap, SightingsBecomeOneMapPointAtTheirMean)
{
  LocalStaticMap map{GeometricDetectorConfig{}};
  // Three plain sightings with gaps up to 0.45 s.
  map.observeStatic({1.0f, 1.0f}, PLAIN, LEARN, 10.0);
  map.observeStatic({1.06f, 1.0f}, PLAIN, LEARN, 10.3);
  EXPECT_EQ(map.mapSize(), 0);
  map.observeStatic({1.0f, 1.09f}, PLAIN, LEARN, 10.7);
  ASSERT_EQ(map.mapSize(), 1);
  const float mean_x = ((1.0f * 1.0f + 1.06f) / 2.0f * 2.0f + 1.0f) / 3.0f;
  const float mean_y = ((1.0f * 1.0f + 1.0f) / 2.0f * 2.0f + 1.09f) / 3.0f;
  EXPECT_EQ(map.points()[0].x, mean_x);
  EXPECT_EQ(map.points()[0].y, mean_y);
  EXPECT_EQ(map.points()[0].stamp, 10.7);
  EXPECT_TRUE(map.candidates().empty());

  // Edge beams need five sightings.
  for (int k = 0; k < 4; ++k) {
    map.observeStatic({-2.0f, 0.0f}, EDGE, LEARN, 11.0 + 0.1 * k);
  }
  EXPECT_EQ(map.mapSize(), 1);
  map.observeStatic({-2.0f, 0.0f}, EDGE, LEARN, 11.4);
  EXPECT_EQ(map.mapSize(), 2);

  // A candidate left alone for more than 0.45 s starts again from its next sighting.
  map.observeStatic({3.0f, 0.0f}, PLAIN, LEARN, 20.0);
  map.observeStatic({3.0f, 0.0f}, PLAIN, LEARN, 20.1);
  map.observeStatic({3.1f, 0.0f}, PLAIN, LEARN, 20.6);
  ASSERT_EQ(map.candidates().size(), 1u);
  EXPECT_EQ(map.candidates().begin()->second.hits, 1);
  EXPECT_EQ(map.candidates().begin()->second.x, 3.1f);
  map.observeStatic({3.1f, 0.0f}, PLAIN, LEARN, 20.7);
  map.observeStatic({3.1f, 0.0f}, PLAIN, LEARN, 20.8);
  EXPECT_EQ(map.mapSize(), 3);
  EXPECT_FLOAT_EQ(map.points().back().x, 3.1f);
}

// With a confirmation time, the sightings must also span it: a foot planted for a step at 40 Hz
// stays a candidate, a wall seen for longer becomes a point, and a restart restarts the time.
TEST(LocalStaticMap, WithAConfirmationTimeAFootPlantedForAStepIsNotLearnt)
{
  GeometricDetectorConfig config;
  config.geometric_static_candidate_confirm_time = 0.5f;
  LocalStaticMap map{config};
  for (int k = 0; k < 16; ++k) {  // 0.375 s at 40 Hz
    map.observeStatic({1.0f, 0.0f}, PLAIN, LEARN, 1.0 + 0.025 * k);
  }
  EXPECT_EQ(map.mapSize(), 0) << "planted foot";
  for (int k = 0; k <= 20; ++k) {  // 0.5 s
    map.observeStatic({0.0f, 2.0f}, PLAIN, LEARN, 2.0 + 0.025 * k);
  }
  ASSERT_EQ(map.mapSize(), 1) << "wall";
  EXPECT_EQ(map.points()[0].stamp, 2.5);

  map.observeStatic({3.0f, 0.0f}, PLAIN, LEARN, 5.0);
  map.observeStatic({3.0f, 0.0f}, PLAIN, LEARN, 5.46);  // after more than 0.45 s: a new start
  map.observeStatic({3.0f, 0.0f}, PLAIN, LEARN, 5.9);
  map.observeStatic({3.0f, 0.0f}, PLAIN, LEARN, 5.95);
  EXPECT_EQ(map.mapSize(), 1);
  map.observeStatic({3.0f, 0.0f}, PLAIN, LEARN, 5.96);
  EXPECT_EQ(map.mapSize(), 2);
}

// With a refresh distance, a wall learnt again stays in the map past the map's age, and a point
// that is not seen again expires even behind a refreshed one; without it the wall expires.
TEST(LocalStaticMap, WithARefreshDistanceAPointLearntAgainStays)
{
  for (const float refresh : {0.0f, 0.05f}) {
    SCOPED_TRACE(refresh);
    GeometricDetectorConfig config;  // map points live 1 s
    config.static_refresh_distance = refresh;
    LocalStaticMap map{config};
    const auto learn = [&map](float x, double t) {
      for (int k = 0; k < 3; ++k) {
        map.observeStatic({x, 1.0f}, PLAIN, LEARN, t + 0.1 * k);
      }
    };
    learn(2.0f, 0.0);  // the wall, learnt at 0.2 s
    learn(3.0f, 0.3);  // a chair, learnt at 0.5 s, then gone
    for (double t = 1.0; t < 2.1; t += 0.5) {
      map.pruneMap(t, ORIGIN);
      map.rebuildIndex();
      learn(2.01f, t);
    }
    map.pruneMap(2.5, ORIGIN);
    ASSERT_EQ(map.mapSize(), 1) << "one of them is left";
    if (refresh > 0.0f) {
      EXPECT_EQ(map.points()[0].x, 2.0f) << "the wall, refreshed";
      EXPECT_NEAR(map.points()[0].stamp, 2.2, 1e-9);
    } else {
      EXPECT_NEAR(map.points()[0].x, 2.01f, 1e-6) << "the wall learnt anew";
      EXPECT_NEAR(map.points()[0].stamp, 1.7, 1e-9);
    }
  }
}

TEST(LocalStaticMap, SightingsJoinTheNearestCandidateWithinTheMatchRadius)
{
  LocalStaticMap map{GeometricDetectorConfig{}};
  map.observeStatic({-0.1f, 0.0f}, PLAIN, LEARN, 1.0);
  map.observeStatic({0.1f, 0.0f}, PLAIN, LEARN, 1.0);  // 0.2 m away: a candidate of its own
  ASSERT_EQ(map.candidates().size(), 2u);
  // Equally near both: the smaller key takes it, whatever the table's order.
  map.observeStatic({0.0f, 0.0f}, PLAIN, LEARN, 1.0);
  const auto & joined = map.candidates().at(packCellKey(1, 0));
  EXPECT_EQ(joined.hits, 2);
  EXPECT_FLOAT_EQ(joined.x, 0.05f);
  EXPECT_EQ(map.candidates().at(packCellKey(-1, 0)).hits, 1);

  // Forgetting looks at the cell of the point only, not at nearby candidates.
  map.forgetCandidateAt({0.04f, 0.0f});  // 0.01 m from the joined mean, but in cell (0, 0)
  EXPECT_EQ(map.candidates().size(), 2u);
  map.forgetCandidateAt({0.14f, 0.01f});
  EXPECT_EQ(map.candidates().size(), 1u);
  EXPECT_EQ(map.candidates().count(packCellKey(-1, 0)), 1u);
}

TEST(LocalStaticMap, BootstrapInsertsPlainBeamsKeepingTheMinimumSeparation)
{
  LocalStaticMap map{GeometricDetectorConfig{}};
  map.observeStatic({0.0f, 0.0f}, PLAIN, BOOTSTRAP, 1.0);
  map.observeStatic({0.05f, 0.0f}, PLAIN, BOOTSTRAP, 1.0);  // exactly the separation: kept
  map.observeStatic({0.0f, 0.049f}, PLAIN, BOOTSTRAP, 1.0);
  map.observeStatic({3.0f, 0.0f}, EDGE, BOOTSTRAP, 1.0);  // edges only feed candidates
  EXPECT_EQ(map.mapSize(), 2);
  EXPECT_EQ(map.candidates().size(), 1u);

  // The same rule against points that are already indexed and ones added since.
  map.rebuildIndex();
  map.observeStatic({-0.05f, 0.0f}, PLAIN, BOOTSTRAP, 2.0);   // 0.05 from an indexed point
  map.observeStatic({0.03f, 0.02f}, PLAIN, BOOTSTRAP, 2.0);   // near an indexed point
  map.observeStatic({-0.06f, 0.03f}, PLAIN, BOOTSTRAP, 2.0);  // near the point just added
  map.observeStatic({0.1f, 0.0f}, PLAIN, BOOTSTRAP, 2.0);     // 0.05 from an indexed point
  ASSERT_EQ(map.mapSize(), 4);
  EXPECT_EQ(map.points()[2].x, -0.05f);
  EXPECT_EQ(map.points()[3].x, 0.1f);
}

TEST(LocalStaticMap, NearestDistanceSeesOnlyIndexedPoints)
{
  LocalStaticMap map{GeometricDetectorConfig{}};
  EXPECT_EQ(map.nearestMapDistance(ORIGIN), std::numeric_limits<float>::infinity());
  map.rebuildIndex();
  EXPECT_TRUE(map.isIndexEmpty());
  EXPECT_EQ(map.nearestMapDistance(ORIGIN), std::numeric_limits<float>::infinity());

  map.observeStatic({3.0f, 4.0f}, PLAIN, BOOTSTRAP, 1.0);
  EXPECT_TRUE(map.isDirty());
  EXPECT_EQ(map.nearestMapDistance(ORIGIN), std::numeric_limits<float>::infinity());
  map.rebuildIndex();
  EXPECT_FALSE(map.isDirty());
  EXPECT_FALSE(map.isIndexEmpty());
  EXPECT_EQ(map.nearestMapDistance(ORIGIN), 5.0f);
  ASSERT_EQ(map.mapCloud().size(), 1u);
  EXPECT_EQ(map.mapCloud().width, 1u);
  EXPECT_EQ(map.mapCloud().height, 1u);
  EXPECT_EQ(map.mapCloud()[0].x, 3.0f);
  EXPECT_EQ(map.mapCloud()[0].z, 0.0f);

  // A point added after the rebuild is found once the index is rebuilt.
  map.observeStatic({0.0f, 1.0f}, PLAIN, BOOTSTRAP, 1.0);
  EXPECT_EQ(map.nearestMapDistance(ORIGIN), 5.0f);
  map.rebuildIndex();
  EXPECT_EQ(map.nearestMapDistance(ORIGIN), 1.0f);
}

TEST(LocalStaticMap, PruningExaminesOnlyTheFront)
{
  LocalStaticMap map{GeometricDetectorConfig{}};
  map.observeStatic({7.0f, 0.0f}, PLAIN, BOOTSTRAP, 10.0);  // farther than 6 m
  map.observeStatic({1.0f, 0.0f}, PLAIN, BOOTSTRAP, 10.5);
  map.observeStatic({0.0f, -6.5f}, PLAIN, BOOTSTRAP, 10.0);  // far, but behind a near point
  map.rebuildIndex();
  map.pruneMap(10.6, ORIGIN);
  ASSERT_EQ(map.mapSize(), 2);
  EXPECT_EQ(map.points().front().x, 1.0f);
  EXPECT_TRUE(map.isDirty());

  // Once the near point ages out, the far one behind it reaches the front and goes too.
  map.pruneMap(11.6, ORIGIN);
  EXPECT_EQ(map.mapSize(), 0);
}

TEST(LocalStaticMap, SizeIsCappedByDroppingTheOldestPoints)
{
  GeometricDetectorConfig config;
  config.local_map_max_points = 5;
  LocalStaticMap map{config};
  for (int i = 0; i < 15; ++i) {
    map.observeStatic({0.1f * static_cast<float>(i), 0.0f}, PLAIN, BOOTSTRAP, 1.0);
  }
  ASSERT_EQ(map.mapSize(), 15);
  map.rebuildIndex();
  map.trimMap();
  ASSERT_EQ(map.mapSize(), 5);
  EXPECT_TRUE(map.isDirty());
  EXPECT_FLOAT_EQ(map.points().front().x, 1.0f);

  map.observeStatic({-1.0f, 0.0f}, PLAIN, BOOTSTRAP, 1.0);
  map.pruneMap(1.0, ORIGIN);
  ASSERT_EQ(map.mapSize(), 5);
  EXPECT_FLOAT_EQ(map.points().front().x, 1.1f);
  EXPECT_EQ(map.points().back().x, -1.0f);
}

TEST(LocalStaticMap, CandidatesArePrunedWhenStaleOrFar)
{
  LocalStaticMap map{GeometricDetectorConfig{}};
  map.observeStatic({1.0f, 0.0f}, PLAIN, LEARN, 10.0);
  map.observeStatic({2.0f, 0.0f}, PLAIN, LEARN, 10.3);
  map.observeStatic({-5.5f, 0.0f}, PLAIN, LEARN, 10.3);
  map.pruneCandidates(10.5, PlanarPoint{1.0f, 0.0f});  // 6.5 m from the last one
  ASSERT_EQ(map.candidates().size(), 1u);
  EXPECT_EQ(map.candidates().begin()->second.x, 2.0f);

  map.clear();
  EXPECT_TRUE(map.candidates().empty());
  EXPECT_EQ(map.mapSize(), 0);
  EXPECT_TRUE(map.isDirty());
}

}  // namespace
