#include "quillon_tools/evaluation/truth_velocity_estimation.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>

namespace quillon_tools
{
namespace
{

constexpr double PI = 3.14159265358979323846;

// One sample of one id: where it is stored and what it measured.
struct Sample
{
  std::size_t frame = 0;
  std::size_t person = 0;
  int64_t stamp_ns = 0;
  double x = 0.0;
  double y = 0.0;
  double yaw = 0.0;
};

double wrapAngle(double angle)
{
  const double wrapped = std::remainder(angle, 2.0 * PI);
  return wrapped <= -PI ? wrapped + 2.0 * PI : wrapped;
}

// The two samples to difference for sample k: its neighbours, or itself at an end.
std::pair<const Sample *, const Sample *> differencePair(
  const std::vector<Sample> & samples, std::size_t k)
{
  const Sample * before = &samples[k > 0 ? k - 1 : k];
  const Sample * after = &samples[k + 1 < samples.size() ? k + 1 : k];
  return {before, after};
}

void estimateRobot(GroundTruth & truth, const MissingVelocities & missing)
{
  std::vector<Sample> samples;
  for (std::size_t f = 0; f < truth.frames.size(); ++f) {
    const auto & frame = truth.frames[f];
    samples.push_back({f, 0, frame.stamp_ns, frame.robot.x, frame.robot.y, frame.robot.yaw});
  }
  for (std::size_t k = 0; k < samples.size(); ++k) {
    const auto [a, b] = differencePair(samples, k);
    const double dt = static_cast<double>(b->stamp_ns - a->stamp_ns) * 1e-9;
    TruthFrame & frame = truth.frames[k];
    if (missing.robot_linear[k]) {
      frame.robot_vx = dt > 0.0 ? (b->x - a->x) / dt : 0.0;
      frame.robot_vy = dt > 0.0 ? (b->y - a->y) / dt : 0.0;
    }
    if (missing.robot_angular[k]) {
      frame.robot_omega = dt > 0.0 ? wrapAngle(b->yaw - a->yaw) / dt : 0.0;
    }
  }
}

void estimatePeople(GroundTruth & truth, const MissingVelocities & missing)
{
  std::map<int32_t, std::vector<Sample>> by_id;
  for (std::size_t f = 0; f < truth.frames.size(); ++f) {
    const auto & frame = truth.frames[f];
    for (std::size_t p = 0; p < frame.people.size(); ++p) {
      const auto & person = frame.people[p];
      by_id[person.id].push_back({f, p, frame.stamp_ns, person.x, person.y, 0.0});
    }
  }
  for (const auto & [id, samples] : by_id) {
    for (std::size_t k = 0; k < samples.size(); ++k) {
      const Sample & sample = samples[k];
      if (!missing.people[sample.frame][sample.person]) {
        continue;
      }
      const auto [a, b] = differencePair(samples, k);
      const double dt = static_cast<double>(b->stamp_ns - a->stamp_ns) * 1e-9;
      PersonState & person = truth.frames[sample.frame].people[sample.person];
      person.vx = dt > 0.0 ? (b->x - a->x) / dt : 0.0;
      person.vy = dt > 0.0 ? (b->y - a->y) / dt : 0.0;
    }
  }
}

}  // namespace

void estimateMissingVelocities(GroundTruth & truth, const MissingVelocities & missing)
{
  estimateRobot(truth, missing);
  estimatePeople(truth, missing);
}

}  // namespace quillon_tools
