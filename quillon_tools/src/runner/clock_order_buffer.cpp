#include "quillon_tools/runner/clock_order_buffer.hpp"

#include <algorithm>
#include <limits>
#include <utility>

namespace quillon_tools
{

ClockOrderBuffer::ClockOrderBuffer(int64_t window_ns)
: window_ns_(window_ns), latest_receive_ns_(std::numeric_limits<int64_t>::min())
{
}

void ClockOrderBuffer::push(ReplayInput input)
{
  latest_clock_ns_ = std::max(latest_clock_ns_, input.clock_ns);
  latest_receive_ns_ = std::max(latest_receive_ns_, input.receive_ns);
  const int64_t order_ns = input.clock_ns == NO_CLOCK_TIME ? latest_clock_ns_ : input.clock_ns;
  held_.push_back(Entry{std::move(input), order_ns, pushed_++});
  std::push_heap(held_.begin(), held_.end(), later);
}

bool ClockOrderBuffer::pop(ReplayInput & out)
{
  if (held_.empty()) {
    return false;
  }
  const int64_t receive_ns = held_.front().input.receive_ns;
  // Saturating: a window reaching past the end of time has not passed.
  const bool window_passed = receive_ns <= std::numeric_limits<int64_t>::max() - window_ns_ &&
                             receive_ns + window_ns_ <= latest_receive_ns_;
  return window_passed && popAny(out);
}

bool ClockOrderBuffer::popAny(ReplayInput & out)
{
  if (held_.empty()) {
    return false;
  }
  std::pop_heap(held_.begin(), held_.end(), later);
  out = std::move(held_.back().input);
  held_.pop_back();
  return true;
}

bool ClockOrderBuffer::later(const Entry & a, const Entry & b)
{
  return a.order_ns != b.order_ns ? a.order_ns > b.order_ns : a.sequence > b.sequence;
}

}  // namespace quillon_tools
