#include "quillon_tools/runner/bag_replay.hpp"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/message_types.hpp"
#include "quillon_tools/runner/result_bag.hpp"

namespace quillon_tools
{
namespace
{

// The frames trailscan's two scanners are mounted in, below "base_footprint".
const std::vector<std::string> & mountFrames()
{
  static const std::vector<std::string> frames{"base_scan_01", "base_scan_02"};
  return frames;
}

const std::vector<std::string> & inputTopics()
{
  static const std::vector<std::string> topics{"/tf_static", "/tf", "/scan_01", "/scan_02"};
  return topics;
}

class BagFeeder
{
public:
  BagFeeder(const ReplayOptions & options, BagWriter * results)
  : runner_(options), results_(results)
  {
  }

  void feed(const BagMessage & message, BagReplaySummary & summary);
  bool started() const { return started_; }
  std::string missingMountsText() const;
  const ReplayOutputs & outputs() const { return runner_.outputs(); }

private:
  void feedTransforms(const BagMessage & message, BagReplaySummary & summary);
  void feedScan(const BagMessage & message, BagReplaySummary & summary);
  void writeOutputs(int64_t time_ns);

  ReplayRunner runner_;
  BagWriter * results_;
  bool started_ = false;
  bool mountsConnected() const;
  std::string rootOf(const std::string & frame) const;

  std::map<std::string, std::string> parent_of_;
  std::map<std::string, size_t> written_;
};

void BagFeeder::feed(const BagMessage & message, BagReplaySummary & summary)
{
  ++summary.messages_in;
  if (message.topic == "/tf" || message.topic == "/tf_static") {
    feedTransforms(message, summary);
  } else if (!started_) {
    ++summary.scans_before_start;
  } else {
    feedScan(message, summary);
  }
}

void BagFeeder::feedTransforms(const BagMessage & message, BagReplaySummary & summary)
{
  tf2_msgs::msg::TFMessage transforms;
  try {
    transforms = deserialize<tf2_msgs::msg::TFMessage>(message);
  } catch (const BagError &) {
    ++summary.messages_malformed;
    return;
  }
  for (const auto & t : transforms.transforms) {
    parent_of_[t.child_frame_id] = t.header.frame_id;
  }
  if (message.topic == "/tf_static") {
    runner_.feedStaticTransforms(transforms, message.timestamp_ns);
  } else {
    runner_.feedTransforms(transforms, message.timestamp_ns);
  }
  // Mounts usually come latched at the start, but a robot may also send them on "/tf". The
  // lookup behind start() waits on the simulated clock, which stands still during the call, so
  // it is only asked once the frames are known to be connected.
  if (!started_ && mountsConnected()) {
    started_ = runner_.start();
  }
  writeOutputs(message.timestamp_ns);
}

void BagFeeder::feedScan(const BagMessage & message, BagReplaySummary & summary)
{
  sensor_msgs::msg::LaserScan scan;
  try {
    scan = deserialize<sensor_msgs::msg::LaserScan>(message);
  } catch (const BagError &) {
    ++summary.messages_malformed;
    return;
  }
  runner_.feedScan(message.topic, scan, message.timestamp_ns);
  ++summary.scans_processed;
  writeOutputs(message.timestamp_ns);
}

void BagFeeder::writeOutputs(int64_t time_ns)
{
  if (results_ != nullptr) {
    writeNewOutputs(runner_.outputs(), time_ns, written_, *results_);
  }
}

std::string BagFeeder::rootOf(const std::string & frame) const
{
  std::string root = frame;
  // A malformed tree may hold a cycle: no chain is longer than the number of frames.
  for (size_t steps = 0; steps <= parent_of_.size(); ++steps) {
    const auto parent = parent_of_.find(root);
    if (parent == parent_of_.end()) {
      return root;
    }
    root = parent->second;
  }
  return "";
}

bool BagFeeder::mountsConnected() const
{
  const std::string root = rootOf("base_footprint");
  for (const auto & frame : mountFrames()) {
    if (parent_of_.count(frame) == 0 || root.empty() || rootOf(frame) != root) {
      return false;
    }
  }
  return true;
}

std::string BagFeeder::missingMountsText() const
{
  std::string missing;
  for (const auto & frame : mountFrames()) {
    if (parent_of_.count(frame) == 0) {
      missing += (missing.empty() ? "" : ", ") + frame;
    }
  }
  if (missing.empty()) {
    return "no chain of transforms from base_footprint to base_scan_01 and base_scan_02";
  }
  return "no transform to " + missing + " (the scanner mounts below base_footprint)";
}

uint64_t lists(const ReplayOutputs & outputs)
{
  uint64_t count = 0;
  for (const auto & [topic, received] : outputs.lists) {
    count += received.size();
  }
  return count;
}

}  // namespace

BagReplay replayBag(
  const std::filesystem::path & bag, const ReplayOptions & options, BagWriter * results,
  const std::function<void(double, double)> & progress)
{
  BagReader reader;
  reader.open(bag);
  BagReplay replay;
  BagReplaySummary & summary = replay.summary;
  summary.messages_unknown_types = countMessagesOfUnknownTypes(reader.topics());
  for (const auto & topic : reader.topics()) {
    const bool input =
      std::find(inputTopics().begin(), inputTopics().end(), topic.name) != inputTopics().end();
    if (!input && systemMessageTypes().count(topic.type) != 0) {
      summary.messages_other_topics += topic.message_count;
    }
  }
  reader.setTopicFilter(inputTopics());
  if (results != nullptr) {
    createResultTopics(*results);
  }

  const double total_s = static_cast<double>(reader.metadata().duration_ns) * 1e-9;
  BagFeeder feeder(options, results);
  BagMessage message;
  int64_t first_ns = 0;
  while (reader.readNext(message)) {
    if (summary.messages_in == 0) {
      first_ns = message.timestamp_ns;
    }
    feeder.feed(message, summary);
    summary.bag_duration_ns = message.timestamp_ns - first_ns;
    if (progress) {
      progress(static_cast<double>(summary.bag_duration_ns) * 1e-9, total_s);
    }
  }
  if (!feeder.started()) {
    throw std::runtime_error(
      bag.string() + ": trailscan cannot start: " + feeder.missingMountsText());
  }
  replay.outputs = feeder.outputs();
  summary.lists_out = lists(replay.outputs);
  return replay;
}

}  // namespace quillon_tools
