#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#include "evaluation_builders.hpp"
#include "quillon_tools/evaluation/evaluation.hpp"

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

TEST(Evaluation, PerfectTrackingScoresOneAndZeroErrors)
{
  GroundTruth truth;
  truth.frames = {
    truthFrame(0, {person(1, 2.0, 0.0, 1.0, 0.0), person(2, 0.0, 3.0, 0.0, -0.5)}),
    truthFrame(100 * MS, {person(1, 2.1, 0.0, 1.0, 0.0), person(2, 0.0, 2.95, 0.0, -0.5)})};
  // The second list is 20 ms after its truth frame: the people are advanced to the stamp.
  const std::vector<ScoredList> lists = {
    scoredList(
      0, "base_footprint", {object(2.0, 0.0, 1.0, 0.0), object(0.0, 3.0, 0.0, -0.5)}, {4, 9}, 10.0),
    scoredList(
      120 * MS, "base_footprint", {object(0.0, 2.94, 0.0, -0.5), object(2.12, 0.0, 1.0, 0.0)},
      {9, 4}, 30.0),
    scoredList(200 * MS, "base_footprint", {object(2.2, 0.0, 1.0, 0.0)}, {4}, 20.0)};
  // The last list has no truth within 60 ms of its stamp.
  const EvaluationResult r = evaluate(truth, lists);
  EXPECT_EQ(r.lists_scored, 2);
  EXPECT_EQ(r.lists_without_truth, 1);
  ASSERT_EQ(r.gates.size(), 2u);
  for (const GateScores & g : r.gates) {
    EXPECT_EQ(g.all.ground_truth, 4);
    EXPECT_EQ(g.all.true_positives, 4);
    EXPECT_EQ(g.false_positives, 0);
    EXPECT_EQ(g.all.false_negatives, 0);
    EXPECT_EQ(g.all.id_switches, 0);
    EXPECT_DOUBLE_EQ(g.precision, 1.0);
    EXPECT_DOUBLE_EQ(g.all.recall, 1.0);
    EXPECT_DOUBLE_EQ(g.f1, 1.0);
    EXPECT_DOUBLE_EQ(g.mota, 1.0);
    EXPECT_NEAR(g.all.motp_m, 0.0, 1e-9);
    EXPECT_NEAR(g.all.mean_velocity_error_mps, 0.0, 1e-9);
  }
  // Latencies are a property of every list, scored or not.
  EXPECT_EQ(r.latency_count, 3);
  EXPECT_DOUBLE_EQ(r.latency_median_ms, 20.0);
  EXPECT_DOUBLE_EQ(r.latency_max_ms, 30.0);
}

TEST(Evaluation, MissedPersonAndFalsePositiveOnFurniture)
{
  GroundTruth truth;
  truth.furniture = {{"table_leg", 3.0, -1.0, 0.05}, {"pillar", -4.0, 0.0, 0.3}};
  // The robot stands at (1, 1) facing +y, so odom and base_footprint differ.
  const Pose2D robot{1.0, 1.0, PI / 2};
  truth.frames = {
    truthFrame(0, {person(1, 1.0, 3.0), person(2, -1.0, 1.0)}, robot),
    truthFrame(100 * MS, {person(1, 1.0, 3.0), person(2, -1.0, 1.0)}, robot)};
  // In base_footprint person 1 is at (2, 0), person 2 at (0, 2), the table leg at (-2, -2).
  const auto frame_objects = [](double offset) {
    return std::vector<quillon_protocol::msg::Object>{
      object(2.0 + offset, 0.0), object(-2.0, -2.27), object(0.0, 2.0, 0.0, 0.0, 0),
      object(std::nan(""), 1.0)};
  };
  const std::vector<ScoredList> lists = {
    scoredList(0, "base_footprint", frame_objects(0.1), {1, 2, 3, 4}),
    scoredList(100 * MS, "base_footprint", frame_objects(-0.3), {1, 2, 3, 4})};
  const EvaluationResult r = evaluate(truth, lists);
  const GateScores & g = r.gates.at(0);
  EXPECT_EQ(g.all.ground_truth, 4);
  EXPECT_EQ(g.all.true_positives, 2);
  EXPECT_EQ(g.all.false_negatives, 2);  // the classification-0 object does not detect person 2
  EXPECT_EQ(g.false_positives, 2);
  EXPECT_EQ(g.false_positives_on_furniture, 2);  // 0.27 m from the leg: within radius + 0.3
  EXPECT_EQ(r.detections_dropped, 2);
  EXPECT_DOUBLE_EQ(g.precision, 0.5);
  EXPECT_DOUBLE_EQ(g.all.recall, 0.5);
  EXPECT_DOUBLE_EQ(g.f1, 0.5);
  EXPECT_DOUBLE_EQ(g.mota, 0.0);
  EXPECT_NEAR(g.all.motp_m, 0.2, 1e-9);

  EvaluationOptions strict;
  strict.furniture_margin_m = 0.1;
  EXPECT_EQ(evaluate(truth, lists, strict).gates.at(0).false_positives_on_furniture, 0);

  // Where false positives were: a second object 0.7 m from person 1 (beyond the gate) trails
  // them; one more lies in open space; the two by the table leg stay on furniture.
  std::vector<ScoredList> more = lists;
  for (auto & list : more) {
    list.list.objects.push_back(object(2.7, 0.0));
    list.list.objects.push_back(object(-3.0, 4.0));
    list.ids.push_back(5);
    list.ids.push_back(6);
  }
  const GateScores & sorted = evaluate(truth, more).gates.at(0);
  EXPECT_EQ(sorted.false_positives, 6);
  EXPECT_EQ(sorted.false_positives_near_person, 2);
  EXPECT_EQ(sorted.false_positives_on_furniture_only, 2);
  EXPECT_EQ(sorted.false_positives_elsewhere, 2);
}

