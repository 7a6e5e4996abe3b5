#include "quillon_tools/runner/scenario_replay.hpp"

#include <deque>
#include <map>
#include <stdexcept>

#include "quillon_tools/evaluation/marker_ids.hpp"

namespace quillon_tools
{
namespace
{

// Where each output topic's markers are published.
const std::map<std::string, std::string> & markerTopicOf()
{
  static const std::map<std::string, std::string> topics{
    {"/objects_laser1", "/scan1/pedestrian_markers"},
    {"/objects_laser2", "/scan2/pedestrian_markers"},
    {"/objects_laser", "/objects_laser_markers"}};
  return topics;
}

tf2_msgs::msg::TFMessage asMessage(std::vector<geometry_msgs::msg::TransformStamped> transforms)
{
  tf2_msgs::msg::TFMessage msg;
  msg.transforms = std::move(transforms);
  return msg;
}

}  // namespace

const std::vector<std::string> & scoredTopics()
{
  static const std::vector<std::string> topics{
    "/objects_laser1", "/objects_laser2", "/objects_laser"};
  return topics;
}

ScenarioReplay replayScenario(
  const Scenario & scenario, const SimulatorConfig & config, const ReplayOptions & options,
  const std::function<void(double)> & progress)
{
  Simulator simulator(scenario, config);
  ReplayRunner runner(options);
  runner.feedStaticTransforms(asMessage(simulator.staticTransforms()), config.start_stamp_ns);
  if (!runner.start()) {
    throw std::runtime_error("trailscan did not find the scanner mounts in the simulated TF");
  }
  ScenarioReplay replay;
  replay.truth = simulator.groundTruthHeader();
  SimulatedScan scan;
  while (simulator.next(scan)) {
    const int64_t stamp = scan.truth.stamp_ns;
    replay.truth.frames.push_back(scan.truth);
    for (const auto & odometry : scan.odometry) {
      runner.feedTransforms(asMessage({odometry}), stampNanoseconds(odometry.header.stamp));
    }
    runner.feedScan(scan.topic, scan.scan, scan.published_ns);
    if (progress) {
      progress(static_cast<double>(stamp - config.start_stamp_ns) * 1e-9);
    }
  }
  replay.outputs = runner.outputs();
  return replay;
}

std::vector<ScoredList> scoredLists(const ReplayOutputs & outputs, const std::string & topic)
{
  std::vector<ScoredList> scored;
  const auto lists = outputs.lists.find(topic);
  if (lists == outputs.lists.end()) {
    return scored;
  }
  // Markers come only with non-empty lists, stamped like them and published right after them;
  // two lists may share a stamp (trailmerge fuses on every arrival), so each stamp's arrays are
  // taken in the order they came.
  std::map<int64_t, std::deque<const visualization_msgs::msg::MarkerArray *>> markers_at;
  const auto markers = outputs.markers.find(markerTopicOf().at(topic));
  if (markers != outputs.markers.end()) {
    for (const auto & array : markers->second) {
      for (const auto & marker : array.markers) {
        if (marker.action == visualization_msgs::msg::Marker::ADD) {
          markers_at[stampNanoseconds(marker.header.stamp)].push_back(&array);
          break;
        }
      }
    }
  }
  for (const ReceivedList & received : lists->second) {
    ScoredList s;
    s.list = received.list;
    s.latency_ms = received.latency_ms;
    s.ids.assign(received.list.objects.size(), UNKNOWN_OBJECT_ID);
    auto found = markers_at.find(stampNanoseconds(received.list.header.stamp));
    if (!received.list.objects.empty() && found != markers_at.end() && !found->second.empty()) {
      s.ids = idsFromMarkers(received.list, *found->second.front());
      found->second.pop_front();
    }
    scored.push_back(std::move(s));
  }
  return scored;
}

std::vector<std::pair<std::string, EvaluationResult>> evaluateReplay(
  const GroundTruth & truth, const ReplayOutputs & outputs, const std::string & label,
  const EvaluationOptions & options)
{
  std::vector<std::pair<std::string, EvaluationResult>> rows;
  for (const std::string & topic : scoredTopics()) {
    rows.emplace_back(label + " " + topic, evaluate(truth, scoredLists(outputs, topic), options));
  }
  return rows;
}

}  // namespace quillon_tools
