// Any bytes as the CDR payload of every message type the system exchanges: each deserialiser
// either builds a message or throws MalformedMessage, reads nothing past the payload and
// allocates no more than the payload can describe. An accepted message must serialise back to
// bytes that read as the same message.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "builtin_interfaces/msg/duration.hpp"
#include "builtin_interfaces/msg/time.hpp"
#include "geometry_msgs/msg/point.hpp"
#include "geometry_msgs/msg/point32.hpp"
#include "geometry_msgs/msg/point_stamped.hpp"
#include "geometry_msgs/msg/pose.hpp"
#include "geometry_msgs/msg/pose_stamped.hpp"
#include "geometry_msgs/msg/quaternion.hpp"
#include "geometry_msgs/msg/quaternion_stamped.hpp"
#include "geometry_msgs/msg/transform.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "geometry_msgs/msg/vector3.hpp"
#include "geometry_msgs/msg/vector3_stamped.hpp"
#include "invariant.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "rcl_interfaces/msg/floating_point_range.hpp"
#include "rcl_interfaces/msg/integer_range.hpp"
#include "rcl_interfaces/msg/list_parameters_result.hpp"
#include "rcl_interfaces/msg/parameter_descriptor.hpp"
#include "rcl_interfaces/msg/parameter_type.hpp"
#include "rcl_interfaces/msg/parameter_value.hpp"
#include "rcl_interfaces/msg/set_parameters_result.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "rosgraph_msgs/msg/clock.hpp"
#include "sensor_msgs/msg/compressed_image.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "sensor_msgs/msg/point_field.hpp"
#include "std_msgs/msg/color_rgba.hpp"
#include "std_msgs/msg/header.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker.hpp"
#include "visualization_msgs/msg/marker_array.hpp"
#include "visualization_msgs/msg/mesh_file.hpp"
#include "visualization_msgs/msg/uv_coordinate.hpp"

namespace
{

using ros2_compat::cdr::MalformedMessage;
using ros2_compat::cdr::MessageTypeSupport;

template <typename MessageT>
const MessageTypeSupport * support()
{
  return &ros2_compat::cdr::get_message_type_support<MessageT>();
}

// The types the system publishes or receives first, so that short inputs reach them.
const MessageTypeSupport * const TYPES[] = {
  support<sensor_msgs::msg::LaserScan>(),
  support<sensor_msgs::msg::PointCloud2>(),
  support<visualization_msgs::msg::MarkerArray>(),
  support<tf2_msgs::msg::TFMessage>(),
  support<quillon_protocol::msg::ObjectList>(),
  support<rosgraph_msgs::msg::Clock>(),
  support<quillon_protocol::msg::Object>(),
  support<visualization_msgs::msg::Marker>(),
  support<std_msgs::msg::Header>(),
  support<geometry_msgs::msg::TransformStamped>(),
  support<builtin_interfaces::msg::Duration>(),
  support<builtin_interfaces::msg::Time>(),
  support<geometry_msgs::msg::Point>(),
  support<geometry_msgs::msg::Point32>(),
  support<geometry_msgs::msg::PointStamped>(),
  support<geometry_msgs::msg::Pose>(),
  support<geometry_msgs::msg::PoseStamped>(),
  support<geometry_msgs::msg::Quaternion>(),
  support<geometry_msgs::msg::QuaternionStamped>(),
  support<geometry_msgs::msg::Transform>(),
  support<geometry_msgs::msg::Vector3>(),
  support<geometry_msgs::msg::Vector3Stamped>(),
  support<rcl_interfaces::msg::FloatingPointRange>(),
  support<rcl_interfaces::msg::IntegerRange>(),
  support<rcl_interfaces::msg::ListParametersResult>(),
  support<rcl_interfaces::msg::ParameterDescriptor>(),
  support<rcl_interfaces::msg::ParameterType>(),
  support<rcl_interfaces::msg::ParameterValue>(),
  support<rcl_interfaces::msg::SetParametersResult>(),
  support<sensor_msgs::msg::CompressedImage>(),
  support<sensor_msgs::msg::PointField>(),
  support<std_msgs::msg::ColorRGBA>(),
  support<visualization_msgs::msg::MeshFile>(),
  support<visualization_msgs::msg::UVCoordinate>(),
};

constexpr std::size_t TYPE_COUNT = sizeof(TYPES) / sizeof(TYPES[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  if (size == 0) {
    return 0;
  }
  const MessageTypeSupport & type = *TYPES[data[0] % TYPE_COUNT];
  // The payload is copied so that a read past its end hits the sanitiser's redzone even when
  // the fuzzer's buffer is larger.
  const std::vector<uint8_t> payload(data + 1, data + size);
  std::shared_ptr<const void> message;
  try {
    message = type.deserialize(payload.data(), payload.size());
  } catch (const MalformedMessage &) {
    return 0;
  }
  std::vector<uint8_t> first;
  type.serialize(message.get(), first);
  std::shared_ptr<const void> again;
  try {
    again = type.deserialize(first.data(), first.size());
  } catch (const MalformedMessage & e) {
    quillon_fuzz::invariantBroken(
      std::string(type.type_name) + " written by the serialiser does not read back: " + e.what());
  }
  std::vector<uint8_t> second;
  type.serialize(again.get(), second);
  if (first != second) {
    quillon_fuzz::invariantBroken(std::string(type.type_name) + " changes on a round trip");
  }
  return 0;
}
