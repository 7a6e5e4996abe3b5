#include "quillon_tools/evaluation/evaluation.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/evaluation/gated_assignment.hpp"

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
};

// Running sums over all scored lists of one topic.
struct Accumulator
{
  EvaluationResult result;
  double position_error_sum = 0.0;
  double velocity_error_sum = 0.0;
  std::map<int32_t, int32_t> last_output_id;  // truth person -> output id at its last match
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

// A truth person matched to a known output id other than the last known one switched identity;
// unknown ids neither switch nor replace the last known one.
void countIdentity(int32_t person_id, int32_t output_id, Accumulator & acc)
{
  if (output_id == UNKNOWN_OBJECT_ID) {
    return;
  }
  const auto last = acc.last_output_id.find(person_id);
  if (last != acc.last_output_id.end() && last->second != output_id) {
    ++acc.result.id_switches;
  }
  acc.last_output_id[person_id] = output_id;
}

void scoreList(
  const GroundTruth & truth, const TruthFrame & at, const Pose2D & frame_pose,
  const std::vector<Detection> & detections, const EvaluationOptions & options, Accumulator & acc)
{
  EvaluationResult & r = acc.result;
  std::vector<PersonInFrame> people;
  for (const auto & person : at.people) {
    people.push_back(personInFrame(at, frame_pose, person));
  }
  // Everybody takes part in the matching, so that a detection of a person just beyond the range
  // is neither a false positive nor stolen by someone else; only in-range pairs are counted.
  std::vector<std::vector<double>> distances(
    people.size(), std::vector<double>(detections.size(), 0.0));
  for (std::size_t p = 0; p < people.size(); ++p) {
    for (std::size_t d = 0; d < detections.size(); ++d) {
      distances[p][d] = norm(difference(people[p].position, detections[d].position));
    }
  }
  const std::vector<int> match = gatedAssignment(distances, options.match_distance_m);
  std::vector<bool> detection_matched(detections.size(), false);
  for (std::size_t p = 0; p < people.size(); ++p) {
    const bool in_range = norm(people[p].position) <= options.max_range_m;
    if (match[p] != NO_MATCH) {
      detection_matched[static_cast<std::size_t>(match[p])] = true;
    }
    if (!in_range) {
      continue;
    }
    ++r.ground_truth;
    if (match[p] == NO_MATCH) {
      ++r.false_negatives;
      continue;
    }
    const Detection & detection = detections[static_cast<std::size_t>(match[p])];
    ++r.true_positives;
    acc.position_error_sum += distances[p][static_cast<std::size_t>(match[p])];
    acc.velocity_error_sum += norm(difference(detection.velocity, people[p].velocity));
    countIdentity(people[p].id, detection.id, acc);
  }
  for (std::size_t d = 0; d < detections.size(); ++d) {
    if (detection_matched[d] || norm(detections[d].position) > options.max_range_m) {
      continue;
    }
    ++r.false_positives;
    if (nearFurniture(truth, frame_pose, detections[d].position, options.furniture_margin_m)) {
      ++r.false_positives_on_furniture;
    }
  }
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

void summariseScores(const Accumulator & acc, EvaluationResult & r)
{
  const double tp = static_cast<double>(r.true_positives);
  const double fp = static_cast<double>(r.false_positives);
  const double fn = static_cast<double>(r.false_negatives);
  r.precision = ratio(tp, tp + fp);
  r.recall = ratio(tp, tp + fn);
  r.f1 = ratio(2.0 * tp, 2.0 * tp + fp + fn);
  r.mota = r.ground_truth > 0 ? 1.0 - (fn + fp + static_cast<double>(r.id_switches)) /
                                        static_cast<double>(r.ground_truth)
                              : UNDEFINED;
  r.mean_position_error_m = ratio(acc.position_error_sum, tp);
  r.mean_velocity_error_mps = ratio(acc.velocity_error_sum, tp);
}

}  // namespace

EvaluationResult evaluate(
  const GroundTruth & truth, const std::vector<ScoredList> & lists,
  const EvaluationOptions & options)
{
  Accumulator acc;
  EvaluationResult & r = acc.result;
  for (const auto & scored : lists) {
    checkIds(scored);
    const std::string & frame_id = scored.list.header.frame_id;
    if (frame_id != ROBOT_FRAME && truth.mounts.count(frame_id) == 0) {
      ++r.lists_in_unknown_frame;
      continue;
    }
    const auto at =
      truthAtStamp(truth, stampNanoseconds(scored.list.header.stamp), options.truth_tolerance_ns);
    if (!at) {
      ++r.lists_without_truth;
      continue;
    }
    const Pose2D frame_pose = *outputFramePose(truth, at->robot, frame_id);
    const auto detections =
      pedestrianDetections(scored, options.pedestrian_classification, r.detections_dropped);
    scoreList(truth, *at, frame_pose, detections, options, acc);
    ++r.lists_scored;
  }
  summariseScores(acc, r);
  summariseLatencies(lists, r);
  return r;
}

}  // namespace quillon_tools
