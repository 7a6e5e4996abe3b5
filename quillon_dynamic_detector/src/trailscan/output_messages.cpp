#include "quillon_dynamic_detector/output_messages.hpp"

#include "pcl_conversions/pcl_conversions.h"
#include "quillon_dynamic_detector/cluster_palette.hpp"

namespace quillon_dynamic_detector
{
namespace
{

template <typename PointT>
void publishAnyCloud(
  const pcl::PointCloud<PointT> & cloud, const sensor_msgs::msg::LaserScan & header_source,
  const std::string & frame_id, const CloudPublisher & publisher)
{
  if (!publisher) {
    return;
  }
  sensor_msgs::msg::PointCloud2 msg;
  pcl::toROSMsg(cloud, msg);
  msg.header = header_source.header;
  msg.header.frame_id = frame_id;
  publisher->publish(msg);
}

}  // namespace

void publishCloud(
  const pcl::PointCloud<pcl::PointXYZ> & cloud, const sensor_msgs::msg::LaserScan & header_source,
  const std::string & frame_id, const CloudPublisher & publisher)
{
  publishAnyCloud(cloud, header_source, frame_id, publisher);
}

void publishCloud(
  const pcl::PointCloud<pcl::PointXYZRGB> & cloud,
  const sensor_msgs::msg::LaserScan & header_source, const std::string & frame_id,
  const CloudPublisher & publisher)
{
  publishAnyCloud(cloud, header_source, frame_id, publisher);
}

pcl::PointCloud<pcl::PointXYZRGB> buildColouredClusterCloud(
  const ClusterList & clusters, std::size_t first_colour)
{
  pcl::PointCloud<pcl::PointXYZRGB> cloud;
  for (std::size_t k = 0; k < clusters.size(); ++k) {
    const PaletteColour & colour = paletteColour(first_colour + k);
    for (const pcl::PointXYZ & p : clusters[k]->points) {
      pcl::PointXYZRGB coloured;
      coloured.x = p.x;
      coloured.y = p.y;
      coloured.z = p.z;
      coloured.r = colour.r;
      coloured.g = colour.g;
      coloured.b = colour.b;
      coloured.a = 255;
      cloud.push_back(coloured);
    }
  }
  // Also for no clusters at all: one row, as many columns as points.
  cloud.width = static_cast<uint32_t>(cloud.size());
  cloud.height = 1;
  cloud.is_dense = true;
  return cloud;
}

}  // namespace quillon_dynamic_detector
