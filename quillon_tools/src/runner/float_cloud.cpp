#include "quillon_tools/runner/float_cloud.hpp"

#include <cstdint>
#include <cstring>

#include "sensor_msgs/msg/point_field.hpp"

namespace quillon_tools
{

using sensor_msgs::msg::PointCloud2;
using sensor_msgs::msg::PointField;

PointCloud2 floatCloud(
  const std_msgs::msg::Header & header, const std::vector<std::string> & fields,
  const std::vector<float> & values)
{
  PointCloud2 cloud;
  cloud.header = header;
  cloud.height = 1;
  for (std::size_t f = 0; f < fields.size(); ++f) {
    PointField field;
    field.name = fields[f];
    field.offset = static_cast<uint32_t>(f * sizeof(float));
    field.datatype = PointField::FLOAT32;
    field.count = 1;
    cloud.fields.push_back(field);
  }
  cloud.is_bigendian = false;
  cloud.point_step = static_cast<uint32_t>(fields.size() * sizeof(float));
  cloud.is_dense = true;
  cloud.data.resize(values.size() * sizeof(float));
  if (!values.empty()) {
    std::memcpy(cloud.data.data(), values.data(), cloud.data.size());
  }
  cloud.width = fields.empty() ? 0 : static_cast<uint32_t>(values.size() / fields.size());
  cloud.row_step = static_cast<uint32_t>(cloud.data.size());
  return cloud;
}

std::optional<std::vector<float>> readFloatFields(
  const PointCloud2 & cloud, const std::vector<std::string> & fields)
{
  std::vector<uint32_t> offsets;
  for (const std::string & name : fields) {
    bool found = false;
    for (const PointField & field : cloud.fields) {
      if (
        field.name == name && field.datatype == PointField::FLOAT32 &&
        field.offset + sizeof(float) <= cloud.point_step) {
        offsets.push_back(field.offset);
        found = true;
        break;
      }
    }
    if (!found || cloud.is_bigendian) {
      return std::nullopt;
    }
  }
  const uint64_t row_bytes = static_cast<uint64_t>(cloud.width) * cloud.point_step;
  if (
    row_bytes > cloud.row_step ||
    static_cast<uint64_t>(cloud.row_step) * cloud.height > cloud.data.size()) {
    return std::nullopt;
  }
  std::vector<float> values;
  values.reserve(static_cast<std::size_t>(cloud.width) * cloud.height * fields.size());
  for (uint64_t row = 0; row < cloud.height; ++row) {
    for (uint64_t column = 0; column < cloud.width; ++column) {
      const uint8_t * point = cloud.data.data() + row * cloud.row_step + column * cloud.point_step;
      for (const uint32_t offset : offsets) {
        float value = 0.0F;
        std::memcpy(&value, point + offset, sizeof(float));
        values.push_back(value);
      }
    }
  }
  return values;
}

}  // namespace quillon_tools
