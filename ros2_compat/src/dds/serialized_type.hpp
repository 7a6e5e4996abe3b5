// A DDS type whose samples are already-serialized ROS messages (encapsulation header and CDR
// body, as a std::vector<uint8_t>): the transport serializes and deserializes itself, DDS only
// carries the bytes, as rmw_fastrtps does for serialized messages.
#ifndef DDS__SERIALIZED_TYPE_HPP_
#define DDS__SERIALIZED_TYPE_HPP_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <fastdds/dds/topic/TopicDataType.hpp>

namespace ros2_compat
{
namespace detail
{

using SerializedSample = std::vector<uint8_t>;

class SerializedType : public eprosima::fastdds::dds::TopicDataType
{
public:
  // `dds_type_name` as ROS names it, e.g. "sensor_msgs::msg::dds_::LaserScan_". Keyless, and
  // matched by name only (no type object), as Humble's RMWs do.
  explicit SerializedType(const std::string & dds_type_name);

  bool serialize(void * data, eprosima::fastrtps::rtps::SerializedPayload_t * payload) override;
  bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t * payload, void * data) override;
  std::function<uint32_t()> getSerializedSizeProvider(void * data) override;
  void * createData() override;
  void deleteData(void * data) override;
  bool getKey(
    void * data, eprosima::fastrtps::rtps::InstanceHandle_t * handle,
    bool force_md5 = false) override;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__SERIALIZED_TYPE_HPP_