TEST(Evaluation, IdentitySwitchesCountChangesBetweenKnownIds)
{
  GroundTruth truth;
  std::vector<ScoredList> lists;
  // Output ids seen for the one person; -1 (unknown) neither switches nor resets.
  const std::vector<int32_t> ids = {5, 5, 7, UNKNOWN_OBJECT_ID, 7, 5};
  for (std::size_t k = 0; k < ids.size(); ++k) {
    const int64_t stamp = static_cast<int64_t>(k) * 100 * MS;
    truth.frames.push_back(truthFrame(stamp, {person(3, 2.0, 1.0)}));
    lists.push_back(scoredList(stamp, "base_footprint", {object(2.0, 1.0)}, {ids[k]}));
  }
  const GateScores g = evaluate(truth, lists).gates.at(0);
  EXPECT_EQ(g.all.true_positives, 6);
  EXPECT_EQ(g.all.id_switches, 2);  // 5 -> 7 and 7 -> 5
  EXPECT_DOUBLE_EQ(g.mota, 1.0 - 2.0 / 6.0);
  // Six lists 0.1 s apart: 0.6 s of scored person-time, 2 switches in 0.01 minutes.
  EXPECT_NEAR(g.all.person_minutes, 0.01, 1e-12);
  EXPECT_NEAR(g.all.id_switches_per_minute, 200.0, 1e-9);
  EXPECT_TRUE(std::isnan(evaluate(truth, {lists[0]}).gates.at(0).all.id_switches_per_minute));
  // Over the whole run the person keeps id 5 (three lists); the lists with 7 and the unknown id
  // are identity misses, and those detections identity false positives.
  EXPECT_EQ(g.identity.idtp, 3);
  EXPECT_EQ(g.identity.idfn, 3);
  EXPECT_EQ(g.identity.idfp, 3);
  EXPECT_DOUBLE_EQ(g.identity.idf1, 0.5);

  lists.push_back(scoredList(6 * 100 * MS, "base_footprint", {object(2.0, 1.0)}, {1, 2}));
  EXPECT_THROW(evaluate(truth, lists), std::invalid_argument);
}

