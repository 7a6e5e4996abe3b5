#ifndef EVALUATION_BUILDERS_HPP_
#define EVALUATION_BUILDERS_HPP_

// Small builders shared by the evaluation tests: truth frames, object lists and scored lists.

#include <cstdint>
#include <string>
#include <vector>

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools::test
{

constexpr int64_t MS = 1000000;

inline PersonState person(int32_t id, double x, double y, double vx = 0.0, double vy = 0.0)
{
  PersonState p;
  p.id = id;
  p.x = x;
  p.y = y;
  p.vx = vx;
  p.vy = vy;
  return p;
}

inline TruthFrame truthFrame(
  int64_t stamp_ns, std::vector<PersonState> people, Pose2D robot = {}, double robot_omega = 0.0)
{
  TruthFrame frame;
  frame.stamp_ns = stamp_ns;
  frame.robot = robot;
  frame.robot_omega = robot_omega;
  frame.people = std::move(people);
  return frame;
}

// `p` with `beams` returns in its frame's scan.
inline PersonState withBeams(PersonState p, int32_t beams)
{
  p.beams = beams;
  return p;
}

// `frame` as the truth of one scan of `scanner`.
inline TruthFrame scanOf(const std::string & scanner, TruthFrame frame)
{
  frame.scanner_frame = scanner;
  return frame;
}

inline quillon_protocol::msg::Object object(
  double x, double y, double vx = 0.0, double vy = 0.0, int32_t classification = 1)
{
  quillon_protocol::msg::Object o;
  o.pose.position.x = x;
  o.pose.position.y = y;
  o.velocity_x = vx;
  o.velocity_y = vy;
  o.classification = classification;
  return o;
}

inline ScoredList scoredList(
  int64_t stamp_ns, const std::string & frame_id,
  std::vector<quillon_protocol::msg::Object> objects, std::vector<int32_t> ids = {},
  double latency_ms = 0.0)
{
  ScoredList scored;
  scored.list.header.frame_id = frame_id;
  scored.list.header.stamp.sec = static_cast<int32_t>(stamp_ns / 1000000000);
  scored.list.header.stamp.nanosec = static_cast<uint32_t>(stamp_ns % 1000000000);
  scored.list.sensor_type = 3;
  scored.list.objects = std::move(objects);
  scored.ids = std::move(ids);
  scored.latency_ms = latency_ms;
  return scored;
}

}  // namespace quillon_tools::test

#endif  // EVALUATION_BUILDERS_HPP_
