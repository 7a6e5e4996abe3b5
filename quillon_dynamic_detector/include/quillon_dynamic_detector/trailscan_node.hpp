#ifndef QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_NODE_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_NODE_HPP_

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "builtin_interfaces/msg/time.hpp"
#include "quillon_dynamic_detector/scan_observers.hpp"
#include "quillon_dynamic_detector/scan_outcome.hpp"
#include "rclcpp/node.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

// trailscan's wiring on a node: parameters, both scanners' publishers, detectors, trackers and
// scan subscriptions. The program runs it on its own node "laser_subscriber"; tools that replay
// recordings run it beside other nodes in one process.
class TrailscanNode
{
public:
  struct Options
  {
    // The program listens to TF on a thread of its own, as tf2_ros does by default. A
    // deterministic replay serves TF from the node's own executor instead.
    bool dedicated_tf_thread = true;
    // Tools that record what the detector made of each scan set this; called with the scanner's
    // index (0 or 1) before the scan is clustered.
    std::function<void(
      std::size_t scanner, const sensor_msgs::msg::LaserScan & scan,
      const sensor_msgs::msg::LaserScan & moving, const sensor_msgs::msg::LaserScan & still)>
      on_detector_output;
    // Tools that record what the tracker made of each scan set this; called with the scanner's
    // index after the tracker's update (ScanObservers::tracker_output).
    std::function<void(
      std::size_t scanner, const sensor_msgs::msg::LaserScan & scan,
      const std::vector<quillon_protocol::msg::Object> & detections,
      const std::vector<TrackSnapshot> & tracks)>
      on_tracker_output;
  };

  // Declares the parameters, creates the publishers, the TF listener and the detectors. Throws
  // on a parameter of the wrong type or an unreadable detector configuration.
  explicit TrailscanNode(const rclcpp::Node::SharedPtr & node);
  TrailscanNode(const rclcpp::Node::SharedPtr & node, const Options & options);
  ~TrailscanNode();

  TrailscanNode(const TrailscanNode &) = delete;
  TrailscanNode & operator=(const TrailscanNode &) = delete;

  // Waits for both scanners' mounting transforms (scanner 1's alone with "single_scanner"),
  // retrying every second while rclcpp::ok() when `wait` is set and answering the node's
  // services meanwhile, trying once otherwise; then creates the clusterer, the trackers and the
  // scan subscriptions of the scanners that run. False when the transforms never came.
  bool start(bool wait = true);

  const rclcpp::Node::SharedPtr & node() const;

  // Tracks the tracker of scanner 0 ("/scan_01") or 1 ("/scan_02") holds now, published or not;
  // 0 before start(); another index throws std::out_of_range. For long runs that watch the tracker stay bounded.
  std::size_t trackCount(std::size_t scanner) const;

  // What became of the scans scanner 0 or 1 received so far; another index throws
  // std::out_of_range. For replays that account for every scan.
  const ScanOutcomeCounts & scanOutcomes(std::size_t scanner) const;

  // Whether a scan stamped `stamp` would be processed now without waiting for its transform:
  // the robot's pose at that stamp is known (or the stamp is invalid, so the scan is dropped
  // before any lookup). Lets a replay hold a scan back as a live run's lookup would.
  bool poseAvailable(const builtin_interfaces::msg::Time & stamp) const;

private:
  struct Wiring;
  std::unique_ptr<Wiring> wiring_;
};

// The trailscan program: start-up, then the executor until shutdown. Returns the exit status:
// 0 after a normal shutdown (also when Ctrl-C arrives while waiting for the mounting
// transforms), 1 after a start-up error, which is reported as one FATAL line.
int runTrailscan(int argc, char ** argv);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_NODE_HPP_