// Each switch is explained by what happened to the person and their old id: a gap of 2 s or
// more, or of 0.5-2 s, without a match; a second object near them still holding the old id; the
// old id on another person; the old id back at their next match (lists alternating); or gone.
TEST(Evaluation, EachIdentitySwitchIsExplainedByItsCause)
{
  // One person at (2, 1), lists 0.1 s apart; per list the detections as (x, id), none for a gap.
  using Seen = std::vector<std::pair<double, int32_t>>;
  const auto causes = [](const std::vector<Seen> & per_list) {
    GroundTruth truth;
    std::vector<ScoredList> lists;
    for (std::size_t k = 0; k < per_list.size(); ++k) {
      const int64_t stamp = static_cast<int64_t>(k) * 100 * MS;
      truth.frames.push_back(truthFrame(stamp, {person(3, 2.0, 1.0)}));
      std::vector<quillon_protocol::msg::Object> objects;
      std::vector<int32_t> ids;
      for (const auto & [x, id] : per_list[k]) {
        objects.push_back(object(x, 1.0));
        ids.push_back(id);
      }
      lists.push_back(scoredList(stamp, "base_footprint", objects, ids));
    }
    const GateScores g = evaluate(truth, lists).gates.at(0);
    EXPECT_EQ(static_cast<int64_t>(g.switches.size()), g.all.id_switches);
    std::vector<SwitchCause> found;
    for (const auto & change : g.switches) {
      found.push_back(change.cause);
    }
    return found;
  };
  const Seen five = {{2.0, 5}};
  const Seen six = {{2.0, 6}};
  std::vector<Seen> long_gap = {five, five};
  long_gap.resize(27);  // 2.5 s unmatched
  long_gap.push_back(six);
  std::vector<Seen> short_gap = {five, five};
  short_gap.resize(10);  // 0.9 s
  short_gap.push_back(six);
  EXPECT_EQ(causes(long_gap), std::vector<SwitchCause>{SwitchCause::after_long_gap});
  EXPECT_EQ(causes(short_gap), std::vector<SwitchCause>{SwitchCause::after_short_gap});
  // Old id 0.6 m away, beyond the 0.5 m gate, on a second object.
  EXPECT_EQ(
    causes({five, five, {{2.0, 6}, {2.6, 5}}}), std::vector<SwitchCause>{SwitchCause::duplicate});
  // Old id far off, on something else.
  EXPECT_EQ(
    causes({five, five, {{2.0, 6}, {4.0, 5}}}), std::vector<SwitchCause>{SwitchCause::id_taken});
  EXPECT_EQ(
    causes({five, six, five}),
    (std::vector<SwitchCause>{SwitchCause::alternating, SwitchCause::old_id_ended}));
  EXPECT_EQ(causes({five, six, six}), std::vector<SwitchCause>{SwitchCause::old_id_ended});
  // The old id back within 0.5 s is an alternation; later, the old track had ended.
  EXPECT_EQ(causes({five, six, six, six, five}).front(), SwitchCause::alternating);
  EXPECT_EQ(
    causes({five, six, six, six, six, six, six, six, five}).front(), SwitchCause::old_id_ended);
}

// A switch after a gap says how long the person was out of every scanner's sight in it: someone
// who left through a door, unlike someone the lists lost while the scanner saw them.
TEST(Evaluation, ASwitchAfterAGapTellsHowLongThePersonWasOutOfSight)
{
  const auto switch_after_gap = [](bool leaves_sight) {
    GroundTruth truth;
    truth.mounts["base_scan_01"] = {};
    std::vector<ScoredList> lists;
    for (int64_t ms = 0; ms <= 5000; ms += 100) {
      const bool before = ms < 1000;
      const bool after = ms >= 3500;
      const int32_t beams = before || after || !leaves_sight ? 5 : 0;
      truth.frames.push_back(
        scanOf("base_scan_01", truthFrame(ms * MS, {withBeams(person(3, 2.0, 1.0), beams)})));
      std::vector<quillon_protocol::msg::Object> objects;
      std::vector<int32_t> ids;
      if (before || after) {
        objects.push_back(object(2.0, 1.0));
        ids.push_back(before ? 5 : 6);
      }
      lists.push_back(scoredList(ms * MS, "base_scan_01", objects, ids));
    }
    const GateScores g = evaluate(truth, lists).gates.at(0);
    EXPECT_EQ(g.switches.size(), 1u);
    return g.switches.empty() ? IdentitySwitch{} : g.switches.front();
  };
  const IdentitySwitch left = switch_after_gap(true);
  EXPECT_EQ(left.cause, SwitchCause::after_long_gap);
  EXPECT_NEAR(left.out_of_sight_s, 2.4, 1e-9);  // out of view from 1.0 s to 3.4 s
  EXPECT_TRUE(afterLeavingSight(left));
  const IdentitySwitch lost = switch_after_gap(false);
  EXPECT_EQ(lost.cause, SwitchCause::after_long_gap);
  EXPECT_EQ(lost.out_of_sight_s, 0.0);
  EXPECT_FALSE(afterLeavingSight(lost));
}

