#include "quillon_dynamic_detector/trailscan_node.hpp"

#include <chrono>
#include <exception>
#include <memory>
#include <string>

#include <Eigen/Core>

#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/geometric_motion_detector.hpp"
#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "quillon_dynamic_detector/scan_pipeline.hpp"
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
  rclcpp::Subscription<sensor_msgs::msg::LaserScan>::SharedPtr subscription;
};

// What main owns for the life of the process.
struct Trailscan
{
  rclcpp::Node::SharedPtr node;
  TrailscanSettings settings;
  std::shared_ptr<tf2_ros::Buffer> tf_buffer;
  std::unique_ptr<tf2_ros::TransformListener> tf_listener;
  std::shared_ptr<Clusterer> clusterer;
  ScanChannel channels[2];
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

// Retries every second until TF knows where the scanner is mounted. False when the program is
// asked to stop while waiting.
bool waitForMounting(const std::shared_ptr<tf2_ros::Buffer> & buffer, ScanChannel & c)
{
  Eigen::Matrix4f sensor_to_base;
  while (rclcpp::ok()) {
    if (getTransformMatrix(buffer, "base_footprint", c.output_frame, sensor_to_base)) {
      c.closed_detector->sensor_to_base = sensor_to_base;
      c.geometric_detector->sensor_to_base = sensor_to_base;
      return true;
    }
    rclcpp::sleep_for(std::chrono::seconds(1));
  }
  return false;
}

void subscribe(Trailscan & app, ScanChannel & c)
{
  const auto qos = rclcpp::SensorDataQoS().keep_last(1);
  c.subscription = app.node->create_subscription<sensor_msgs::msg::LaserScan>(
    c.scan_topic, qos, [&app, &c](sensor_msgs::msg::LaserScan::ConstSharedPtr scan) {
      const TrailscanSettings & s = app.settings;
      if (s.use_geometric_motion_detector) {
        processLaserScan(
          scan, app.tf_buffer, *c.geometric_detector, *app.clusterer, c.dynamic_cloud_pub,
          c.static_cloud_pub, c.raw_candidate_cloud_pub, c.confirmed_cloud_pub,
          c.local_map_cloud_pub, c.objects_pub, c.markers_pub, c.sensor_name, c.output_frame,
          s.clustering, s.cluster_merge, s.classifier, s.max_input_age_ms, *c.tracker);
      } else {
        processLaserScan(
          scan, app.tf_buffer, *c.closed_detector, *app.clusterer, c.dynamic_cloud_pub,
          c.static_cloud_pub, c.raw_candidate_cloud_pub, c.confirmed_cloud_pub,
          c.local_map_cloud_pub, c.objects_pub, c.markers_pub, c.sensor_name, c.output_frame,
          s.clustering, s.cluster_merge, s.classifier, s.max_input_age_ms, *c.tracker);
      }
    });
}

// Start-up up to the subscriptions. Returns false when stopped while waiting for TF.
bool startUp(int argc, char ** argv, Trailscan & app)
{
  rclcpp::init(argc, argv);
  app.node = std::make_shared<rclcpp::Node>("laser_subscriber");
  app.settings = declareTrailscanParameters(*app.node);

  ScanChannel & scan1 = app.channels[0];
  ScanChannel & scan2 = app.channels[1];
  scan1.scan_topic = "/scan_01";
  scan1.output_frame = "base_scan_01";
  scan1.sensor_name = "top_scan_01";
  scan2.scan_topic = "/scan_02";
  scan2.output_frame = "base_scan_02";
  scan2.sensor_name = "top_scan_02";
  createPublishers(*app.node, "/scan1", "/objects_laser1", scan1);
  createPublishers(*app.node, "/scan2", "/objects_laser2", scan2);

  app.tf_buffer = std::make_shared<tf2_ros::Buffer>(app.node->get_clock());
  app.tf_listener = std::make_unique<tf2_ros::TransformListener>(*app.tf_buffer);

  const std::string & cfg = app.settings.detector_cfg_file;
  for (ScanChannel & c : app.channels) {
    c.closed_detector = std::make_unique<orvane::perception::DynamicLaserDetector>(cfg);
  }
  for (ScanChannel & c : app.channels) {
    c.geometric_detector = std::make_unique<GeometricMotionDetector>(cfg);
  }

  for (ScanChannel & c : app.channels) {
    if (!waitForMounting(app.tf_buffer, c)) {
      return false;
    }
  }

  const ClusteringConfig & clustering = app.settings.clustering;
  app.clusterer = makeClusterer(clustering);
  RCLCPP_INFO(
    trailscanLogger(), "[config] tolerance=%.2f min_cluster_size=%d max_cluster_size=%d",
    clustering.tolerance, clustering.min_cluster_size, clustering.max_cluster_size);

  for (ScanChannel & c : app.channels) {
    c.tracker = std::make_unique<PedestrianTracker>(app.settings.tracker);
  }
  for (ScanChannel & c : app.channels) {
    subscribe(app, c);
  }
  return true;
}

}  // namespace

int runTrailscan(int argc, char ** argv)
{
  Trailscan app;
  try {
    if (!startUp(argc, argv, app)) {
      rclcpp::shutdown();
      return 0;
    }
  } catch (const std::exception & e) {
    RCLCPP_FATAL(trailscanLogger(), "start-up failed: %s", e.what());
    rclcpp::shutdown();
    return 1;
  }
  rclcpp::spin(app.node);
  rclcpp::shutdown();
  return 0;
}

}  // namespace quillon_dynamic_detector
