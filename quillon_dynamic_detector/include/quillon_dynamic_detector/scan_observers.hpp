#ifndef QUILLON_DYNAMIC_DETECTOR__SCAN_OBSERVERS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SCAN_OBSERVERS_HPP_

#include <cstdint>
#include <functional>
#include <vector>

#include "quillon_dynamic_detector/track.hpp"
#include "quillon_protocol/msg/object.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

// One track as the tracker holds it after a scan, published or not, in the scanner's frame.
struct TrackSnapshot
{
  int32_t id = 0;
  TrackState state = TrackState::Tentative;
  bool pedestrian = false;
  float x = 0.0F;
  float y = 0.0F;
};

// What each stage made of a scan, for tools that show why a recording goes wrong (the closed
// detector publishes nothing of its own, and unconfirmed tracks are published nowhere). The node
// sets none; an empty function costs nothing.
struct ScanObservers
{
  // The scan the detector saw (after the self-filter) and the two scans it returned (moving
  // returns, static returns); called before the scan is clustered.
  std::function<void(
    const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & moving,
    const sensor_msgs::msg::LaserScan & still)>
    detector_output;
  // After the tracker's update: the scan's detections (one per moving cluster, `classification`
  // its shape verdict) and every track, both in the scanner's frame.
  std::function<void(
    const sensor_msgs::msg::LaserScan & scan,
    const std::vector<quillon_protocol::msg::Object> & detections,
    const std::vector<TrackSnapshot> & tracks)>
    tracker_output;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SCAN_OBSERVERS_HPP_
