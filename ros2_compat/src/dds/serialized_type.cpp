#include "serialized_type.hpp"

#include <cstring>

#include <fastdds/rtps/common/SerializedPayload.h>

#include "ros2_compat/cdr/encapsulation.hpp"

namespace ros2_compat
{
namespace detail
{

namespace
{

// A first guess for preallocated sample buffers; they grow as messages need.
constexpr uint32_t typical_sample_size = 512;

}  // namespace

SerializedType::SerializedType(const std::string & dds_type_name)
{
  setName(dds_type_name.c_str());
  m_typeSize = typical_sample_size;
  m_isGetKeyDefined = false;
  auto_fill_type_object(false);
  auto_fill_type_information(false);
}

bool SerializedType::serialize(void * data, eprosima::fastrtps::rtps::SerializedPayload_t * payload)
{
  const auto & sample = *static_cast<const SerializedSample *>(data);
  if (sample.size() < cdr::encapsulation_size || payload->max_size < sample.size()) {
    return false;
  }
  std::memcpy(payload->data, sample.data(), sample.size());
  payload->length = static_cast<uint32_t>(sample.size());
  payload->encapsulation = sample[1] == cdr::encapsulation_cdr_le ? CDR_LE : CDR_BE;
  return true;
}

bool SerializedType::deserialize(
  eprosima::fastrtps::rtps::SerializedPayload_t * payload, void * data)
{
  auto & sample = *static_cast<SerializedSample *>(data);
  sample.assign(payload->data, payload->data + payload->length);
  return true;
}

std::function<uint32_t()> SerializedType::getSerializedSizeProvider(void * data)
{
  const auto size = static_cast<uint32_t>(static_cast<const SerializedSample *>(data)->size());
  return [size]() { return size; };
}

void * SerializedType::createData() { return new SerializedSample(); }

void SerializedType::deleteData(void * data) { delete static_cast<SerializedSample *>(data); }

bool SerializedType::getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool)
{
  return false;
}

}  // namespace detail
}  // namespace ros2_compat