// A second track that flickers up nearer to a person does not take them from the track they
// have: the pair stays while it is within the gate, so only a real hand-over counts.
TEST(Evaluation, APersonKeepsTheirTrackWhileItStaysWithinTheGate)
{
  GroundTruth truth;
  std::vector<ScoredList> lists;
  struct Step
  {
    double track_5_x;
    bool track_8_there;
  };
  // Track 5 drifts 0.3 m off while track 8 flickers on the person; in the last list track 5 has
  // left the gate and the person goes to track 8: one switch, not three.
  const std::vector<Step> steps = {
    {2.0, false}, {2.3, true}, {2.3, false}, {2.3, true}, {2.7, true}};
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const int64_t stamp = static_cast<int64_t>(k) * 100 * MS;
    truth.frames.push_back(truthFrame(stamp, {person(3, 2.0, 1.0)}));
    std::vector<quillon_protocol::msg::Object> objects = {object(steps[k].track_5_x, 1.0)};
    std::vector<int32_t> ids = {5};
    if (steps[k].track_8_there) {
      objects.push_back(object(2.0, 1.0));
      ids.push_back(8);
    }
    lists.push_back(scoredList(stamp, "base_footprint", objects, ids));
  }
  const GateScores g = evaluate(truth, lists).gates.at(0);
  EXPECT_EQ(g.all.true_positives, 5);
  EXPECT_EQ(g.all.id_switches, 1);
  EXPECT_EQ(g.false_positives, 3);  // track 8 twice while the person keeps 5, then 5
}

TEST(Evaluation, RobotTurningInPlaceSeesStillPersonMoveAgainstTheTurn)
{
  const double yaw = 0.3;
  const double omega = 0.5;
  GroundTruth truth;
  truth.frames = {truthFrame(0, {person(1, 3.0, 2.5)}, {1.0, 2.0, yaw}, omega)};
  // r = (2, 0.5) in odom; -omega x r = (omega * r_y, -omega * r_x) = (0.25, -1.0).
  const double c = std::cos(yaw);
  const double s = std::sin(yaw);
  const double vx = c * 0.25 + s * -1.0;
  const double vy = -s * 0.25 + c * -1.0;
  const double px = c * 2.0 + s * 0.5;
  const double py = -s * 2.0 + c * 0.5;
  const auto exact =
    evaluate(truth, {scoredList(0, "base_footprint", {object(px, py, vx, vy)}, {1})});
  EXPECT_EQ(exact.gates.at(0).all.true_positives, 1);
  EXPECT_NEAR(exact.gates.at(0).all.mean_velocity_error_mps, 0.0, 1e-12);
  EXPECT_NEAR(exact.gates.at(0).all.motp_m, 0.0, 1e-12);

  // Reporting the person as still is wrong by |omega x r|.
  const auto still =
    evaluate(truth, {scoredList(0, "base_footprint", {object(px, py, 0.0, 0.0)}, {1})});
  EXPECT_NEAR(still.gates.at(0).all.mean_velocity_error_mps, std::hypot(0.25, 1.0), 1e-12);
}

