#include "quillon_tools/runner/transform_wait_queue.hpp"

#include <algorithm>
#include <limits>
#include <utility>

namespace quillon_tools
{

TransformWaitQueue::TransformWaitQueue(PoseAvailable pose_available, int64_t timeout_ns)
: pose_available_(std::move(pose_available)),
  timeout_ns_(timeout_ns),
  last_release_ns_(std::numeric_limits<int64_t>::min())
{
}

void TransformWaitQueue::push(WaitingScan scan) { waiting_.push_back(std::move(scan)); }

std::vector<ReleasedScan> TransformWaitQueue::releaseDue(int64_t now_ns, int64_t transforms_ns)
{
  std::vector<ReleasedScan> released;
  while (!waiting_.empty()) {
    const WaitingScan & front = waiting_.front();
    // Saturating, so that releaseAll still lets a scan stamped at the end of time go.
    const int64_t deadline_ns = front.arrival_ns > std::numeric_limits<int64_t>::max() - timeout_ns_
                                  ? std::numeric_limits<int64_t>::max()
                                  : front.arrival_ns + timeout_ns_;
    int64_t time_ns = 0;
    if (pose_available_(front.scan)) {
      // Free once it has arrived, its pose has come and the scan before it has gone.
      time_ns = std::max({front.arrival_ns, transforms_ns, last_release_ns_});
    } else if (deadline_ns <= now_ns) {
      time_ns = std::max(deadline_ns, last_release_ns_);
    } else {
      break;
    }
    last_release_ns_ = time_ns;
    released.push_back(ReleasedScan{std::move(waiting_.front()), time_ns});
    waiting_.pop_front();
  }
  return released;
}

std::vector<ReleasedScan> TransformWaitQueue::releaseAll(int64_t transforms_ns)
{
  return releaseDue(std::numeric_limits<int64_t>::max(), transforms_ns);
}

}  // namespace quillon_tools
