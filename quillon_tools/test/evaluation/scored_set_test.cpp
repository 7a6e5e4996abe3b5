#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evaluation_builders.hpp"
#include "quillon_tools/evaluation/evaluation.hpp"
#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/evaluation/scored_set.hpp"

namespace quillon_tools
{
namespace
{

using test::MS;
using test::object;
using test::person;
using test::scanOf;
using test::scoredList;
using test::truthFrame;
using test::withBeams;

constexpr double PI = 3.14159265358979323846;
constexpr const char * LASER1 = "base_scan_01";
constexpr const char * LASER2 = "base_scan_02";

// How many person-frames an empty list of `frame` at `stamp_ms` scores.
int64_t scoredPeople(
  const GroundTruth & truth, const std::string & frame, int64_t stamp_ms,
  const EvaluationOptions & options = {})
{
  const auto r = evaluate(truth, {scoredList(stamp_ms * MS, frame, {})}, options);
  EXPECT_EQ(r.lists_scored, 1);
  return r.gates.at(0).all.ground_truth;
}

TEST(ScoredSet, PeopleOutOfViewAreNeitherMissedNorFalselyDetected)
{
  GroundTruth truth;
  truth.mounts[LASER1] = {0.0, 0.0, 0.0};
  truth.views[LASER1] = {1.5 * PI, 25.0};
  // Person 1 is 2 m ahead; person 2 is 2 m behind, outside the 270-degree field of view.
  for (int64_t ms = 0; ms <= 1000; ms += 100) {
    truth.frames.push_back(truthFrame(ms * MS, {person(1, 2.0, 0.0), person(2, -2.0, 0.1)}));
  }
  // One track on person 2 and one on nobody; person 1 is missed.
  const std::vector<ScoredList> lists = {
    scoredList(1000 * MS, LASER1, {object(-2.0, 0.1), object(0.0, -3.0)})};
  const GateScores narrow = evaluate(truth, lists).gates.at(0);
  EXPECT_EQ(narrow.all.ground_truth, 1);
  EXPECT_EQ(narrow.all.false_negatives, 1);
  EXPECT_EQ(narrow.all.true_positives, 0);
  EXPECT_EQ(narrow.false_positives, 1);  // the track on nobody, not the one on person 2

  truth.views[LASER1].fov = 2.0 * PI;
  const GateScores all_round = evaluate(truth, lists).gates.at(0);
  EXPECT_EQ(all_round.all.ground_truth, 2);
  EXPECT_EQ(all_round.all.true_positives, 1);

  truth.views[LASER1].range_max = 1.5;  // both people are beyond the scanner's range
  EXPECT_EQ(scoredPeople(truth, LASER1, 1000), 0);
}

TEST(ScoredSet, PeopleWithFewerThanThreeReturnsAreNotScored)
{
  GroundTruth truth;
  truth.mounts[LASER1] = {};
  for (int64_t ms = 0; ms <= 1000; ms += 100) {
    truth.frames.push_back(scanOf(
      LASER1, truthFrame(
                ms * MS, {withBeams(person(1, 2.0, 0.0), 3), withBeams(person(2, 0.0, 2.0), 2),
                          person(3, 0.0, -2.0)})));
  }
  // Person 3's returns are unknown, which does not hold them back.
  const std::vector<ScoredList> lists = {
    scoredList(1000 * MS, LASER1, {object(2.0, 0.0), object(0.0, 2.0), object(0.0, -2.0)})};
  const GateScores g = evaluate(truth, lists).gates.at(0);
  EXPECT_EQ(g.all.ground_truth, 2);
  EXPECT_EQ(g.all.true_positives, 2);
  EXPECT_EQ(g.false_positives, 0);

  EvaluationOptions two_beams;
  two_beams.min_beams = 2;
  EXPECT_EQ(scoredPeople(truth, LASER1, 1000, two_beams), 3);
}

TEST(ScoredSet, PeopleCountOnceInViewWithoutABreakForMoreThanHalfASecond)
{
  GroundTruth truth;
  truth.mounts[LASER1] = {};
  // The scanner sees the person from 0.6 s on, except for one scan at 1.3 s.
  for (int64_t ms = 0; ms <= 2000; ms += 100) {
    const int32_t beams = ms < 600 ? 0 : ms == 1300 ? 1 : 5;
    truth.frames.push_back(
      scanOf(LASER1, truthFrame(ms * MS, {withBeams(person(1, 2.0, 0.0), beams)})));
  }
  EXPECT_EQ(scoredPeople(truth, LASER1, 1000), 0);  // in view for 0.4 s
  EXPECT_EQ(scoredPeople(truth, LASER1, 1100), 0);  // 0.5 s is not more than 0.5 s
  EXPECT_EQ(scoredPeople(truth, LASER1, 1200), 1);  // 0.6 s
  EXPECT_EQ(scoredPeople(truth, LASER1, 1300), 0);  // out of view
  EXPECT_EQ(scoredPeople(truth, LASER1, 1500), 0);  // back for 0.1 s
  EXPECT_EQ(scoredPeople(truth, LASER1, 2000), 1);  // back for 0.6 s

  EvaluationOptions patient;
  patient.min_time_in_view_s = 0.3;
  EXPECT_EQ(scoredPeople(truth, LASER1, 1000, patient), 1);
}

TEST(ScoredSet, RangeIsMeasuredFromTheListsScannerOrFromEitherForTheFusedList)
{
  GroundTruth truth;
  truth.mounts[LASER1] = {0.5, 0.0, 0.0};
  truth.mounts[LASER2] = {-0.5, 0.0, PI};
  // Person 1 is 4.8 m from scanner 1 and 5.8 m from scanner 2; person 2 5.12 m from both.
  truth.frames = {truthFrame(0, {person(1, 5.3, 0.0), person(2, 0.0, 5.1)})};
  EXPECT_EQ(scoredPeople(truth, LASER1, 0), 1);
  EXPECT_EQ(scoredPeople(truth, LASER2, 0), 0);
  EXPECT_EQ(scoredPeople(truth, ROBOT_FRAME, 0), 1);
  EvaluationOptions farther;
  farther.max_range_m = 5.2;
  EXPECT_EQ(scoredPeople(truth, LASER2, 0, farther), 1);
  EXPECT_EQ(scoredPeople(truth, ROBOT_FRAME, 0, farther), 2);

  // A track of nobody 5.22 m from either scanner is out of range; one 4.9 m from scanner 2 is a
  // false positive of the fused list.
  const auto fused = evaluate(
    truth, {scoredList(0, ROBOT_FRAME, {object(5.3, 0.0), object(0.0, -5.2), object(-5.4, 0.0)})});
  EXPECT_EQ(fused.gates.at(0).all.true_positives, 1);
  EXPECT_EQ(fused.gates.at(0).false_positives, 1);

  // Without mounts the fused list is scored by the distance from the robot.
  truth.mounts.clear();
  EXPECT_EQ(scoredPeople(truth, ROBOT_FRAME, 0), 0);
  truth.frames = {truthFrame(0, {person(1, 4.9, 0.0), person(2, 0.0, 5.1)})};
  EXPECT_EQ(scoredPeople(truth, ROBOT_FRAME, 0), 1);
}

TEST(ScoredSet, FusedListJudgesEachScannerByItsLatestScan)
{
  GroundTruth truth;
  truth.mounts[LASER1] = {};
  truth.mounts[LASER2] = {};
  // Scanner 1 (at 0, 40, 80 ms, ...) never gets returns from the person; scanner 2 (at 20, 60,
  // ...) always does.
  for (int64_t ms = 0; ms <= 1000; ms += 20) {
    const bool first = ms % 40 == 0;
    truth.frames.push_back(scanOf(
      first ? LASER1 : LASER2,
      truthFrame(ms * MS, {withBeams(person(1, 2.0, 0.0), first ? 0 : 8)})));
  }
  EXPECT_EQ(scoredPeople(truth, LASER1, 1000), 0);
  EXPECT_EQ(scoredPeople(truth, LASER2, 980), 1);
  EXPECT_EQ(scoredPeople(truth, ROBOT_FRAME, 1000), 1);  // scanner 2's scan at 980 ms
  EXPECT_EQ(scoredPeople(truth, ROBOT_FRAME, 500), 0);   // scanner 2 has seen them for 0.44 s
}

TEST(ScoredSet, OutOfSightIsTheLongestStretchThatNoScannerSeesThePerson)
{
  GroundTruth truth;
  truth.mounts[LASER1] = {};
  truth.mounts[LASER2] = {};
  // Scanner 1 sees person 1 until 1.0 s, scanner 2 from 2.55 s on; person 2's returns are unknown;
  // person 3 is listed, in view, until 1.0 s and then in no frame (as between labelled scans).
  for (int64_t ms = 0; ms <= 3000; ms += 100) {
    std::vector<PersonState> listed = {
      withBeams(person(1, 2.0, 0.0), ms <= 1000 ? 5 : 0), person(2, 0.0, 2.0)};
    if (ms <= 1000) {
      listed.push_back(withBeams(person(3, -2.0, 0.0), 5));
    }
    truth.frames.push_back(scanOf(LASER1, truthFrame(ms * MS, listed)));
    truth.frames.push_back(scanOf(
      LASER2, truthFrame((ms + 50) * MS, {withBeams(person(1, 2.0, 0.0), ms >= 2500 ? 5 : 2)})));
  }
  const ScoredSet scored(truth, EvaluationOptions{});
  // Out of both from scanner 2's frame at 1.05 s to scanner 1's at 2.5 s.
  EXPECT_NEAR(scored.longestOutOfSight(1, 0, 3000 * MS), 1.45, 1e-9);
  EXPECT_NEAR(scored.longestOutOfSight(1, 1200 * MS, 2000 * MS), 0.8, 1e-9);
  EXPECT_EQ(scored.longestOutOfSight(1, 0, 900 * MS), 0.0);  // scanner 1 sees them
  // Unknown returns, or not listed: nothing says they were out of sight.
  EXPECT_EQ(scored.longestOutOfSight(2, 0, 3000 * MS), 0.0);
  EXPECT_EQ(scored.longestOutOfSight(3, 0, 3000 * MS), 0.0);
  EXPECT_EQ(scored.longestOutOfSight(1, 2000 * MS, 2000 * MS), 0.0);

  EvaluationOptions two_beams;
  two_beams.min_beams = 2;  // scanner 2's two returns now show them
  EXPECT_EQ(ScoredSet(truth, two_beams).longestOutOfSight(1, 0, 3000 * MS), 0.0);
  EXPECT_EQ(ScoredSet(GroundTruth{}, two_beams).longestOutOfSight(1, 0, 3000 * MS), 0.0);
}

}  // namespace
}  // namespace quillon_tools
