// One scanner's per-scan wiring as start-up builds it, for harnesses: every output topic has a
// subscription that checks each published message for NaN and infinity.
#ifndef QUILLON_FUZZ__SCANNER_UNDER_TEST_HPP_
#define QUILLON_FUZZ__SCANNER_UNDER_TEST_HPP_

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "finite_checks.hpp"
#include "quillon_dynamic_detector/scan_pipeline.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_fuzz
{

using namespace quillon_dynamic_detector;
using sensor_msgs::msg::LaserScan;

template <typename MessageT>
typename rclcpp::Subscription<MessageT>::SharedPtr checkEvery(
  const rclcpp::Node::SharedPtr & node, const std::string & topic,
  void (*check)(const MessageT &, const std::string &))
{
  return node->create_subscription<MessageT>(
    topic, rclcpp::QoS(10), [topic, check](const MessageT & msg) { check(msg, topic); });
}

// One scanner's wiring as start-up builds it, with a checking subscription on every output.
class ScannerUnderTest
{
public:
  // `node` carries the trailscan parameters already declared into `settings`.
  ScannerUnderTest(rclcpp::Node::SharedPtr node, TrailscanSettings settings)
  : node_(std::move(node)),
    settings_(std::move(settings)),
    buffer_(std::make_shared<tf2_ros::Buffer>(node_->get_clock())),
    clusterer_(makeClusterer(settings_.clustering)),
    closed_(settings_.detector_cfg_file),
    geometric_(settings_.detector_cfg_file),
    tracker_(settings_.tracker)
  {
    // Transforms arrive only between scans here, so a lookup must not wait for one: without
    // a dedicated thread the buffer answers at once instead of polling the frozen clock.
    buffer_->setUsingDedicatedThread(false);
    // The scanner sits at the robot's centre: tracking in odom looks up its own pose.
    geometry_msgs::msg::TransformStamped mount;
    mount.header.frame_id = "base_footprint";
    mount.child_frame_id = "base_scan_01";
    mount.transform.rotation.w = 1.0;
    buffer_->setTransform(mount, "fuzz", true);
    const rclcpp::QoS qos(1);
    for (const char * topic :
         {"dynamic_cloud", "static_cloud", "raw_dynamic_candidate_cloud", "confirmed_dynamic_cloud",
          "local_static_map_cloud"}) {
      const std::string name = std::string("/scan1/") + topic;
      clouds_.push_back(node_->create_publisher<sensor_msgs::msg::PointCloud2>(name, qos));
      cloud_checks_.push_back(
        checkEvery<sensor_msgs::msg::PointCloud2>(node_, name, &quillon_fuzz::requireFiniteCloud));
    }
    objects_ = node_->create_publisher<quillon_protocol::msg::ObjectList>("/objects_laser1", qos);
    markers_ = node_->create_publisher<visualization_msgs::msg::MarkerArray>(
      "/scan1/pedestrian_markers", qos);
    objects_check_ = checkEvery<quillon_protocol::msg::ObjectList>(
      node_, "/objects_laser1", &quillon_fuzz::requireFiniteObjects);
    markers_check_ = checkEvery<visualization_msgs::msg::MarkerArray>(
      node_, "/scan1/pedestrian_markers", &quillon_fuzz::requireFiniteMarkers);
  }

  void setOdom(const geometry_msgs::msg::TransformStamped & odom, bool is_static)
  {
    buffer_->setTransform(odom, "fuzz", is_static);
  }

  void process(const LaserScan::ConstSharedPtr & scan, bool geometric)
  {
    if (geometric) {
      run(scan, geometric_);
    } else {
      run(scan, closed_);
    }
    rclcpp::spin_some(node_);
  }

private:
  template <typename Detector>
  void run(const LaserScan::ConstSharedPtr & scan, Detector & detector)
  {
    processLaserScan(
      scan, buffer_, detector, *clusterer_, clouds_[0], clouds_[1], clouds_[2], clouds_[3],
      clouds_[4], objects_, markers_, "top_scan_01", "base_scan_01", settings_.clustering,
      settings_.cluster_merge, settings_.classifier, settings_.max_input_age_ms, tracker_,
      settings_.trackingFrame());
  }

  rclcpp::Node::SharedPtr node_;
  TrailscanSettings settings_;
  std::shared_ptr<tf2_ros::Buffer> buffer_;
  std::shared_ptr<Clusterer> clusterer_;
  orvane::perception::DynamicLaserDetector closed_;
  GeometricMotionDetector geometric_;
  PedestrianTracker tracker_;
  std::vector<CloudPublisher> clouds_;
  ObjectListPublisher objects_;
  MarkerPublisher markers_;
  std::vector<rclcpp::Subscription<sensor_msgs::msg::PointCloud2>::SharedPtr> cloud_checks_;
  rclcpp::Subscription<quillon_protocol::msg::ObjectList>::SharedPtr objects_check_;
  rclcpp::Subscription<visualization_msgs::msg::MarkerArray>::SharedPtr markers_check_;
};

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__SCANNER_UNDER_TEST_HPP_
