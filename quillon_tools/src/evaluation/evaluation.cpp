#include "quillon_tools/evaluation/evaluation.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/evaluation/gated_assignment.hpp"
#include "quillon_tools/evaluation/identity_scores.hpp"
#include "quillon_tools/evaluation/person_motion.hpp"
#include "quillon_tools/evaluation/scored_set.hpp"
#include "quillon_tools/evaluation/truth_at_stamp.hpp"

namespace quillon_tools
{
namespace
{

constexpr double UNDEFINED = std::numeric_limits<double>::quiet_NaN();

struct Detection
{
  PlanarVector position;
  PlanarVector velocity;
  int32_t id = UNKNOWN_OBJECT_ID;
  double range_m = 0.0;   // from the list's scanner (the nearer one on the fused list)
  bool in_range = false;  // a false positive counts only where people are scored
  bool near_furniture = false;
  bool ignored = false;  // where the truth knows of somebody it does not label
};

// A truth person as one list sees them.
struct ListPerson
{
  PersonInFrame in_frame;
  double range_m = 0.0;  // from the list's scanner (the nearer one on the fused list)
  bool scored = false;
  bool standing = false;
};

// One list, ready to be matched under every gate.
struct ListScene
{
  int64_t stamp_ns = 0;
  std::vector<ListPerson> people;
  std::vector<Detection> detections;
  std::vector<std::vector<double>> distances;  // people x detections
};

// Running sums of one kind of people under one gate.
struct PeopleTally
{
  PeopleScores scores;
  double position_error_sum = 0.0;
  double velocity_error_sum = 0.0;
};

// Running sums of one gate over all scored lists of a topic.
struct GateTally
{
  GateScores scores;
  PeopleTally all;
  PeopleTally walking;
  PeopleTally standing;
  std::vector<RangeBandScores> range_bands;
  std::map<int32_t, int32_t> last_output_id;  // truth person -> output id at its last match
  std::set<int32_t> false_ids;                // known output ids of the false positives
  // Per scored list, in the order scored: the known ids of its false positives near furniture.
  std::vector<std::set<int32_t>> furniture_false_ids;
  IdentityTally identity;
  std::map<int32_t, int64_t> last_matched_ns;  // truth person -> stamp of their last known id
  // Switches whose old id was gone from the list, until a later match tells whether it came back
  // within ALTERNATION_S (alternating lists) or not; by truth person, indices into `switches`.
  std::map<int32_t, std::vector<std::size_t>> open_switches;
  std::vector<IdentitySwitch> switches;
  bool record_misses = false;
  std::vector<WalkingMiss> misses;
};

double norm(const PlanarVector & v) { return std::hypot(v.x, v.y); }

PlanarVector difference(const PlanarVector & a, const PlanarVector & b)
{
  return {a.x - b.x, a.y - b.y};
}

double ratio(double numerator, double denominator)
{
  return denominator > 0.0 ? numerator / denominator : UNDEFINED;
}

void checkIds(const ScoredList & scored)
{
  if (!scored.ids.empty() && scored.ids.size() != scored.list.objects.size()) {
    throw std::invalid_argument(
      "evaluate: list at stamp " + std::to_string(stampNanoseconds(scored.list.header.stamp)) +
      " has " + std::to_string(scored.ids.size()) + " ids for " +
      std::to_string(scored.list.objects.size()) + " objects");
  }
}

// The pedestrian objects of a list; objects with non-finite values are dropped and counted.
std::vector<Detection> pedestrianDetections(
  const ScoredList & scored, int32_t pedestrian_classification, int64_t & dropped)
{
  std::vector<Detection> detections;
  for (std::size_t i = 0; i < scored.list.objects.size(); ++i) {
    const auto & object = scored.list.objects[i];
    if (object.classification != pedestrian_classification) {
      continue;
    }
    Detection detection;
    detection.position = {object.pose.position.x, object.pose.position.y};
    detection.velocity = {object.velocity_x, object.velocity_y};
    detection.id = scored.ids.empty() ? UNKNOWN_OBJECT_ID : scored.ids[i];
    if (
      !std::isfinite(detection.position.x) || !std::isfinite(detection.position.y) ||
      !std::isfinite(detection.velocity.x) || !std::isfinite(detection.velocity.y)) {
      ++dropped;
      continue;
    }
    detections.push_back(detection);
  }
  return detections;
}

bool nearFurniture(
  const GroundTruth & truth, const Pose2D & frame_pose, const PlanarVector & position,
  double margin)
{
  for (const auto & item : truth.furniture) {
    const PlanarVector centre = pointIntoFrame(frame_pose, {item.x, item.y});
    if (norm(difference(position, centre)) <= item.radius + margin) {
      return true;
    }
  }
  return false;
}

bool inIgnoredRegion(
  const TruthFrame & at, const Pose2D & frame_pose, const PlanarVector & position)
{
  for (const auto & region : at.ignored) {
    const PlanarVector centre = pointIntoFrame(frame_pose, {region.x, region.y});
    if (norm(difference(position, centre)) <= region.radius) {
      return true;
    }
  }
  return false;
}

ListScene listScene(
  const GroundTruth & truth, const TruthFrame & at, const std::string & frame_id,
  std::vector<Detection> detections, const ScoredSet & scored_set, const PersonMotion & motion,
  const EvaluationOptions & options)
{
  const Pose2D frame_pose = *outputFramePose(truth, at.robot, frame_id);
  ListScene scene;
  scene.stamp_ns = at.stamp_ns;
  for (const auto & person : at.people) {
    ListPerson entry;
    entry.in_frame = personInFrame(at, frame_pose, person);
    entry.range_m = scored_set.scannerDistance(frame_id, entry.in_frame.position);
    entry.scored = scored_set.scores(frame_id, at.stamp_ns, entry.in_frame);
    entry.standing = motion.standing(person, at.stamp_ns);
    scene.people.push_back(entry);
  }
  for (auto & detection : detections) {
    detection.range_m = scored_set.scannerDistance(frame_id, detection.position);
    detection.in_range = scored_set.inRange(frame_id, detection.position);
    detection.near_furniture =
      nearFurniture(truth, frame_pose, detection.position, options.furniture_margin_m);
    detection.ignored = inIgnoredRegion(at, frame_pose, detection.position);
  }
  scene.detections = std::move(detections);
  for (const auto & person : scene.people) {
    std::vector<double> row;
    for (const auto & detection : scene.detections) {
      row.push_back(norm(difference(person.in_frame.position, detection.position)));
    }
    scene.distances.push_back(std::move(row));
  }
  return scene;
}

// The bands from EvaluationOptions: one ending at each limit, then one to the scoring range.
std::vector<RangeBandScores> rangeBands(const EvaluationOptions & options)
{
  std::vector<RangeBandScores> bands;
  double from = 0.0;
  for (const double limit : options.range_band_limits_m) {
    bands.push_back({from, limit});
    from = limit;
  }
  bands.push_back({from, options.max_range_m});
  return bands;
}

// The band a distance falls in; nullptr beyond the last one.
RangeBandScores * bandAt(double range_m, std::vector<RangeBandScores> & bands)
{
  for (auto & band : bands) {
    if (range_m <= band.to_m) {
      return &band;
    }
  }
  return nullptr;
}

// A truth person matched to a known output id other than the last known one switched identity;
// unknown ids neither switch nor replace the last known one.
bool identitySwitched(int32_t person_id, int32_t output_id, GateTally & tally)
{
  if (output_id == UNKNOWN_OBJECT_ID) {
    return false;
  }
  const auto last = tally.last_output_id.find(person_id);
  const bool switched = last != tally.last_output_id.end() && last->second != output_id;
  tally.last_output_id[person_id] = output_id;
  return switched;
}

// Counts one scored person, matched to `detection` at `distance` or missed (nullptr).
void countPerson(
  const ListPerson & person, const Detection * detection, double distance, GateTally & tally)
{
  const bool switched =
    detection != nullptr && identitySwitched(person.in_frame.id, detection->id, tally);
  RangeBandScores * band = person.standing ? nullptr : bandAt(person.range_m, tally.range_bands);
  if (band != nullptr) {
    ++band->walking_ground_truth;
    band->walking_true_positives += detection != nullptr ? 1 : 0;
  }
  for (PeopleTally * kind : {&tally.all, person.standing ? &tally.standing : &tally.walking}) {
    PeopleScores & s = kind->scores;
    ++s.ground_truth;
    if (detection == nullptr) {
      ++s.false_negatives;
      continue;
    }
    ++s.true_positives;
    s.id_switches += switched ? 1 : 0;
    kind->position_error_sum += distance;
    kind->velocity_error_sum += norm(difference(detection->velocity, person.in_frame.velocity));
  }
}

// Everybody takes part in the matching, so that a detection of an unscored person (beyond the
// range, out of view) is neither a false positive nor taken by someone else.
// Pairs kept from the previous list, as CLEAR MOT keeps them: a person whose last matched track
// id is still in the list within the gate stays with it, even if another track came nearer.
// The others are matched optimally among what is left.
std::vector<int> matchKeepingCorrespondences(const ListScene & scene, const GateTally & tally)
{
  const double gate = tally.scores.gate_m;
  std::vector<int> kept(scene.people.size(), NO_MATCH);
  std::vector<bool> taken(scene.detections.size(), false);
  for (std::size_t p = 0; p < scene.people.size(); ++p) {
    const auto last = tally.last_output_id.find(scene.people[p].in_frame.id);
    if (last == tally.last_output_id.end()) {
      continue;
    }
    for (std::size_t d = 0; d < scene.detections.size(); ++d) {
      if (!taken[d] && scene.detections[d].id == last->second && scene.distances[p][d] <= gate) {
        kept[p] = static_cast<int>(d);
        taken[d] = true;
        break;
      }
    }
  }
  auto rest = scene.distances;
  const double never = std::numeric_limits<double>::infinity();
  for (std::size_t p = 0; p < rest.size(); ++p) {
    for (std::size_t d = 0; d < rest[p].size(); ++d) {
      if (kept[p] != NO_MATCH || taken[d]) {
        rest[p][d] = never;
      }
    }
  }
  std::vector<int> match = gatedAssignment(rest, gate);
  for (std::size_t p = 0; p < match.size(); ++p) {
    match[p] = kept[p] != NO_MATCH ? kept[p] : match[p];
  }
  return match;
}

// m: a false positive this near a true person is a duplicate of them or a track trailing them.
constexpr double NEAR_PERSON_M = 1.0;

void countFalsePositive(const Detection & detection, bool near_person, GateTally & tally)
{
  ++tally.scores.false_positives;
  if (near_person) {
    ++tally.scores.false_positives_near_person;
  } else if (detection.near_furniture) {
    ++tally.scores.false_positives_on_furniture_only;
  } else {
    ++tally.scores.false_positives_elsewhere;
  }
  tally.scores.false_positives_on_furniture += detection.near_furniture ? 1 : 0;
  if (RangeBandScores * band = bandAt(detection.range_m, tally.range_bands)) {
    ++band->false_positives;
  }
  if (detection.id == UNKNOWN_OBJECT_ID) {
    ++tally.scores.false_positives_unknown_id;
    return;
  }
  tally.false_ids.insert(detection.id);
  if (detection.near_furniture) {
    tally.furniture_false_ids.back().insert(detection.id);
  }
}

// The list as the identity measures see it: the scored people, and the detections that count as
// true or false positives (in range, not ignored, not taken by a person outside the scored set).
void countIdentities(const ListScene & scene, const std::vector<int> & match, GateTally & tally)
{
  std::vector<bool> of_unscored(scene.detections.size(), false);
  for (std::size_t p = 0; p < scene.people.size(); ++p) {
    if (!scene.people[p].scored && match[p] != NO_MATCH) {
      of_unscored[static_cast<std::size_t>(match[p])] = true;
    }
  }
  IdentityFrame frame;
  std::vector<std::size_t> counted;
  for (std::size_t d = 0; d < scene.detections.size(); ++d) {
    const Detection & detection = scene.detections[d];
    if (detection.in_range && !detection.ignored && !of_unscored[d]) {
      counted.push_back(d);
      frame.detection_ids.push_back(detection.id);
    }
  }
  for (std::size_t p = 0; p < scene.people.size(); ++p) {
    if (!scene.people[p].scored) {
      continue;
    }
    frame.people.push_back({scene.people[p].in_frame.id, scene.people[p].standing});
    for (std::size_t k = 0; k < counted.size(); ++k) {
      if (scene.distances[p][counted[k]] <= tally.scores.gate_m) {
        frame.within_gate.emplace_back(frame.people.size() - 1, k);
      }
    }
  }
  tally.identity.add(frame);
}

// s without a match (with a known id) before a switch that counts as a long or a short gap.
constexpr double LONG_GAP_S = 2.0;
constexpr double SHORT_GAP_S = 0.5;
// s within which an old id that comes back to the person makes the switch an alternation.
constexpr double ALTERNATION_S = 0.5;
// m: a second object this near a person, holding their old id, is a duplicate of them.
constexpr double DUPLICATE_REACH_M = 1.0;

// Before person p's match to detection d is counted: records why their id changes, if it does.
void explainSwitch(
  const ListScene & scene, const std::vector<int> & match, std::size_t p, GateTally & tally)
{
  const ListPerson & person = scene.people[p];
  const Detection & detection = scene.detections[static_cast<std::size_t>(match[p])];
  if (detection.id == UNKNOWN_OBJECT_ID) {
    return;
  }
  const int32_t id = person.in_frame.id;
  auto & open = tally.open_switches[id];
  open.erase(
    std::remove_if(
      open.begin(), open.end(),
      [&](std::size_t index) {
        IdentitySwitch & earlier = tally.switches[index];
        if (detection.id == earlier.from_id) {
          earlier.cause = SwitchCause::alternating;
          return true;
        }
        return 1e-9 * static_cast<double>(scene.stamp_ns - earlier.stamp_ns) > ALTERNATION_S;
      }),
    open.end());
  const auto last = tally.last_output_id.find(id);
  const auto last_matched = tally.last_matched_ns.find(id);
  const std::optional<int64_t> previous_match_ns = last_matched == tally.last_matched_ns.end()
                                                     ? std::nullopt
                                                     : std::optional<int64_t>(last_matched->second);
  tally.last_matched_ns[id] = scene.stamp_ns;
  if (last == tally.last_output_id.end() || last->second == detection.id) {
    return;
  }
  IdentitySwitch change;
  change.stamp_ns = scene.stamp_ns;
  change.person = id;
  change.from_id = last->second;
  change.to_id = detection.id;
  change.standing = person.standing;
  change.unmatched_s =
    previous_match_ns ? 1e-9 * static_cast<double>(scene.stamp_ns - *previous_match_ns) : 0.0;
  std::optional<std::size_t> old_holder;
  for (std::size_t d = 0; d < scene.detections.size(); ++d) {
    if (scene.detections[d].id == change.from_id) {
      old_holder = d;
    }
  }
  if (change.unmatched_s >= LONG_GAP_S) {
    change.cause = SwitchCause::after_long_gap;
  } else if (change.unmatched_s >= SHORT_GAP_S) {
    change.cause = SwitchCause::after_short_gap;
  } else if (old_holder) {
    const bool matched_to_other =
      std::find(match.begin(), match.end(), static_cast<int>(*old_holder)) != match.end();
    change.cause = !matched_to_other && scene.distances[p][*old_holder] <= DUPLICATE_REACH_M
                     ? SwitchCause::duplicate
                     : SwitchCause::id_taken;
  } else {
    open.push_back(tally.switches.size());  // decided by the person's later matches
  }
  tally.switches.push_back(change);
}

void scoreUnderGate(const ListScene & scene, GateTally & tally)
{
  const std::vector<int> match = matchKeepingCorrespondences(scene, tally);
  for (std::size_t p = 0; p < scene.people.size(); ++p) {
    if (scene.people[p].scored && match[p] != NO_MATCH) {
      explainSwitch(scene, match, p, tally);
    }
  }
  std::vector<bool> detection_matched(scene.detections.size(), false);
  for (std::size_t p = 0; p < scene.people.size(); ++p) {
    const auto d = static_cast<std::size_t>(match[p]);
    if (match[p] != NO_MATCH) {
      detection_matched[d] = true;
    }
    if (!scene.people[p].scored) {
      continue;
    }
    if (match[p] == NO_MATCH) {
      countPerson(scene.people[p], nullptr, 0.0, tally);
      if (tally.record_misses && !scene.people[p].standing) {
        const auto & row = scene.distances[p];
        const bool object_near = std::any_of(
          row.begin(), row.end(), [&](double distance) { return distance <= tally.scores.gate_m; });
        tally.misses.push_back({scene.stamp_ns, scene.people[p].in_frame.id, object_near});
      }
    } else {
      countPerson(scene.people[p], &scene.detections[d], scene.distances[p][d], tally);
      if (RangeBandScores * band = bandAt(scene.detections[d].range_m, tally.range_bands)) {
        ++band->true_positives;
      }
    }
  }
  tally.furniture_false_ids.emplace_back();
  for (std::size_t d = 0; d < scene.detections.size(); ++d) {
    if (!detection_matched[d] && scene.detections[d].in_range && !scene.detections[d].ignored) {
      const bool near_person = std::any_of(
        scene.distances.begin(), scene.distances.end(),
        [d](const std::vector<double> & row) { return row[d] <= NEAR_PERSON_M; });
      countFalsePositive(scene.detections[d], near_person, tally);
    }
  }
  countIdentities(scene, match, tally);
}

void summariseLatencies(const std::vector<ScoredList> & lists, EvaluationResult & r)
{
  std::vector<double> latencies;
  for (const auto & scored : lists) {
    if (std::isfinite(scored.latency_ms) && scored.latency_ms >= 0.0) {
      latencies.push_back(scored.latency_ms);
    }
  }
  r.latency_count = static_cast<int64_t>(latencies.size());
  if (latencies.empty()) {
    r.latency_median_ms = UNDEFINED;
    r.latency_max_ms = UNDEFINED;
    return;
  }
  std::sort(latencies.begin(), latencies.end());
  const std::size_t half = latencies.size() / 2;
  r.latency_median_ms =
    latencies.size() % 2 == 1 ? latencies[half] : 0.5 * (latencies[half - 1] + latencies[half]);
  r.latency_max_ms = latencies.back();
}

// How many scored people of each kind one list holds (the same under every gate).
struct ScoredPeopleCount
{
  int64_t stamp_ns = 0;
  int64_t all = 0;
  int64_t walking = 0;
  int64_t standing = 0;
};

ScoredPeopleCount countScoredPeople(int64_t stamp_ns, const ListScene & scene)
{
  ScoredPeopleCount count{stamp_ns, 0, 0, 0};
  for (const auto & person : scene.people) {
    if (person.scored) {
      ++count.all;
      ++(person.standing ? count.standing : count.walking);
    }
  }
  return count;
}

// One scored list (an index into the lists in the order scored) and the time it stands for.
struct ListTime
{
  std::size_t list = 0;
  int64_t duration_ns = 0;
};

// The scored lists in stamp order, each standing for the time to the next one; the fused list
// comes at uneven steps (each scanner's list triggers one), so a single usual step would misstate
// it. A step longer than twice the median (an outage) counts as the median, and so does the last
// list's. Empty when the stamps give no step.
std::vector<ListTime> scoredListTimes(const std::vector<ScoredPeopleCount> & counts)
{
  std::vector<std::size_t> order(counts.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&counts](std::size_t a, std::size_t b) {
    return counts[a].stamp_ns < counts[b].stamp_ns;
  });
  std::vector<int64_t> steps;
  for (std::size_t i = 1; i < order.size(); ++i) {
    const int64_t step = counts[order[i]].stamp_ns - counts[order[i - 1]].stamp_ns;
    if (step > 0) {
      steps.push_back(step);
    }
  }
  if (steps.empty()) {
    return {};
  }
  std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
  const int64_t usual = steps[steps.size() / 2];
  std::vector<ListTime> times;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const int64_t step =
      i + 1 < order.size() ? counts[order[i + 1]].stamp_ns - counts[order[i]].stamp_ns : usual;
    times.push_back({order[i], step <= 2 * usual ? step : usual});
  }
  return times;
}