TEST(Evaluation, ScannerFrameListsUseTheMountAndUnknownFramesAreSkipped)
{
  GroundTruth truth;
  truth.mounts["base_scan_01"] = {0.2, -0.1, PI / 4};
  // Robot at (1, 1) facing +y; the person 2 m ahead walks along odom +x.
  truth.frames = {truthFrame(0, {person(1, 1.0, 3.0, 1.0, 0.0)}, {1.0, 1.0, PI / 2})};
  // In base_footprint the person is at (2, 0) moving (0, -1); in the scanner (rotated 45 deg,
  // at (0.2, -0.1)) at ((1.8 + 0.1) / sqrt 2, (0.1 - 1.8) / sqrt 2) moving (-1, -1) / sqrt 2.
  const double h = std::sqrt(0.5);
  const auto scanner =
    evaluate(truth, {scoredList(0, "base_scan_01", {object(1.9 * h, -1.7 * h, -h, -h)}, {1})});
  EXPECT_EQ(scanner.lists_scored, 1);
  EXPECT_EQ(scanner.gates.at(0).all.true_positives, 1);
  EXPECT_EQ(scanner.gates.at(0).false_positives, 0);
  EXPECT_NEAR(scanner.gates.at(0).all.motp_m, 0.0, 1e-12);
  EXPECT_NEAR(scanner.gates.at(0).all.mean_velocity_error_mps, 0.0, 1e-12);

  // The base_footprint coordinates in a scanner list are off by more than the match distance.
  const auto wrong_frame =
    evaluate(truth, {scoredList(0, "base_scan_01", {object(2.0, 0.0, 0.0, -1.0)}, {1})});
  EXPECT_EQ(wrong_frame.gates.at(0).all.true_positives, 0);
  EXPECT_EQ(wrong_frame.gates.at(0).all.false_negatives, 1);
  EXPECT_EQ(wrong_frame.gates.at(0).false_positives, 1);

  const auto unknown =
    evaluate(truth, {scoredList(0, "base_scan_09", {object(1.9 * h, -1.7 * h)}, {1})});
  EXPECT_EQ(unknown.lists_in_unknown_frame, 1);
  EXPECT_EQ(unknown.lists_scored, 0);
  EXPECT_EQ(unknown.gates.at(0).all.ground_truth, 0);
  EXPECT_TRUE(std::isnan(unknown.gates.at(0).mota));
  EXPECT_TRUE(std::isnan(unknown.gates.at(0).precision));
}

TEST(Evaluation, TheWiderGateMatchesWhatTheNarrowOneMisses)
{
  GroundTruth truth;
  truth.frames = {truthFrame(0, {person(1, 2.0, 0.0), person(2, 0.0, 3.0)})};
  // Person 1's track is 0.6 m off, person 2's 0.2 m.
  const auto r =
    evaluate(truth, {scoredList(0, "base_footprint", {object(2.6, 0.0), object(0.0, 3.2)})});
  ASSERT_EQ(r.gates.size(), 2u);
  const GateScores & narrow = r.gates[0];
  EXPECT_DOUBLE_EQ(narrow.gate_m, 0.5);
  EXPECT_EQ(narrow.all.true_positives, 1);
  EXPECT_EQ(narrow.all.false_negatives, 1);
  EXPECT_EQ(narrow.false_positives, 1);
  EXPECT_NEAR(narrow.all.motp_m, 0.2, 1e-12);
  EXPECT_DOUBLE_EQ(narrow.mota, 0.0);
  const GateScores & wide = r.gates[1];
  EXPECT_DOUBLE_EQ(wide.gate_m, 0.75);
  EXPECT_EQ(wide.all.true_positives, 2);
  EXPECT_EQ(wide.false_positives, 0);
  EXPECT_NEAR(wide.all.motp_m, 0.4, 1e-12);
  EXPECT_DOUBLE_EQ(wide.mota, 1.0);
}

TEST(Evaluation, WalkingAndStandingPeopleAreScoredApart)
{
  GroundTruth truth;
  std::vector<ScoredList> lists;
  // Person 1 walks at 1 m/s, person 2 stands; person 2 is missed in the second list, and an
  // object of nobody is a false positive of neither kind.
  for (int k = 0; k < 2; ++k) {
    const int64_t stamp = k * 100 * MS;
    truth.frames.push_back(truthFrame(stamp, {person(1, 2.0, 0.0, 1.0, 0.0), person(2, 0.0, 3.0)}));
    std::vector<quillon_protocol::msg::Object> objects = {object(2.0, 0.0), object(-3.0, 0.0)};
    if (k == 0) {
      objects.push_back(object(0.0, 3.1));
    }
    lists.push_back(scoredList(stamp, "base_footprint", objects));
  }
  const GateScores g = evaluate(truth, lists).gates.at(0);
  EXPECT_EQ(g.all.ground_truth, 4);
  EXPECT_EQ(g.walking.ground_truth, 2);
  EXPECT_EQ(g.walking.true_positives, 2);
  EXPECT_DOUBLE_EQ(g.walking.recall, 1.0);
  EXPECT_NEAR(g.walking.motp_m, 0.0, 1e-12);
  EXPECT_NEAR(g.walking.mean_velocity_error_mps, 1.0, 1e-12);  // reported as still
  EXPECT_EQ(g.standing.ground_truth, 2);
  EXPECT_EQ(g.standing.false_negatives, 1);
  EXPECT_DOUBLE_EQ(g.standing.recall, 0.5);
  EXPECT_NEAR(g.standing.motp_m, 0.1, 1e-12);
  EXPECT_NEAR(g.standing.person_minutes, 0.2 / 60.0, 1e-12);
  EXPECT_EQ(g.false_positives, 2);
  EXPECT_DOUBLE_EQ(g.all.recall, 0.75);
}

