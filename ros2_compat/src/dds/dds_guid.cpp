#include "dds_guid.hpp"

#include <algorithm>
#include <iterator>

namespace ros2_compat
{
namespace detail
{

using eprosima::fastrtps::rtps::GUID_t;

static_assert(
  sizeof(GUID_t::guidPrefix.value) + sizeof(GUID_t::entityId.value) == sizeof(DdsGuid),
  "a GUID is 16 bytes");

DdsGuid dds_guid_of(const GUID_t & guid)
{
  DdsGuid bytes{};
  const auto prefix_end =
    std::copy(std::begin(guid.guidPrefix.value), std::end(guid.guidPrefix.value), bytes.begin());
  std::copy(std::begin(guid.entityId.value), std::end(guid.entityId.value), prefix_end);
  return bytes;
}

GUID_t fastdds_guid_of(const DdsGuid & bytes)
{
  GUID_t guid;
  const auto prefix_end = bytes.begin() + sizeof(guid.guidPrefix.value);
  std::copy(bytes.begin(), prefix_end, std::begin(guid.guidPrefix.value));
  std::copy(prefix_end, bytes.end(), std::begin(guid.entityId.value));
  return guid;
}

}  // namespace detail
}  // namespace ros2_compat
