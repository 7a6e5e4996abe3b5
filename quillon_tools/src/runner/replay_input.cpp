#include "quillon_tools/runner/replay_input.hpp"

#include <algorithm>

namespace quillon_tools
{
namespace
{

int64_t nanoseconds(const builtin_interfaces::msg::Time & stamp)
{
  return static_cast<int64_t>(stamp.sec) * 1000000000LL + static_cast<int64_t>(stamp.nanosec);
}

int64_t newestTransformStamp(const tf2_msgs::msg::TFMessage & transforms)
{
  int64_t newest = NO_CLOCK_TIME;
  for (const auto & t : transforms.transforms) {
    if (t.header.stamp.sec >= 0) {
      newest = std::max(newest, nanoseconds(t.header.stamp));
    }
  }
  return newest;
}

int64_t headerClock(const ReplayInput & input)
{
  switch (input.kind) {
    case ReplayInput::Kind::kTransforms:
      return newestTransformStamp(input.transforms);
    case ReplayInput::Kind::kScan:
      return input.scan.header.stamp.sec >= 0 ? nanoseconds(input.scan.header.stamp)
                                              : NO_CLOCK_TIME;
    default:  // static transforms hold for all time; unreadable messages tell no time
      return NO_CLOCK_TIME;
  }
}

}  // namespace

ReplayInput readReplayInput(const BagMessage & message, ReplayClockSource clock)
{
  ReplayInput input;
  input.topic = message.topic;
  input.receive_ns = message.timestamp_ns;
  const bool transforms = message.topic == "/tf" || message.topic == "/tf_static";
  try {
    if (transforms) {
      input.transforms = deserialize<tf2_msgs::msg::TFMessage>(message);
      input.kind = message.topic == "/tf" ? ReplayInput::Kind::kTransforms
                                          : ReplayInput::Kind::kStaticTransforms;
    } else {
      input.scan = deserialize<sensor_msgs::msg::LaserScan>(message);
      input.kind = ReplayInput::Kind::kScan;
    }
  } catch (const BagError &) {
    input.kind =
      transforms ? ReplayInput::Kind::kUnreadableTransforms : ReplayInput::Kind::kUnreadableScan;
  }
  input.clock_ns =
    clock == ReplayClockSource::kReceiveTimes ? message.timestamp_ns : headerClock(input);
  return input;
}

}  // namespace quillon_tools
