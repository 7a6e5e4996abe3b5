#include "quillon_dynamic_detector/trailscan_node.hpp"

#include <chrono>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <Eigen/Core>

#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/geometric_motion_detector.hpp"
#include "quillon_dynamic_detector/immediate_transform_buffer.hpp"
#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "quillon_dynamic_detector/scan_pipeline.hpp"
#include "quillon_dynamic_detector/self_filter.hpp"
#include "quillon_dynamic_detector/trailscan_logger.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "quillon_dynamic_detector/transform_lookup.hpp"
#include "quillon_perception_libs/dynamic_laser_detector.hpp"
#include "rclcpp/rclcpp.hpp"
#include "tf2_ros/buffer.h"
#include "tf2_ros/transform_listener.h"

namespace quillon_dynamic_detector
{
namespace
{

// Everything one scanner's processing needs besides what both scanners share.
struct ScanChannel
{
  std::string scan_topic;
  std::string output_frame;
  std::string sensor_name;
  CloudPublisher dynamic_cloud_pub;
  CloudPublisher static_cloud_pub;
  CloudPublisher raw_candidate_cloud_pub;
  CloudPublisher confirmed_cloud_pub;
  CloudPublisher local_map_cloud_pub;
  ObjectListPublisher objects_pub;
  MarkerPublisher markers_pub;
  std::unique_ptr<orvane::perception::DynamicLaserDetector> closed_detector;
  std::unique_ptr<GeometricMotionDetector> geometric_detector;
  std::unique_ptr<PedestrianTracker> tracker;
  SelfFilter self_filter;  // its mount is set once TF knows it
  ScanOutcomeCounts outcomes;
  ScanObservers observers;  // empty unless a tool asked for them
  rclcpp::Subscription<sensor_msgs::msg::LaserScan>::SharedPtr subscription;
};

void createPublishers(
  rclcpp::Node & node, const std::string & prefix, const std::string & objects_topic,
  ScanChannel & c)
{
  const rclcpp::QoS qos(1);
  c.dynamic_cloud_pub =
    node.create_publisher<sensor_msgs::msg::PointCloud2>(prefix + "/dynamic_cloud", qos);
  c.static_cloud_pub =
    node.create_publisher<sensor_msgs::msg::PointCloud2>(prefix + "/static_cloud", qos);
  c.raw_candidate_cloud_pub = node.create_publisher<sensor_msgs::msg::PointCloud2>(
    prefix + "/raw_dynamic_candidate_cloud", qos);
  c.confirmed_cloud_pub =
    node.create_publisher<sensor_msgs::msg::PointCloud2>(prefix + "/confirmed_dynamic_cloud", qos);
  c.local_map_cloud_pub =
    node.create_publisher<sensor_msgs::msg::PointCloud2>(prefix + "/local_static_map_cloud", qos);
  c.objects_pub = node.create_publisher<quillon_protocol::msg::ObjectList>(objects_topic, qos);
  c.markers_pub = node.create_publisher<visualization_msgs::msg::MarkerArray>(
    prefix + "/pedestrian_markers", qos);
}

}  // namespace

// Everything one trailscan instance owns.
struct TrailscanNode::Wiring
{
  rclcpp::Node::SharedPtr node;
  TrailscanSettings settings;
  std::shared_ptr<tf2_ros::Buffer> tf_buffer;
  std::unique_ptr<tf2_ros::TransformListener> tf_listener;
  std::shared_ptr<Clusterer> clusterer;
  ScanChannel channels[2];

