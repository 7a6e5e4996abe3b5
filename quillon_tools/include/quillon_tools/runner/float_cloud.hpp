// Clouds of named float fields: how the runner records what the pipeline made of a scan, and how
// the evaluation reads it back.
#ifndef QUILLON_TOOLS__RUNNER__FLOAT_CLOUD_HPP_
#define QUILLON_TOOLS__RUNNER__FLOAT_CLOUD_HPP_

#include <optional>
#include <string>
#include <vector>

#include "sensor_msgs/msg/point_cloud2.hpp"
#include "std_msgs/msg/header.hpp"

namespace quillon_tools
{

// One point per row of `values` (row-major, fields.size() values per point), each field a
// little-endian FLOAT32; height 1, dense.
sensor_msgs::msg::PointCloud2 floatCloud(
  const std_msgs::msg::Header & header, const std::vector<std::string> & fields,
  const std::vector<float> & values);

// The values of `fields` of every point, row-major; nullopt when the cloud lacks one of them,
// holds one of another type, or is shorter than its size says.
std::optional<std::vector<float>> readFloatFields(
  const sensor_msgs::msg::PointCloud2 & cloud, const std::vector<std::string> & fields);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__FLOAT_CLOUD_HPP_