// Scored time in minutes: per kind of people (each person-frame weighs its list's time) and of
// the lists themselves.
struct PersonMinutes
{
  double all = UNDEFINED;
  double walking = UNDEFINED;
  double standing = UNDEFINED;
  double lists = UNDEFINED;
};

PersonMinutes scoredPersonMinutes(
  const std::vector<ScoredPeopleCount> & counts, const std::vector<ListTime> & times)
{
  if (times.empty()) {
    return {};
  }
  PersonMinutes minutes{0.0, 0.0, 0.0, 0.0};
  for (const ListTime & time : times) {
    const ScoredPeopleCount & count = counts[time.list];
    const double weight_min = static_cast<double>(time.duration_ns) * 1e-9 / 60.0;
    minutes.all += static_cast<double>(count.all) * weight_min;
    minutes.walking += static_cast<double>(count.walking) * weight_min;
    minutes.standing += static_cast<double>(count.standing) * weight_min;
    minutes.lists += weight_min;
  }
  return minutes;
}

// The longest time one output id stayed a false positive near furniture over consecutive scored
// lists, in seconds; undefined when there is one but the stamps give no time.
double longestFurnitureRun(const GateTally & tally, const std::vector<ListTime> & times)
{
  if (times.empty()) {
    const bool any = std::any_of(
      tally.furniture_false_ids.begin(), tally.furniture_false_ids.end(),
      [](const auto & ids) { return !ids.empty(); });
    return any ? UNDEFINED : 0.0;
  }
  std::map<int32_t, int64_t> running;  // id -> length of its run up to the previous list
  int64_t longest = 0;
  for (const ListTime & time : times) {
    std::map<int32_t, int64_t> continued;
    for (const int32_t id : tally.furniture_false_ids[time.list]) {
      const auto before = running.find(id);
      const int64_t run = (before != running.end() ? before->second : 0) + time.duration_ns;
      continued[id] = run;
      longest = std::max(longest, run);
    }
    running = std::move(continued);
  }
  return static_cast<double>(longest) * 1e-9;
}

