// Conversions between PCL clouds and sensor_msgs, as pcl_conversions 2.4 (Humble) provides them.
#ifndef PCL_CONVERSIONS__PCL_CONVERSIONS_H_
#define PCL_CONVERSIONS__PCL_CONVERSIONS_H_

#include <cstdint>
#include <vector>

#include <pcl/PCLHeader.h>
#include <pcl/PCLPointCloud2.h>
#include <pcl/PCLPointField.h>
#include <pcl/conversions.h>
#include <pcl/point_cloud.h>

#include "builtin_interfaces/msg/time.hpp"
#include "rclcpp/time.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "sensor_msgs/msg/point_field.hpp"
#include "std_msgs/msg/header.hpp"

namespace pcl_conversions
{

// PCL keeps stamps in microseconds: going to ROS multiplies by 1000, coming back truncates.
inline void fromPCL(const std::uint64_t & pcl_stamp, rclcpp::Time & stamp)
{
  stamp = rclcpp::Time(static_cast<int64_t>(pcl_stamp * 1000ull));
}

inline void toPCL(const rclcpp::Time & stamp, std::uint64_t & pcl_stamp)
{
  pcl_stamp = static_cast<std::uint64_t>(stamp.nanoseconds()) / 1000ull;
}

inline void fromPCL(const pcl::PCLHeader & pcl_header, std_msgs::msg::Header & header)
{
  rclcpp::Time stamp(header.stamp);
  fromPCL(pcl_header.stamp, stamp);
  header.stamp = stamp;
  header.frame_id = pcl_header.frame_id;
}

inline void toPCL(const std_msgs::msg::Header & header, pcl::PCLHeader & pcl_header)
{
  toPCL(rclcpp::Time(header.stamp), pcl_header.stamp);
  pcl_header.seq = 0;
  pcl_header.frame_id = header.frame_id;
}

inline void fromPCL(const pcl::PCLPointField & pcl_pf, sensor_msgs::msg::PointField & pf)
{
  pf.name = pcl_pf.name;
  pf.offset = pcl_pf.offset;
  pf.datatype = pcl_pf.datatype;
  pf.count = pcl_pf.count;
}

inline void fromPCL(
  const std::vector<pcl::PCLPointField> & pcl_pfs, std::vector<sensor_msgs::msg::PointField> & pfs)
{
  pfs.resize(pcl_pfs.size());
  for (std::size_t i = 0; i < pcl_pfs.size(); ++i) {
    fromPCL(pcl_pfs[i], pfs[i]);
  }
}

inline void copyPCLPointCloud2MetaData(
  const pcl::PCLPointCloud2 & pcl_pc2, sensor_msgs::msg::PointCloud2 & pc2)
{
  fromPCL(pcl_pc2.header, pc2.header);
  pc2.height = pcl_pc2.height;
  pc2.width = pcl_pc2.width;
  fromPCL(pcl_pc2.fields, pc2.fields);
  pc2.is_bigendian = pcl_pc2.is_bigendian;
  pc2.point_step = pcl_pc2.point_step;
  pc2.row_step = pcl_pc2.row_step;
  pc2.is_dense = pcl_pc2.is_dense;
}

inline void moveFromPCL(pcl::PCLPointCloud2 & pcl_pc2, sensor_msgs::msg::PointCloud2 & pc2)
{
  copyPCLPointCloud2MetaData(pcl_pc2, pc2);
  pc2.data.swap(pcl_pc2.data);
}

}  // namespace pcl_conversions

namespace pcl
{

template <typename T>
void toROSMsg(const pcl::PointCloud<T> & pcl_cloud, sensor_msgs::msg::PointCloud2 & cloud)
{
  pcl::PCLPointCloud2 pcl_pc2;
  pcl::toPCLPointCloud2(pcl_cloud, pcl_pc2);
  pcl_conversions::moveFromPCL(pcl_pc2, cloud);
}

}  // namespace pcl

#endif  // PCL_CONVERSIONS__PCL_CONVERSIONS_H_
