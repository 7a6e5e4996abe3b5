#include "quillon_tools/recording/message_types.hpp"

#include <set>
#include <string>
#include <vector>

#include "quillon_protocol/msg/object_list.hpp"
#include "rosgraph_msgs/msg/clock.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_tools
{

const std::set<std::string> & systemMessageTypes()
{
  using rosidl_generator_traits::name;
  static const std::set<std::string> types{
    name<sensor_msgs::msg::LaserScan>(),
    name<sensor_msgs::msg::PointCloud2>(),
    name<visualization_msgs::msg::MarkerArray>(),
    name<quillon_protocol::msg::ObjectList>(),
    name<tf2_msgs::msg::TFMessage>(),
    name<rosgraph_msgs::msg::Clock>()};
  return types;
}

uint64_t countMessagesOfUnknownTypes(
  const std::vector<BagTopicInfo> & topics, const std::set<std::string> & known_types)
{
  uint64_t count = 0;
  for (const auto & topic : topics) {
    if (known_types.count(topic.type) == 0) {
      count += topic.message_count;
    }
  }
  return count;
}

}  // namespace quillon_tools
