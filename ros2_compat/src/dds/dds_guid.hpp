// A DDS GUID as the 16 bytes ROS stores in gids and request ids: the GUID prefix, then the
// entity id.
#ifndef DDS__DDS_GUID_HPP_
#define DDS__DDS_GUID_HPP_

#include <fastdds/rtps/common/Guid.h>

#include "ros2_compat/detail/participant_entities_info.hpp"

namespace ros2_compat
{
namespace detail
{

DdsGuid dds_guid_of(const eprosima::fastrtps::rtps::GUID_t & guid);
eprosima::fastrtps::rtps::GUID_t fastdds_guid_of(const DdsGuid & guid);

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__DDS_GUID_HPP_
