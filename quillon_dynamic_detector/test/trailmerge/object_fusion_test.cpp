#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "object_builders.hpp"
#include "quillon_dynamic_detector/object_fusion.hpp"

using object_builders::Object;
using object_builders::objectAt;
using object_builders::pedestrian;
using object_builders::withShapeAndReserved;
using object_builders::withVelocity;
using quillon_dynamic_detector::fuseObjects;
using quillon_dynamic_detector::FusionConfig;

namespace
{

const FusionConfig DEFAULTS;

}  // namespace

TEST(FuseObjects, MergeDistanceIsInclusive)
{
  EXPECT_EQ(fuseObjects({objectAt(0.0, 0.0), objectAt(0.0, 0.45)}, DEFAULTS).size(), 1u);
  EXPECT_EQ(fuseObjects({objectAt(0.0, 0.0), objectAt(0.0, 0.4500001)}, DEFAULTS).size(), 2u);
  EXPECT_TRUE(fuseObjects({}, DEFAULTS).empty());
}

// P (x = 0), Q (x = 0.4), R (x = 0.8): the merged centre moves with every merge, and a later
// sweep picks up what an earlier one left out of reach.
TEST(FuseObjects, SweepsAroundTheMovingCentre)
{
  const auto p = objectAt(0.0, 0.0, 10);
  const auto q = objectAt(0.4, 0.0, 10);
  const auto r = objectAt(0.8, 0.0, 10);
  const auto in_order = fuseObjects({p, q, r}, DEFAULTS);
  ASSERT_EQ(in_order.size(), 2u);
  EXPECT_DOUBLE_EQ(in_order[0].pose.position.x, 0.2);
  EXPECT_EQ(in_order[0].point_count, 20);
  EXPECT_DOUBLE_EQ(in_order[0].range, 0.2);
  EXPECT_EQ(in_order[1], r);  // a lone object is passed on whole

  const auto heavy_q = objectAt(0.4, 0.0, 100);
  std::vector<std::vector<std::size_t>> members;
  const auto reordered = fuseObjects({p, r, heavy_q}, DEFAULTS, &members);
  ASSERT_EQ(reordered.size(), 1u);
  EXPECT_NEAR(reordered[0].pose.position.x, 0.4, 1e-12);
  EXPECT_EQ(reordered[0].point_count, 120);
  // Which objects made it: the seed, then in the order the sweeps took them.
  EXPECT_EQ(members, (std::vector<std::vector<std::size_t>>{{0, 2, 1}}));
  members.clear();
  fuseObjects({p, q, r}, DEFAULTS, &members);
  EXPECT_EQ(members, (std::vector<std::vector<std::size_t>>{{0, 1}, {2}}));
}

// A pedestrian with 5 points outweighs a non-pedestrian with 80 (1005 against 80): it supplies
// every field that is not averaged, while position and velocity are weighted 5 : 80.
TEST(FuseObjects, DominantObjectSuppliesShapeAndPointsWeighTheMean)
{
  auto small = withShapeAndReserved(pedestrian(withVelocity(objectAt(0.0, 0.0, 5), 1.7, 0.0)));
  small.compactness = 0.0;
  small.pose.position.z = 0.25;
  small.pose.orientation.z = 1.0;
  small.pose.orientation.w = 0.0;
  const auto big = withVelocity(objectAt(0.0, 0.34, 80), 0.0, 0.85);

  const auto fused = fuseObjects({big, small}, DEFAULTS);
  ASSERT_EQ(fused.size(), 1u);
  auto expected = small;
  expected.pose.position.y = 80.0 * 0.34 / 85.0;
  expected.velocity_x = 5.0 * 1.7 / 85.0;
  expected.velocity_y = 80.0 * 0.85 / 85.0;
  expected.speed = std::hypot(expected.velocity_x, expected.velocity_y);
  expected.point_count = 85;
  expected.range = std::abs(expected.pose.position.y);
  expected.bearing = M_PI / 2.0;
  EXPECT_EQ(fused[0], expected);

  // Without the preference the seed (the first collected object) supplies those fields.
  const auto seeded = fuseObjects({big, small}, FusionConfig{0.45, false});
  ASSERT_EQ(seeded.size(), 1u);
  EXPECT_EQ(seeded[0].classification, 0);
  EXPECT_EQ(seeded[0].polygon, big.polygon);
  EXPECT_DOUBLE_EQ(seeded[0].pose.position.y, expected.pose.position.y);

  // Compactness counts ten times: 10 + 10 * 0.7 beats 16.
  auto compact = withShapeAndReserved(objectAt(0.1, 0.0, 10));
  const auto plain = objectAt(0.0, 0.0, 16);
  EXPECT_EQ(fuseObjects({plain, compact}, DEFAULTS)[0].compactness, 0.7);
  compact.point_count = 9;  // 16 against 16: a tie keeps the seed
  EXPECT_EQ(fuseObjects({plain, compact}, DEFAULTS)[0].compactness, 0.0);
}

