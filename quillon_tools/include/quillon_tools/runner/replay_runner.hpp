#ifndef QUILLON_TOOLS__RUNNER__REPLAY_RUNNER_HPP_
#define QUILLON_TOOLS__RUNNER__REPLAY_RUNNER_HPP_

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "builtin_interfaces/msg/time.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "quillon_dynamic_detector/scan_observers.hpp"
#include "quillon_dynamic_detector/scan_outcome.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "rclcpp/parameter.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_tools
{

// One object list as it came out, with the wall time its processing took: from handing the
// scan to the executor to the list's arrival.
struct ReceivedList
{
  quillon_protocol::msg::ObjectList list;
  double latency_ms = 0.0;
};

// What a replay produced, by topic: "/objects_laser1", "/objects_laser2", "/objects_laser" and
// the marker topics "/scan1/pedestrian_markers", "/scan2/pedestrian_markers",
// "/objects_laser_markers".
struct ReplayOutputs
{
  std::map<std::string, std::vector<ReceivedList>> lists;
  std::map<std::string, std::vector<visualization_msgs::msg::MarkerArray>> markers;
};

struct ReplayOptions
{
  bool geometric_detector = false;
  // Extra parameter overrides, after the runner's own (which raise the input age limit, since
  // recorded stamps are old, and turn on use_sim_time).
  std::vector<rclcpp::Parameter> trailscan_parameters;
  std::vector<rclcpp::Parameter> trailmerge_parameters;
  // Long runs watch the outputs as they come instead of keeping them all.
  bool keep_outputs = true;
  std::function<void(const std::string & topic, const ReceivedList & list)> on_list;
  // Called with each scanner's learnt static map ("/scan1/local_static_map_cloud",
  // "/scan2/local_static_map_cloud"); only subscribed when set.
  std::function<void(const std::string & topic, const sensor_msgs::msg::PointCloud2 & map)>
    on_static_map;
  // Called with every debug cloud of both scanners (the five "/scanN/..._cloud" topics, the
  // static map included); only subscribed when set.
  std::function<void(const std::string & topic, const sensor_msgs::msg::PointCloud2 & cloud)>
    on_debug_cloud;
  // Called with what the moving-point detector made of each scan: "/scan_01" or "/scan_02", the
  // scan, and the detector's moving and static scans as it returned them.
  std::function<void(
    const std::string & scan_topic, const sensor_msgs::msg::LaserScan & scan,
    const sensor_msgs::msg::LaserScan & moving, const sensor_msgs::msg::LaserScan & still)>
    on_detector_output;
  // Called with what the tracker made of each scan: "/scan_01" or "/scan_02", the scan, its
  // detections (one per moving cluster, with its shape verdict) and every track the tracker
  // holds, published or not, all in the scanner's frame.
  std::function<void(
    const std::string & scan_topic, const sensor_msgs::msg::LaserScan & scan,
    const std::vector<quillon_protocol::msg::Object> & detections,
    const std::vector<quillon_dynamic_detector::TrackSnapshot> & tracks)>
    on_tracker_output;
};

// trailscan and trailmerge in this process, fed one message at a time on a simulated clock:
// before each message "/clock" is set to its time, and the executor runs until every callback
// the message caused has run. Nothing depends on the wall clock or on the machine's speed, so
// two replays of the same input give the same outputs. Needs rclcpp::init, with the in-process
// transport selected. The construction checks trailscan's parameters as given to the process
// (a parameter file) before the runner's own overrides hide some of them, so a value the
// trailscan program refuses is refused here too.
class ReplayRunner
{
public:
  explicit ReplayRunner(const ReplayOptions & options);
  ~ReplayRunner();
  ReplayRunner(const ReplayRunner &) = delete;
  ReplayRunner & operator=(const ReplayRunner &) = delete;

  // Static transforms ("/tf_static"); both scanners' mounts must be among them before start().
  void feedStaticTransforms(const tf2_msgs::msg::TFMessage & transforms, int64_t time_ns);
  // False when a scanner's mount is unknown.
  bool start();
  void feedTransforms(const tf2_msgs::msg::TFMessage & transforms, int64_t time_ns);
  // topic "/scan_01" or "/scan_02"; an unknown topic throws std::invalid_argument.
  void feedScan(
    const std::string & topic, const sensor_msgs::msg::LaserScan & scan, int64_t time_ns);

  const ReplayOutputs & outputs() const;
  // Tracks trailscan's tracker of scanner 0 or 1 holds now (see TrailscanNode::trackCount).
  std::size_t trackCount(std::size_t scanner) const;
  // What became of the scans of scanner 0 or 1 (see TrailscanNode::scanOutcomes).
  const quillon_dynamic_detector::ScanOutcomeCounts & scanOutcomes(std::size_t scanner) const;
  // Whether a scan with this stamp would be processed now without waiting for its transform
  // (see TrailscanNode::poseAvailable).
  bool poseAvailable(const builtin_interfaces::msg::Time & stamp) const;
  // The value trailscan's node took for a declared parameter, from its defaults, the process's
  // ROS arguments (parameter files, profile) and the runner's overrides together.
  rclcpp::Parameter trailscanParameter(const std::string & name) const;

private:
  struct Nodes;
  std::unique_ptr<Nodes> nodes_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__REPLAY_RUNNER_HPP_
