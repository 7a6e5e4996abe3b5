#include "quillon_tools/runner/bag_replay.hpp"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/transform_lookup.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/message_types.hpp"
#include "quillon_tools/runner/clock_order_buffer.hpp"
#include "quillon_tools/runner/result_bag.hpp"
#include "quillon_tools/runner/transform_wait_queue.hpp"

namespace quillon_tools
{
namespace
{

// How far a message may be received out of its header stamps' order and still be put back in
// place: far beyond the jitter of one robot's middleware, small enough to hold in memory.
constexpr int64_t HEADER_ORDER_WINDOW_NS = 2000000000LL;

constexpr int64_t TRANSFORM_WAIT_NS =
  static_cast<int64_t>(quillon_dynamic_detector::TRANSFORM_LOOKUP_TIMEOUT_S * 1e9);

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
  // `scanners`: how many of the two mounts trailscan waits for (scanner 1's first).
  BagFeeder(
    const ReplayOptions & options, std::size_t scanners, BagWriter * results,
    BagReplaySummary & summary);

  void feed(const ReplayInput & input);
  // Hands over the scans still waiting, as the recording ends.
  void finish();
  bool started() const { return started_; }
  std::string missingMountsText() const;
  const ReplayOutputs & outputs() const { return runner_.outputs(); }
  void countOutcomes();

private:
  void feedTransforms(const ReplayInput & input, int64_t time_ns);
  void handOver(const std::vector<ReleasedScan> & scans);
  void writeOutputs(int64_t time_ns);
  bool mountsConnected() const;
  std::string rootOf(const std::string & frame) const;

  ReplayRunner runner_;
  BagWriter * results_;
  BagReplaySummary & summary_;
  TransformWaitQueue waiting_;
  bool started_ = false;
  int64_t clock_ns_ = 0;
  int64_t transforms_ns_ = 0;  // when transforms were last handed over
  std::map<std::string, std::string> parent_of_;
  std::map<std::string, size_t> written_;
  std::size_t scanners_;
};

BagFeeder::BagFeeder(
  const ReplayOptions & options, std::size_t scanners, BagWriter * results,
  BagReplaySummary & summary)
: runner_(options),
  results_(results),
  summary_(summary),
  waiting_(
    [this](const sensor_msgs::msg::LaserScan & scan) {
      return runner_.poseAvailable(scan.header.stamp);
    },
    TRANSFORM_WAIT_NS),
  scanners_(scanners)
{
}

void BagFeeder::feed(const ReplayInput & input)
{
  // The clock never runs back: a message stamped before one already handed over goes now.
  const int64_t now_ns = std::max(clock_ns_, input.clock_ns);
  handOver(waiting_.releaseDue(now_ns, transforms_ns_));
  clock_ns_ = now_ns;
  switch (input.kind) {
    case ReplayInput::Kind::kTransforms:
    case ReplayInput::Kind::kStaticTransforms:
      feedTransforms(input, now_ns);
      break;
    case ReplayInput::Kind::kUnreadableTransforms:
      ++summary_.transforms_malformed;
      break;
    case ReplayInput::Kind::kUnreadableScan:
      ++summary_.scans_in;
      ++summary_.scans_malformed;
      break;
    case ReplayInput::Kind::kScan:
      ++summary_.scans_in;
      if (!started_) {
        ++summary_.scans_before_start;
      } else {
        waiting_.push(WaitingScan{input.topic, input.scan, now_ns});
      }
      break;
  }
  handOver(waiting_.releaseDue(now_ns, transforms_ns_));
  // Scans leave in order, so a scan just queued is the last one.
  if (input.kind == ReplayInput::Kind::kScan && !waiting_.empty()) {
    ++summary_.scans_waited;
  }
}

void BagFeeder::finish() { handOver(waiting_.releaseAll(transforms_ns_)); }

void BagFeeder::feedTransforms(const ReplayInput & input, int64_t time_ns)
{
  for (const auto & t : input.transforms.transforms) {
    parent_of_[t.child_frame_id] = t.header.frame_id;
  }
  if (input.kind == ReplayInput::Kind::kStaticTransforms) {
    runner_.feedStaticTransforms(input.transforms, time_ns);
  } else {
    runner_.feedTransforms(input.transforms, time_ns);
  }
  transforms_ns_ = time_ns;
  // Mounts usually come latched at the start, but a robot may also send them on "/tf". The
  // lookup behind start() waits on the simulated clock, which stands still during the call, so
  // it is only asked once the frames are known to be connected.
  if (!started_ && mountsConnected()) {
    started_ = runner_.start();
  }
  writeOutputs(time_ns);
}

void BagFeeder::handOver(const std::vector<ReleasedScan> & scans)
{
  for (const ReleasedScan & released : scans) {
    clock_ns_ = std::max(clock_ns_, released.time_ns);
    runner_.feedScan(released.waiting.topic, released.waiting.scan, clock_ns_);
    writeOutputs(clock_ns_);
  }
}

void BagFeeder::countOutcomes()
{
  for (std::size_t scanner = 0; scanner < 2; ++scanner) {
    const auto & outcomes = runner_.scanOutcomes(scanner);
    summary_.scans_processed += outcomes.processed;
    summary_.scans_malformed += outcomes.malformed;
    summary_.scans_stale += outcomes.stale;
    summary_.scans_no_transform += outcomes.no_transform;
  }
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
  for (std::size_t i = 0; i < scanners_; ++i) {
    const std::string & frame = mountFrames()[i];
    if (parent_of_.count(frame) == 0 || root.empty() || rootOf(frame) != root) {
      return false;
    }
  }
  return true;
}

std::string BagFeeder::missingMountsText() const
{
  std::string missing;
  for (std::size_t i = 0; i < scanners_; ++i) {
    if (parent_of_.count(mountFrames()[i]) == 0) {
      missing += (missing.empty() ? "" : ", ") + mountFrames()[i];
    }
  }
  if (missing.empty()) {
    return scanners_ == 1
             ? "no chain of transforms from base_footprint to base_scan_01"
             : "no chain of transforms from base_footprint to base_scan_01 and base_scan_02";
  }
  return "no transform to " + missing + " (the scanner mounts below base_footprint)";
}

void countIgnoredMessages(const BagReader & reader, BagReplaySummary & summary)
{
  summary.messages_unknown_types = countMessagesOfUnknownTypes(reader.topics());
  for (const auto & topic : reader.topics()) {
    const bool input =
      std::find(inputTopics().begin(), inputTopics().end(), topic.name) != inputTopics().end();
    if (!input && systemMessageTypes().count(topic.type) != 0) {
      summary.messages_other_topics += topic.message_count;
    }
  }
}

// A recording without a "/scan_02" message comes from a robot with one scanner.
bool holdsNoSecondScan(const BagReader & reader)
{
  for (const auto & topic : reader.topics()) {
    if (topic.name == "/scan_02" && topic.message_count > 0) {
      return false;
    }
  }
  return true;
}

void countLists(const ReplayOutputs & outputs, BagReplaySummary & summary)
{
  for (const auto & topic : resultListTopics()) {
    const auto lists = outputs.lists.find(topic);
    summary.lists_out[topic] = lists == outputs.lists.end() ? 0 : lists->second.size();
  }
}

}  // namespace

