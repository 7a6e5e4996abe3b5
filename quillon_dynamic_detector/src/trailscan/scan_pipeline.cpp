#include "quillon_dynamic_detector/scan_pipeline.hpp"

#include <Eigen/Core>

#include "quillon_dynamic_detector/trailscan_logger.hpp"
#include "quillon_dynamic_detector/transform_lookup.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/logging.hpp"
#include "rclcpp/time.hpp"

namespace quillon_dynamic_detector
{
namespace
{

void runDetector(
  orvane::perception::DynamicLaserDetector & detector,
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose,
  const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
  const sensor_msgs::msg::LaserScan::SharedPtr & static_scan)
{
  detector.Process(scan, pose, dynamic_scan, static_scan);
}

void runDetector(
  GeometricMotionDetector & detector, const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan,
  const geometry_msgs::msg::Pose & pose,
  const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
  const sensor_msgs::msg::LaserScan::SharedPtr & static_scan)
{
  detector.processScan(scan, pose, dynamic_scan, static_scan);
}

}  // namespace

template <typename Detector>
void processLaserScan(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan,
  const std::shared_ptr<tf2_ros::Buffer> & tf_buffer, Detector & detector, Clusterer &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const CloudPublisher &, const ObjectListPublisher & objects_pub, const MarkerPublisher &,
  const std::string & sensor_name, const std::string & output_frame, const ClusteringConfig &,
  const ClusterMergeConfig &, const ClassifierConfig &, double max_input_age_ms,
  PedestrianTracker &)
{
  // Ages are measured against system time, whatever clock the node uses.
  rclcpp::Clock clock(RCL_ROS_TIME);
  const rclcpp::Time stamp(scan->header.stamp, RCL_ROS_TIME);
  const double input_age_ms = (clock.now() - stamp).seconds() * 1000.0;
  if (input_age_ms > max_input_age_ms) {
    RCLCPP_WARN_THROTTLE(
      trailscanLogger(), clock, 1000,
      "[PERF] drop_stale_frame sensor=%s input_age=%.1fms threshold=%.1fms", sensor_name.c_str(),
      input_age_ms, max_input_age_ms);
    return;
  }

  Eigen::Matrix4f odom_from_base;
  if (!getTransformMatrix(tf_buffer, "odom", "base_footprint", stamp, odom_from_base)) {
    return;
  }
  const geometry_msgs::msg::Pose pose = poseFromMatrix(odom_from_base);
  auto dynamic_scan = std::make_shared<sensor_msgs::msg::LaserScan>();
  auto static_scan = std::make_shared<sensor_msgs::msg::LaserScan>();
  runDetector(detector, scan, pose, dynamic_scan, static_scan);

  quillon_protocol::msg::ObjectList objects;
  objects.header.stamp = scan->header.stamp;
  objects.header.frame_id = output_frame;
  objects.sensor_name = sensor_name;
  objects.sensor_type = 3;
  objects_pub->publish(objects);
}

template void processLaserScan<orvane::perception::DynamicLaserDetector>(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr &, const std::shared_ptr<tf2_ros::Buffer> &,
  orvane::perception::DynamicLaserDetector &, Clusterer &, const CloudPublisher &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const ObjectListPublisher &, const MarkerPublisher &, const std::string &, const std::string &,
  const ClusteringConfig &, const ClusterMergeConfig &, const ClassifierConfig &, double,
  PedestrianTracker &);

template void processLaserScan<GeometricMotionDetector>(
  const sensor_msgs::msg::LaserScan::ConstSharedPtr &, const std::shared_ptr<tf2_ros::Buffer> &,
  GeometricMotionDetector &, Clusterer &, const CloudPublisher &, const CloudPublisher &,
  const CloudPublisher &, const CloudPublisher &, const CloudPublisher &,
  const ObjectListPublisher &, const MarkerPublisher &, const std::string &, const std::string &,
  const ClusteringConfig &, const ClusterMergeConfig &, const ClassifierConfig &, double,
  PedestrianTracker &);

}  // namespace quillon_dynamic_detector