// Asked to, the scores keep every miss of a walking person, and whether an object within the
// gate went to somebody else: two walkers side by side with one object between them, a third
// walker with nothing near; standing people's misses are not kept.
TEST(Evaluation, WalkingMissesAreKeptWhenAskedWithAnyObjectMatchedElsewhere)
{
  GroundTruth truth;
  std::vector<ScoredList> lists;
  for (int k = 0; k < 2; ++k) {
    const int64_t stamp = k * 100 * MS;
    truth.frames.push_back(truthFrame(
      stamp, {person(1, 2.0, 0.0, 1.0, 0.0), person(2, 2.0, 0.4, 1.0, 0.0),
              person(3, 0.0, -3.0, 0.0, 1.0), person(4, -2.0, 0.0)}));
    lists.push_back(scoredList(stamp, "base_footprint", {object(2.0, 0.1)}, {7}));
  }
  EvaluationOptions options;
  EXPECT_TRUE(evaluate(truth, lists, options).gates.at(0).walking_misses.empty());
  options.record_misses = true;
  const GateScores g = evaluate(truth, lists, options).gates.at(0);
  ASSERT_EQ(g.walking_misses.size(), 4u);
  for (const WalkingMiss & miss : g.walking_misses) {
    EXPECT_EQ(miss.object_matched_elsewhere, miss.person == 2) << miss.person;
  }
  EXPECT_EQ(g.walking_misses[2].stamp_ns, 100 * MS);
}

// The fused list comes at uneven steps (one list per scanner's list): each list stands for the
// time to the next, and an outage adds no person-time. Walking people's MOTA does not count
// the detections of standing people against them.
TEST(Evaluation, PersonTimeFollowsUnevenStepsAndEachKindHasItsOwnMota)
{
  GroundTruth truth;
  std::vector<ScoredList> lists;
  const std::vector<int64_t> stamps_ms = {0, 10, 25, 35, 50, 1000};
  for (std::size_t k = 0; k < stamps_ms.size(); ++k) {
    const int64_t stamp = stamps_ms[k] * MS;
    truth.frames.push_back(truthFrame(stamp, {person(1, 2.0, 0.0, 1.0, 0.0), person(2, 0.0, 3.0)}));
    std::vector<quillon_protocol::msg::Object> objects = {object(0.0, 3.0)};
    if (k != 1) {
      objects.push_back(object(2.0, 0.0));  // the walking person, missed once
    }
    if (k == 2) {
      objects.push_back(object(-3.0, 0.0));  // nobody
    }
    lists.push_back(scoredList(stamp, "base_footprint", objects));
  }
  const GateScores g = evaluate(truth, lists).gates.at(0);
  // Steps 10, 15, 10, 15 ms, the 950 ms outage counted as the median step (15 ms), and 15 ms
  // for the last list: 80 ms per person.
  EXPECT_NEAR(g.walking.person_minutes, 0.080 / 60.0, 1e-12);
  EXPECT_NEAR(g.standing.person_minutes, 0.080 / 60.0, 1e-12);
  EXPECT_NEAR(g.all.person_minutes, 0.160 / 60.0, 1e-12);
  EXPECT_EQ(g.false_positives, 1);
  EXPECT_DOUBLE_EQ(g.walking.mota, 1.0 - 2.0 / 6.0);  // one miss, one false positive
  EXPECT_DOUBLE_EQ(g.standing.mota, 1.0 - 1.0 / 6.0);
  EXPECT_DOUBLE_EQ(g.all.mota, 1.0 - 2.0 / 12.0);
  EXPECT_DOUBLE_EQ(g.mota, g.all.mota);
}

