#ifndef QUILLON_DYNAMIC_DETECTOR__OUTPUT_MESSAGES_HPP_
#define QUILLON_DYNAMIC_DETECTOR__OUTPUT_MESSAGES_HPP_

#include <cstddef>
#include <string>

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "rclcpp/publisher.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"

namespace quillon_dynamic_detector
{

using CloudPublisher = rclcpp::Publisher<sensor_msgs::msg::PointCloud2>::SharedPtr;

// Publishes `cloud` stamped like `header_source` (the input scan) in `frame_id`. Does nothing
// without a publisher.
void publishCloud(
  const pcl::PointCloud<pcl::PointXYZ> & cloud, const sensor_msgs::msg::LaserScan & header_source,
  const std::string & frame_id, const CloudPublisher & publisher);

// The same for a coloured cluster cloud.
void publishCloud(
  const pcl::PointCloud<pcl::PointXYZRGB> & cloud,
  const sensor_msgs::msg::LaserScan & header_source, const std::string & frame_id,
  const CloudPublisher & publisher);

// All points of `clusters`, cluster k in palette entry (first_colour + k) % 80.
pcl::PointCloud<pcl::PointXYZRGB> buildColouredClusterCloud(
  const ClusterList & clusters, std::size_t first_colour);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__OUTPUT_MESSAGES_HPP_
