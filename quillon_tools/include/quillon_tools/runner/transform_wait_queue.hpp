// Scans held back as trailscan's transform lookup holds them in a live run.
#ifndef QUILLON_TOOLS__RUNNER__TRANSFORM_WAIT_QUEUE_HPP_
#define QUILLON_TOOLS__RUNNER__TRANSFORM_WAIT_QUEUE_HPP_

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_tools
{

struct WaitingScan
{
  std::string topic;
  sensor_msgs::msg::LaserScan scan;
  int64_t arrival_ns = 0;  // on the replay's clock
};

struct ReleasedScan
{
  WaitingScan waiting;
  int64_t time_ns = 0;  // when trailscan gets it, on the replay's clock
};

// Live, a scan whose robot pose has not arrived yet blocks trailscan's executor in its lookup
// until the transform comes or the timeout passes; later scans wait behind it. This queue
// replays that on a recording's clock: a scan leaves once `pose_available` says its pose is in
// TF (checked after every message the replay hands over) or once its timeout has passed, and
// scans leave in arrival order. No scan is dropped here: one that times out is handed over at
// its deadline, to fail its lookup as it would live.
class TransformWaitQueue
{
public:
  using PoseAvailable = std::function<bool(const sensor_msgs::msg::LaserScan &)>;

  TransformWaitQueue(PoseAvailable pose_available, int64_t timeout_ns);

  void push(WaitingScan scan);

  // The scans that leave by `now_ns`, each with its time: call it before handing over a
  // message at `now_ns` (scans timed out earlier) and again after (scans it made available).
  // `transforms_ns` is the time the last transforms were handed over. Times never decrease.
  std::vector<ReleasedScan> releaseDue(int64_t now_ns, int64_t transforms_ns);

  // Everything still waiting, as the recording ends.
  std::vector<ReleasedScan> releaseAll(int64_t transforms_ns);

  bool empty() const { return waiting_.empty(); }

private:
  PoseAvailable pose_available_;
  int64_t timeout_ns_;
  std::deque<WaitingScan> waiting_;
  int64_t last_release_ns_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__TRANSFORM_WAIT_QUEUE_HPP_