TEST(Evaluation, RangeBandsCountWalkingPeopleAndDetectionsByTheNearerScanner)
{
  GroundTruth truth;
  truth.mounts["base_scan_01"] = {1.0, 0.0, 0.0};
  truth.mounts["base_scan_02"] = {-1.0, 0.0, PI};
  // Walker A is 2.5 m from scanner 1 (4.5 m from scanner 2), walker B 3.6 m from both, C stands
  // 2 m from scanner 2. A and C are found, B is missed; of nobody are one detection 2.7 m from
  // the scanners, one 4.1 m away and one beyond the 5 m scoring range.
  truth.frames = {truthFrame(
    0, {person(1, 3.5, 0.0, 1.0, 0.0), person(2, 0.0, 3.5, 1.0, 0.0), person(3, -3.0, 0.0)})};
  const std::vector<ScoredList> lists = {scoredList(
    0, "base_footprint",
    {object(3.5, 0.0), object(-3.0, 0.0), object(0.0, -2.5), object(0.0, -4.0),
     object(0.0, -6.0)})};
  for (const GateScores & g : evaluate(truth, lists).gates) {
    ASSERT_EQ(g.range_bands.size(), 2u);
    const RangeBandScores & near = g.range_bands[0];
    EXPECT_DOUBLE_EQ(near.from_m, 0.0);
    EXPECT_DOUBLE_EQ(near.to_m, 3.0);
    EXPECT_EQ(near.walking_ground_truth, 1);
    EXPECT_DOUBLE_EQ(near.walking_recall, 1.0);
    EXPECT_EQ(near.true_positives, 2);  // the standing person's detection counts here
    EXPECT_EQ(near.false_positives, 1);
    EXPECT_DOUBLE_EQ(near.precision, 2.0 / 3.0);

    const RangeBandScores & far = g.range_bands[1];
    EXPECT_DOUBLE_EQ(far.to_m, 5.0);
    EXPECT_EQ(far.walking_ground_truth, 1);
    EXPECT_DOUBLE_EQ(far.walking_recall, 0.0);
    EXPECT_EQ(far.false_positives, 1);
    EXPECT_DOUBLE_EQ(far.precision, 0.0);
    EXPECT_EQ(g.false_positives, near.false_positives + far.false_positives);
  }

  // One band for the whole range, and a band without anybody in it is undefined.
  EvaluationOptions one_band;
  one_band.range_band_limits_m = {};
  const auto whole = evaluate(truth, lists, one_band).gates.at(0).range_bands;
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].walking_ground_truth, 2);
  EXPECT_DOUBLE_EQ(whole[0].walking_recall, 0.5);
  const auto empty = evaluate(truth, {scoredList(0, "base_footprint", {})}).gates.at(0);
  EXPECT_TRUE(std::isnan(empty.range_bands[0].precision));
}

// An ignored region is a circle in "odom" of one frame: a detection of nobody inside it counts
// nowhere, while matching is untouched (a person inside one is still found).
TEST(Evaluation, ADetectionOfNobodyInAnIgnoredRegionIsNeitherATrueNorAFalsePositive)
{
  GroundTruth truth;
  // The robot stands at (1, 1) facing +y: the region around odom (3, 1) lies at (0, -2) in
  // base_footprint, and a second one covers person 1 at (2, 0).
  const Pose2D robot{1.0, 1.0, PI / 2};
  truth.frames = {
    truthFrame(0, {person(1, 1.0, 3.0)}, robot),
    truthFrame(100 * MS, {person(1, 1.0, 3.0)}, robot)};
  truth.frames[0].ignored = {{3.0, 1.0, 0.4}, {1.0, 3.0, 0.5}};
  // The second object sits in the region, the third outside both.
  const std::vector<quillon_protocol::msg::Object> objects = {
    object(2.0, 0.0), object(0.2, -2.1), object(-2.0, 0.0)};
  const std::vector<ScoredList> lists = {
    scoredList(0, "base_footprint", objects), scoredList(100 * MS, "base_footprint", objects)};
  const GateScores g = evaluate(truth, lists).gates.at(0);
  EXPECT_EQ(g.all.true_positives, 2);
  EXPECT_EQ(g.false_positives, 3);  // the second list has no region: its object is a FP there
  int64_t band_false_positives = 0;
  for (const auto & band : g.range_bands) {
    band_false_positives += band.false_positives;
  }
  EXPECT_EQ(band_false_positives, 3);
  EXPECT_DOUBLE_EQ(g.precision, 2.0 / 5.0);
}