TEST(FuseObjects, ObjectsWithoutPointsWeighOne)
{
  const auto fused = fuseObjects({objectAt(0.0, 0.0, 0), objectAt(0.3, 0.0, -4)}, DEFAULTS);
  ASSERT_EQ(fused.size(), 1u);
  EXPECT_DOUBLE_EQ(fused[0].pose.position.x, 0.15);
  EXPECT_EQ(fused[0].point_count, -4);
}

// With a pair distance, objects drawn from one list alone pair with those of the other list one
// to one, nearest first, in the place of the earlier; objects of one list, objects both lists
// made, and objects beyond the distance stay as they are.
TEST(PairAcrossLists, JoinsMutuallyNearestObjectsOfTheTwoListsOnly)
{
  FusionConfig config;
  config.pair_distance = 0.6;
  using Members = std::vector<std::vector<std::size_t>>;
  // Input indices below `first_list_size` are the first list's.
  const auto fuse_and_pair = [](
                               std::vector<Object> objects, std::size_t first_list_size,
                               const FusionConfig & with, Members & members) {
    members.clear();
    auto fused = fuseObjects(objects, with, &members);
    quillon_dynamic_detector::pairAcrossLists(fused, members, first_list_size, with);
    return fused;
  };
  Members members;
  // One person, their two objects 0.55 m apart (beyond the merge distance).
  const auto one =
    fuse_and_pair({objectAt(0.0, 0.0, 10), objectAt(0.55, 0.0, 30)}, 1, config, members);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_NEAR(one[0].pose.position.x, 0.4125, 1e-12);
  EXPECT_EQ(one[0].point_count, 40);
  EXPECT_EQ(members, (Members{{0, 1}}));
  EXPECT_EQ(
    fuse_and_pair({objectAt(0.0, 0.0), objectAt(0.55, 0.0)}, 1, DEFAULTS, members).size(), 2u)
    << "off by default";
  EXPECT_EQ(fuse_and_pair({objectAt(0.0, 0.0), objectAt(0.55, 0.0)}, 2, config, members).size(), 2u)
    << "both from the first list";
  EXPECT_EQ(
    fuse_and_pair({objectAt(0.0, 0.0), objectAt(0.61, 0.0)}, 1, config, members).size(), 2u);

  // A and D of the first list, B of the second: B is nearer A, so D stays alone.
  const auto three = fuse_and_pair(
    {objectAt(0.0, 0.0), objectAt(1.05, 0.0), objectAt(0.5, 0.0)}, 2, config, members);
  ASSERT_EQ(three.size(), 2u);
  EXPECT_NEAR(three[0].pose.position.x, 0.25, 1e-12);
  EXPECT_EQ(members, (Members{{0, 2}, {1}}));

  // Two people 0.55 m apart side by side, each seen by both scanners: two objects that both lists
  // made, which no pairing touches.
  const auto pair_of_people = fuse_and_pair(
    {objectAt(0.0, 0.0), objectAt(0.0, 0.55), objectAt(0.05, 0.0), objectAt(0.05, 0.55)}, 2, config,
    members);
  EXPECT_EQ(pair_of_people.size(), 2u);
  EXPECT_EQ(members, (Members{{0, 2}, {1, 3}}));
}

// One scanner sees two people side by side as one object between them, the other sees them
// apart: with keep_separated_objects that object adds its points to the nearer person and moves
// nobody; an object near two that its own list holds, or near two that merge anyway, merges as
// before.
TEST(FuseObjects, AnObjectBridgingTwoThatTheOtherListKeepsApartMovesNeither)
{
  FusionConfig keep;
  keep.keep_separated_objects = true;
  using Members = std::vector<std::vector<std::size_t>>;
  Members members;
  // First list: the pair as one object; second list: each person.
  const std::vector<Object> pair = {
    objectAt(0.0, 0.25, 5), objectAt(0.0, 0.0, 3), objectAt(0.0, 0.6, 3)};
  EXPECT_EQ(fuseObjects(pair, DEFAULTS, nullptr, 1).size(), 1u) << "off: all three chain into one";
  const auto kept = fuseObjects(pair, keep, &members, 1);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].pose.position.y, 0.0);
  EXPECT_EQ(kept[0].point_count, 8);
  EXPECT_EQ(kept[1].pose.position.y, 0.6);
  EXPECT_EQ(kept[1].point_count, 3);
  EXPECT_EQ(members, (Members{{1, 0}, {2}}));

  EXPECT_EQ(fuseObjects(pair, keep, nullptr, 3).size(), 1u) << "all three from one list";
  const std::vector<Object> close_pair = {
    objectAt(0.0, 0.2, 5), objectAt(0.0, 0.0, 3), objectAt(0.0, 0.4, 3)};
  EXPECT_EQ(fuseObjects(close_pair, keep, nullptr, 1).size(), 1u) << "the two merge anyway";
}
