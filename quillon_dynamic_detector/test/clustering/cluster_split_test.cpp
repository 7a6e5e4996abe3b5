#include <gtest/gtest.h>

#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/cluster_split.hpp"

using namespace cluster_builders;
using quillon_dynamic_detector::ExpectedPerson;
using quillon_dynamic_detector::splitClustersBetweenPlaces;
using People = std::vector<ExpectedPerson>;

namespace
{

// Someone expected at (x, y), walking along +x at 1 m/s.
ExpectedPerson walkingAlongX(float x, float y) { return {{x, y}, {1.0F, 0.0F}}; }

// Two people side by side at x = 2, centres at y = 0 and y = 0.5, their four legs 0.2 m apart
// each, in one cluster as clustering leaves them (9 points a leg).
ClusterCloud pairSideBySide()
{
  return makeCluster(pointsOf(
    {makeLeg(2.0F, -0.1F), makeLeg(2.0F, 0.1F), makeLeg(2.0F, 0.4F), makeLeg(2.0F, 0.6F)}));
}

TEST(SplitClustersBetweenPlaces, TwoExpectedPeopleInOneClusterEachGetTheirOwnLegs)
{
  const ClusterCloud pair = pairSideBySide();
  const ClusterCloud other = makeLeg(4.0F, 0.0F);
  const ClusterCloud none;

  const ClusterList result = splitClustersBetweenPlaces(
    {none, pair, other}, {walkingAlongX(2.0F, 0.5F), walkingAlongX(2.0F, 0.0F)}, 0.4F, 3);

  ASSERT_EQ(4u, result.size());
  EXPECT_EQ(none, result[0]);
  // Parts in the order of the places, each holding that person's two legs.
  EXPECT_EQ(pointsOf({makeLeg(2.0F, 0.4F), makeLeg(2.0F, 0.6F)}), pointsOf({result[1]}));
  EXPECT_EQ(pointsOf({makeLeg(2.0F, -0.1F), makeLeg(2.0F, 0.1F)}), pointsOf({result[2]}));
  EXPECT_EQ(other, result[3]);
  EXPECT_EQ(36u, pair->size());  // the input is left whole
}

TEST(SplitClustersBetweenPlaces, AClusterStaysWholeUnlessTwoPeopleSideBySideLieInIt)
{
  const ClusterCloud pair = pairSideBySide();
  const auto splitWith = [&](const People & people) {
    return splitClustersBetweenPlaces({pair}, people, 0.4F, 3);
  };
  const ExpectedPerson first = walkingAlongX(2.0F, 0.0F);
  EXPECT_EQ(ClusterList{pair}, splitWith({}));
  EXPECT_EQ(ClusterList{pair}, splitWith({first}));
  // Two tracks on one person (a duplicate) do not cut them in two.
  EXPECT_EQ(ClusterList{pair}, splitWith({first, walkingAlongX(2.0F, 0.3F)}));
  // A place beyond the reach of every point belongs to somebody else.
  EXPECT_EQ(ClusterList{pair}, splitWith({first, walkingAlongX(2.0F, 1.1F)}));
  // A track ahead of a walker (along either one's heading) is a fragment of them, not a companion;
  // standing people have no heading to be ahead of.
  const ExpectedPerson along_y{{2.0F, 0.0F}, {0.0F, 0.8F}};
  EXPECT_EQ(ClusterList{pair}, splitWith({along_y, walkingAlongX(2.0F, 0.5F)}));
  EXPECT_EQ(ClusterList{pair}, splitWith({first, {{2.0F, 0.5F}, {0.1F, -0.5F}}}));
  EXPECT_EQ(2u, splitWith({{{2.0F, 0.0F}, {0.0F, 0.0F}}, {{2.0F, 0.5F}, {0.2F, 0.2F}}}).size());
  // A duplicate beside the first place is passed over; the second person still counts.
  const ClusterList cut = splitWith({first, walkingAlongX(2.0F, 0.1F), walkingAlongX(2.0F, 0.5F)});
  ASSERT_EQ(2u, cut.size());
  EXPECT_EQ(pointsOf({makeLeg(2.0F, -0.1F), makeLeg(2.0F, 0.1F)}), pointsOf({cut[0]}));
}

TEST(SplitClustersBetweenPlaces, NoCutLeavesAPartTooSmallToCluster)
{
  // A lone leg with a second person expected at its edge: the near part would hold 3 points.
  const ClusterCloud leg = makeLeg(2.0F, 0.0F);
  const People places{walkingAlongX(2.0F, -0.3F), walkingAlongX(2.0F, 0.34F)};
  EXPECT_EQ(ClusterList{leg}, splitClustersBetweenPlaces({leg}, places, 0.4F, 4));
  const ClusterList cut = splitClustersBetweenPlaces({leg}, places, 0.4F, 3);
  ASSERT_EQ(2u, cut.size());
  EXPECT_EQ(6u, cut[0]->size());
  EXPECT_EQ(3u, cut[1]->size());
}

}  // namespace