  void subscribe(ScanChannel & c);
  bool waitForMounts(bool wait);
  // The channels that run: scanner 1 alone with "single_scanner", else both.
  std::size_t activeChannels() const { return settings.single_scanner ? 1 : 2; }
  bool mountingKnown(ScanChannel & c);
  // The clock scan ages are measured on: none (system time) unless the settings ask for the
  // node's own.
  rclcpp::Clock::SharedPtr ageClock() const
  {
    return settings.input_age_on_node_clock ? node->get_clock() : nullptr;
  }
};

TrailscanNode::TrailscanNode(const rclcpp::Node::SharedPtr & node) : TrailscanNode(node, Options())
{
}

TrailscanNode::TrailscanNode(const rclcpp::Node::SharedPtr & node, const Options & options)
: wiring_(std::make_unique<Wiring>())
{
  Wiring & w = *wiring_;
  w.node = node;
  w.settings = declareTrailscanParameters(*node);

  ScanChannel & scan1 = w.channels[0];
  ScanChannel & scan2 = w.channels[1];
  scan1.scan_topic = "/scan_01";
  scan1.output_frame = "base_scan_01";
  scan1.sensor_name = "top_scan_01";
  scan2.scan_topic = "/scan_02";
  scan2.output_frame = "base_scan_02";
  scan2.sensor_name = "top_scan_02";
  createPublishers(*node, "/scan1", "/objects_laser1", scan1);
  createPublishers(*node, "/scan2", "/objects_laser2", scan2);
  const SelfFilterConfig & body = w.settings.self_filter;
  scan1.self_filter.footprint = body.footprint;
  scan1.self_filter.angle_ranges = body.scan1_angle_ranges;
  scan2.self_filter.footprint = body.footprint;
  scan2.self_filter.angle_ranges = body.scan2_angle_ranges;

  // A replay hands every transform over before the scan that needs it from this node's own
  // executor, so its lookups must not wait: a missing transform fails at once.
  w.tf_buffer = options.dedicated_tf_thread
                  ? std::make_shared<tf2_ros::Buffer>(node->get_clock())
                  : std::make_shared<ImmediateTransformBuffer>(node->get_clock());
  w.tf_listener = options.dedicated_tf_thread
                    ? std::make_unique<tf2_ros::TransformListener>(*w.tf_buffer)
                    : std::make_unique<tf2_ros::TransformListener>(*w.tf_buffer, node, false);

  const std::string & cfg = w.settings.detector_cfg_file;
  for (ScanChannel & c : w.channels) {
    c.closed_detector = std::make_unique<orvane::perception::DynamicLaserDetector>(cfg);
  }
  for (ScanChannel & c : w.channels) {
    c.geometric_detector = std::make_unique<GeometricMotionDetector>(cfg);
  }
  for (std::size_t i = 0; i < 2; ++i) {
    ScanObservers & observers = w.channels[i].observers;
    if (options.on_detector_output) {
      observers.detector_output =
        [observer = options.on_detector_output, i](
          const sensor_msgs::msg::LaserScan & scan, const sensor_msgs::msg::LaserScan & moving,
          const sensor_msgs::msg::LaserScan & still) { observer(i, scan, moving, still); };
    }
    if (options.on_tracker_output) {
      observers.tracker_output = [observer = options.on_tracker_output, i](
                                   const sensor_msgs::msg::LaserScan & scan,
                                   const std::vector<quillon_protocol::msg::Object> & detections,
                                   const std::vector<TrackSnapshot> & tracks) {
        observer(i, scan, detections, tracks);
      };
    }
  }
}

TrailscanNode::~TrailscanNode() = default;

const rclcpp::Node::SharedPtr & TrailscanNode::node() const { return wiring_->node; }

std::size_t TrailscanNode::trackCount(std::size_t scanner) const
{
  if (scanner > 1) {
    throw std::out_of_range("trailscan has scanners 0 and 1, not " + std::to_string(scanner));
  }
  const ScanChannel & c = wiring_->channels[scanner];
  return c.tracker ? c.tracker->tracks().size() : 0;
}

const ScanOutcomeCounts & TrailscanNode::scanOutcomes(std::size_t scanner) const
{
  if (scanner > 1) {
    throw std::out_of_range("trailscan has scanners 0 and 1, not " + std::to_string(scanner));
  }
  return wiring_->channels[scanner].outcomes;
}

bool TrailscanNode::poseAvailable(const builtin_interfaces::msg::Time & stamp) const
{
  // Such a scan is dropped before any lookup.
  if (stamp.sec < 0) {
    return true;
  }
  return robotPoseAvailable(*wiring_->tf_buffer, rclcpp::Time(stamp, RCL_ROS_TIME));
}

bool TrailscanNode::start(bool wait)
{
  Wiring & w = *wiring_;
  if (!w.waitForMounts(wait)) {
    return false;
  }

  const ClusteringConfig & clustering = w.settings.clustering;
  w.clusterer = makeClusterer(clustering);
  RCLCPP_INFO(
    trailscanLogger(), "[config] tolerance=%.2f min_cluster_size=%d max_cluster_size=%d",
    clustering.tolerance, clustering.min_cluster_size, clustering.max_cluster_size);

  for (std::size_t i = 0; i < w.activeChannels(); ++i) {
    w.channels[i].tracker =
      std::make_unique<PedestrianTracker>(w.settings.tracker, w.settings.publish_track_ids);
  }
  for (std::size_t i = 0; i < w.activeChannels(); ++i) {
    w.subscribe(w.channels[i]);
  }
  return true;
}

bool TrailscanNode::Wiring::waitForMounts(bool wait)
{
  // Between tries the node is spun rather than put to sleep, so that it answers its parameter
  // services and the graph while it waits: that is when a user asks why nothing happens.
  std::unique_ptr<rclcpp::executors::SingleThreadedExecutor> waiting;
  for (std::size_t i = 0; i < activeChannels(); ++i) {
    ScanChannel & c = channels[i];
    // Retries every second until TF knows where the scanner is mounted.
    while (!mountingKnown(c)) {
      if (!wait || !rclcpp::ok()) {
        return false;
      }
      if (!waiting) {
        waiting = std::make_unique<rclcpp::executors::SingleThreadedExecutor>();
        waiting->add_node(node);
      }
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
      while (rclcpp::ok() && std::chrono::steady_clock::now() < until) {
        waiting->spin_once(until - std::chrono::steady_clock::now());
      }
    }
  }
  if (waiting) {
    waiting->remove_node(node);
  }
  return true;
}

bool TrailscanNode::Wiring::mountingKnown(ScanChannel & c)
{
  Eigen::Matrix4f sensor_to_base;
  if (!getTransformMatrix(tf_buffer, "base_footprint", c.output_frame, sensor_to_base)) {
    return false;
  }
  c.closed_detector->sensor_to_base = sensor_to_base;
  c.geometric_detector->sensor_to_base = sensor_to_base;
  c.self_filter.sensor_to_base = sensor_to_base;
  return true;
}

void TrailscanNode::Wiring::subscribe(ScanChannel & c)
{
  const auto qos = rclcpp::SensorDataQoS().keep_last(1);
  c.subscription = node->create_subscription<sensor_msgs::msg::LaserScan>(
    c.scan_topic, qos, [this, &c](sensor_msgs::msg::LaserScan::ConstSharedPtr scan) {
      const TrailscanSettings & s = settings;
      if (s.use_geometric_motion_detector) {
        c.outcomes.add(processLaserScan(
          scan, tf_buffer, *c.geometric_detector, *clusterer, c.dynamic_cloud_pub,
          c.static_cloud_pub, c.raw_candidate_cloud_pub, c.confirmed_cloud_pub,
          c.local_map_cloud_pub, c.objects_pub, c.markers_pub, c.sensor_name, c.output_frame,
          s.clustering, s.cluster_merge, s.classifier, s.max_input_age_ms, *c.tracker,
          s.trackingFrame(), c.self_filter, c.observers, ageClock()));
      } else {
        c.outcomes.add(processLaserScan(
          scan, tf_buffer, *c.closed_detector, *clusterer, c.dynamic_cloud_pub, c.static_cloud_pub,
          c.raw_candidate_cloud_pub, c.confirmed_cloud_pub, c.local_map_cloud_pub, c.objects_pub,
          c.markers_pub, c.sensor_name, c.output_frame, s.clustering, s.cluster_merge, s.classifier,
          s.max_input_age_ms, *c.tracker, s.trackingFrame(), c.self_filter, c.observers,
          ageClock()));
      }
    });
}

int runTrailscan(int argc, char ** argv)
{
  std::unique_ptr<TrailscanNode> trailscan;
  try {
    rclcpp::init(argc, argv);
    trailscan = std::make_unique<TrailscanNode>(std::make_shared<rclcpp::Node>("laser_subscriber"));
    if (!trailscan->start()) {
      trailscan.reset();
      rclcpp::shutdown();
      return 0;
    }
  } catch (const std::exception & e) {
    RCLCPP_FATAL(trailscanLogger(), "start-up failed: %s", e.what());
    trailscan.reset();
    rclcpp::shutdown();
    return 1;
  }
  rclcpp::spin(trailscan->node());
  trailscan.reset();
  rclcpp::shutdown();
  return 0;
}

}  // namespace quillon_dynamic_detector
