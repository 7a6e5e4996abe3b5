// Puts a bag's messages, read in receive order, into the order of the replay's clock.
#ifndef QUILLON_TOOLS__RUNNER__CLOCK_ORDER_BUFFER_HPP_
#define QUILLON_TOOLS__RUNNER__CLOCK_ORDER_BUFFER_HPP_

#include <cstdint>
#include <vector>

#include "quillon_tools/runner/replay_input.hpp"

namespace quillon_tools
{

// Holds each message until `window_ns` of receive time has passed after it, and lets the one
// with the earliest clock time go first (equal times in receive order). Messages received at
// most that far out of clock order come out in clock order; memory holds one window of the
// recording. A message without a clock time of its own takes the latest clock time seen before
// it, so it keeps its place after what was received before it.
class ClockOrderBuffer
{
public:
  explicit ClockOrderBuffer(int64_t window_ns);

  void push(ReplayInput input);
  // The next message whose window has passed; false when none has.
  bool pop(ReplayInput & out);
  // The next message whatever its window, as the recording ends; false when empty.
  bool popAny(ReplayInput & out);

private:
  struct Entry
  {
    ReplayInput input;
    int64_t order_ns;
    uint64_t sequence;
  };
  static bool later(const Entry & a, const Entry & b);

  int64_t window_ns_;
  std::vector<Entry> held_;  // a heap with the earliest entry in front
  uint64_t pushed_ = 0;
  int64_t latest_clock_ns_ = NO_CLOCK_TIME;
  int64_t latest_receive_ns_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__CLOCK_ORDER_BUFFER_HPP_