PeopleScores summarisePeople(
  const PeopleTally & tally, int64_t false_positives, double person_minutes)
{
  PeopleScores s = tally.scores;
  const double tp = static_cast<double>(s.true_positives);
  s.recall = ratio(tp, tp + static_cast<double>(s.false_negatives));
  s.motp_m = ratio(tally.position_error_sum, tp);
  s.mean_velocity_error_mps = ratio(tally.velocity_error_sum, tp);
  s.person_minutes = person_minutes;
  s.id_switches_per_minute = ratio(static_cast<double>(s.id_switches), s.person_minutes);
  const double errors = static_cast<double>(s.false_negatives + false_positives + s.id_switches);
  s.mota = s.ground_truth > 0 ? 1.0 - errors / static_cast<double>(s.ground_truth) : UNDEFINED;
  return s;
}

GateScores summariseGate(
  const GateTally & tally, const PersonMinutes & minutes, const std::vector<ListTime> & times)
{
  GateScores g = tally.scores;
  g.all = summarisePeople(tally.all, g.false_positives, minutes.all);
  g.walking = summarisePeople(tally.walking, g.false_positives, minutes.walking);
  g.standing = summarisePeople(tally.standing, g.false_positives, minutes.standing);
  const double tp = static_cast<double>(g.all.true_positives);
  const double fp = static_cast<double>(g.false_positives);
  const double fn = static_cast<double>(g.all.false_negatives);
  g.precision = ratio(tp, tp + fp);
  g.f1 = ratio(2.0 * tp, 2.0 * tp + fp + fn);
  g.mota = g.all.mota;
  g.range_bands = tally.range_bands;
  for (auto & band : g.range_bands) {
    const auto band_tp = static_cast<double>(band.true_positives);
    band.walking_recall = ratio(
      static_cast<double>(band.walking_true_positives),
      static_cast<double>(band.walking_ground_truth));
    band.precision = ratio(band_tp, band_tp + static_cast<double>(band.false_positives));
  }
  g.false_positive_ids = static_cast<int64_t>(tally.false_ids.size());
  g.scored_minutes = minutes.lists;
  g.false_positives_per_minute = ratio(fp, g.scored_minutes);
  g.false_positive_ids_per_minute =
    ratio(static_cast<double>(g.false_positive_ids), g.scored_minutes);
  g.longest_false_id_near_furniture_s = longestFurnitureRun(tally, times);
  g.identity = tally.identity.summarise();
  g.switches = tally.switches;
  g.walking_misses = tally.misses;
  return g;
}

}  // namespace