BagReplay replayBag(
  const std::filesystem::path & bag, const BagReplayOptions & options, BagWriter * results,
  const std::function<bool(double, double)> & progress)
{
  BagReader reader;
  reader.open(bag);
  BagReplay replay;
  BagReplaySummary & summary = replay.summary;
  countIgnoredMessages(reader, summary);
  reader.setTopicFilter(inputTopics());
  if (results != nullptr) {
    createResultTopics(*results);
  }

  const double total_s = static_cast<double>(reader.metadata().duration_ns) * 1e-9;
  ReplayOptions nodes = options.nodes;
  summary.single_scanner = holdsNoSecondScan(reader);
  if (summary.single_scanner) {
    nodes.trailscan_parameters.emplace_back("single_scanner", true);
  }
  BagFeeder feeder(nodes, summary.single_scanner ? 1 : 2, results, summary);
  ClockOrderBuffer ordered(
    options.clock == ReplayClockSource::kHeaderStamps ? HEADER_ORDER_WINDOW_NS : 0);
  BagMessage message;
  ReplayInput input;
  int64_t first_ns = 0;
  while (!summary.interrupted && reader.readNext(message)) {
    if (summary.messages_in++ == 0) {
      first_ns = message.timestamp_ns;
    }
    ordered.push(readReplayInput(message, options.clock));
    while (ordered.pop(input)) {
      feeder.feed(input);
    }
    summary.bag_duration_ns = message.timestamp_ns - first_ns;
    summary.interrupted =
      progress && !progress(static_cast<double>(summary.bag_duration_ns) * 1e-9, total_s);
  }
  if (!summary.interrupted) {
    while (ordered.popAny(input)) {
      feeder.feed(input);
    }
    feeder.finish();
  }
  if (!feeder.started() && !summary.interrupted) {
    throw std::runtime_error(
      bag.string() + ": trailscan cannot start: " + feeder.missingMountsText());
  }
  feeder.countOutcomes();
  replay.outputs = feeder.outputs();
  countLists(replay.outputs, summary);
  return replay;
}

}  // namespace quillon_tools