// Lists without truth near their stamp add neither false positives nor minutes: the rates run
// over scored time only, and a track that is false in several lists is one false id.
TEST(Evaluation, FalseIdsAndRatesPerMinuteRunOverScoredTimeOnly)
{
  GroundTruth truth;
  std::vector<ScoredList> lists;
  const std::vector<std::vector<int32_t>> ids = {{7}, {7, 8}, {UNKNOWN_OBJECT_ID}, {7}};
  for (std::size_t k = 0; k < ids.size(); ++k) {
    const int64_t stamp = static_cast<int64_t>(k) * 100 * MS;
    truth.frames.push_back(truthFrame(stamp, {}));
    std::vector<quillon_protocol::msg::Object> objects;
    for (std::size_t i = 0; i < ids[k].size(); ++i) {
      objects.push_back(object(1.0 + static_cast<double>(i), 0.0));
    }
    lists.push_back(scoredList(stamp, "base_footprint", objects, ids[k]));
  }
  lists.push_back(scoredList(2000 * MS, "base_footprint", {object(1.0, 0.0)}, {9}));
  lists.push_back(scoredList(300 * MS, "base_scan_09", {object(1.0, 0.0)}, {10}));
  for (const GateScores & g : evaluate(truth, lists).gates) {
    EXPECT_EQ(g.false_positives, 5);
    EXPECT_EQ(g.false_positive_ids, 2);
    EXPECT_EQ(g.false_positives_unknown_id, 1);
    // Four lists 0.1 s apart: 0.4 s, the last list taking the usual step.
    EXPECT_NEAR(g.scored_minutes, 0.4 / 60.0, 1e-12);
    EXPECT_NEAR(g.false_positives_per_minute, 750.0, 1e-9);
    EXPECT_NEAR(g.false_positive_ids_per_minute, 300.0, 1e-9);
  }
  // A single list stands for no known time.
  const GateScores one = evaluate(truth, {lists[0]}).gates.at(0);
  EXPECT_EQ(one.false_positives, 1);
  EXPECT_TRUE(std::isnan(one.scored_minutes));
  EXPECT_TRUE(std::isnan(one.false_positives_per_minute));
}

TEST(Evaluation, TheLongestFurnitureRunFollowsOneIdOverConsecutiveScoredLists)
{
  GroundTruth truth;
  truth.furniture = {{"table_leg", 3.0, 0.0, 0.05}};
  struct Step
  {
    bool track_4_on_furniture;
    bool track_5_there;
  };
  // Track 4 stays on the leg for three lists, leaves it for one and comes back for the last two;
  // track 5 joins it for two lists, and an object of unknown id sits on the leg throughout.
  const std::vector<Step> steps = {{true, false},  {true, true},  {true, true},
                                   {false, false}, {true, false}, {true, false}};
  std::vector<ScoredList> lists;
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const int64_t stamp = static_cast<int64_t>(k) * 100 * MS;
    truth.frames.push_back(truthFrame(stamp, {}));
    std::vector<quillon_protocol::msg::Object> objects = {
      object(steps[k].track_4_on_furniture ? 3.1 : -3.0, 0.0), object(2.9, 0.0)};
    std::vector<int32_t> ids = {4, UNKNOWN_OBJECT_ID};
    if (steps[k].track_5_there) {
      objects.push_back(object(3.0, 0.2));
      ids.push_back(5);
    }
    lists.push_back(scoredList(stamp, "base_footprint", objects, ids));
  }
  const GateScores g = evaluate(truth, lists).gates.at(0);
  EXPECT_EQ(g.false_positives_on_furniture, 13);
  EXPECT_NEAR(g.longest_false_id_near_furniture_s, 0.3, 1e-12);

  // Without any track on furniture the run is 0.
  for (auto & scored : lists) {
    scored.list.objects.resize(1);
    scored.ids.resize(1);
    scored.list.objects[0].pose.position.x = -3.0;
  }
  EXPECT_DOUBLE_EQ(evaluate(truth, lists).gates.at(0).longest_false_id_near_furniture_s, 0.0);
}

}  // namespace
}  // namespace quillon_tools