const char * switchCauseName(SwitchCause cause)
{
  switch (cause) {
    case SwitchCause::after_long_gap:
      return "after a gap of 2 s or more";
    case SwitchCause::after_short_gap:
      return "after a gap of 0.5-2 s";
    case SwitchCause::duplicate:
      return "duplicate: the old id on a second object near the person";
    case SwitchCause::id_taken:
      return "id taken by another object";
    case SwitchCause::alternating:
      return "alternating lists: the old id came back";
    case SwitchCause::old_id_ended:
      return "the old id left the list";
  }
  return "";
}

bool afterLeavingSight(const IdentitySwitch & change)
{
  return change.out_of_sight_s >= LONG_GAP_S;
}

EvaluationResult evaluate(
  const GroundTruth & truth, const std::vector<ScoredList> & lists,
  const EvaluationOptions & options)
{
  const ScoredSet scored_set(truth, options);
  const PersonMotion motion(truth, options);
  std::vector<GateTally> tallies(options.gates_m.size());
  for (std::size_t g = 0; g < tallies.size(); ++g) {
    tallies[g].scores.gate_m = options.gates_m[g];
    tallies[g].range_bands = rangeBands(options);
    tallies[g].record_misses = options.record_misses;
  }
  EvaluationResult r;
  std::vector<ScoredPeopleCount> scored_people;
  for (const auto & scored : lists) {
    checkIds(scored);
    const std::string & frame_id = scored.list.header.frame_id;
    if (frame_id != ROBOT_FRAME && truth.mounts.count(frame_id) == 0) {
      ++r.lists_in_unknown_frame;
      continue;
    }
    const int64_t stamp = stampNanoseconds(scored.list.header.stamp);
    const auto at = truthAtStamp(truth, stamp, options.truth_tolerance_ns);
    if (!at) {
      ++r.lists_without_truth;
      continue;
    }
    const ListScene scene = listScene(
      truth, *at, frame_id,
      pedestrianDetections(scored, options.pedestrian_classification, r.detections_dropped),
      scored_set, motion, options);
    for (auto & tally : tallies) {
      scoreUnderGate(scene, tally);
    }
    ++r.lists_scored;
    scored_people.push_back(countScoredPeople(stamp, scene));
  }
  const std::vector<ListTime> times = scoredListTimes(scored_people);
  const PersonMinutes minutes = scoredPersonMinutes(scored_people, times);
  for (auto & tally : tallies) {
    for (IdentitySwitch & change : tally.switches) {
      const auto gap_ns = static_cast<int64_t>(std::llround(change.unmatched_s * 1e9));
      change.out_of_sight_s =
        scored_set.longestOutOfSight(change.person, change.stamp_ns - gap_ns, change.stamp_ns);
    }
    r.gates.push_back(summariseGate(tally, minutes, times));
  }
  summariseLatencies(lists, r);
  return r;
}

}  // namespace quillon_tools
