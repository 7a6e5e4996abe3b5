#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "quillon_tools/evaluation/identity_scores.hpp"

using quillon_tools::heaviestAssignment;
using quillon_tools::IdentityFrame;
using quillon_tools::IdentityTally;

namespace
{

// One list with one scored person and the given detection ids, all within the gate of them.
IdentityFrame personSeenAs(int32_t person, bool standing, const std::vector<int32_t> & ids)
{
  IdentityFrame frame;
  frame.people.push_back({person, standing});
  frame.detection_ids = ids;
  for (std::size_t d = 0; d < ids.size(); ++d) {
    frame.within_gate.emplace_back(0, d);
  }
  return frame;
}

}  // namespace

// The pairing with the most frames wins, even where more pairs would be possible: one person
// tracked 10 frames by one id beats two people each sharing 1 frame with the other ids.
TEST(HeaviestAssignment, TakesTheGreatestTotalNotTheMostPairs)
{
  EXPECT_EQ(heaviestAssignment({{10, 1}, {1, 0}}), (std::vector<int>{0, -1}));
  EXPECT_EQ(heaviestAssignment({{3, 2}, {3, 0}}), (std::vector<int>{1, 0}));
  EXPECT_EQ(heaviestAssignment({{0, 0, 4}}), (std::vector<int>{2}));  // more columns than rows
  EXPECT_EQ(heaviestAssignment({{1}, {5}, {2}}), (std::vector<int>{-1, 0, -1}));
  EXPECT_TRUE(heaviestAssignment({}).empty());
}

// A person tracked by one id for six lists, then by another for four while standing: they keep
// the first id; the four frames are identity misses of standing time, and their detections
// identity false positives.
TEST(IdentityTally, APersonKeepsTheIdTheyMatchedMostAndTheRestCountAgainst)
{
  IdentityTally tally;
  for (int k = 0; k < 6; ++k) {
    tally.add(personSeenAs(1, false, {7}));
  }
  for (int k = 0; k < 4; ++k) {
    tally.add(personSeenAs(1, true, {9}));
  }
  const auto s = tally.summarise();
  EXPECT_EQ(s.idtp, 6);
  EXPECT_EQ(s.idtp_walking, 6);
  EXPECT_EQ(s.idfn, 4);
  EXPECT_EQ(s.idfn_standing, 4);
  EXPECT_EQ(s.idfp, 4);
  EXPECT_DOUBLE_EQ(s.idf1, 12.0 / 20.0);
}

// An id is given to one person only; two detections of one id near a person count once; an
// unknown id pairs with nobody; without truth and detections there is no score.
TEST(IdentityTally, OneIdPerPersonAndUnknownIdsPairWithNobody)
{
  IdentityTally tally;
  for (int k = 0; k < 5; ++k) {
    tally.add(personSeenAs(1, false, {3}));
  }
  for (int k = 0; k < 3; ++k) {
    tally.add(personSeenAs(2, false, {3}));
  }
  tally.add(personSeenAs(2, false, {-1}));
  tally.add(personSeenAs(1, false, {3, 3}));
  const auto s = tally.summarise();
  EXPECT_EQ(s.idtp, 6);       // person 1: five frames and the one with two detections of id 3
  EXPECT_EQ(s.idfn, 4);       // person 2 has no id of their own
  EXPECT_EQ(s.idfp, 11 - 6);  // eleven detections in all
  EXPECT_TRUE(std::isnan(IdentityTally().summarise().idf1));
}
