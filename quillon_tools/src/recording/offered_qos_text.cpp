#include "quillon_tools/recording/offered_qos_text.hpp"

#include <yaml-cpp/yaml.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "rmw/types.h"
#include "tf2_ros/qos.hpp"

namespace quillon_tools
{
namespace
{

// What DDS reports for a duration the publisher left unspecified: infinite, i.e. INT64_MAX ns
// split into seconds and nanoseconds.
rmw_time_t asReported(const rmw_time_t & time)
{
  if (time.sec != 0 || time.nsec != 0) {
    return time;
  }
  constexpr uint64_t kInfiniteNs = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  return rmw_time_t{kInfiniteNs / 1000000000u, kInfiniteNs % 1000000000u};
}

YAML::Node durationNode(const rmw_time_t & time)
{
  const rmw_time_t reported = asReported(time);
  YAML::Node node;
  node["sec"] = reported.sec;
  node["nsec"] = reported.nsec;
  return node;
}

YAML::Node profileNode(const rmw_qos_profile_t & profile, HistoryReport history)
{
  const bool known_history = history == HistoryReport::kAsOffered;
  const auto liveliness = profile.liveliness == RMW_QOS_POLICY_LIVELINESS_SYSTEM_DEFAULT
                            ? RMW_QOS_POLICY_LIVELINESS_AUTOMATIC
                            : profile.liveliness;
  YAML::Node node;
  node["history"] =
    static_cast<int>(known_history ? profile.history : RMW_QOS_POLICY_HISTORY_UNKNOWN);
  node["depth"] = known_history ? profile.depth : size_t{0};
  node["reliability"] = static_cast<int>(profile.reliability);
  node["durability"] = static_cast<int>(profile.durability);
  node["deadline"] = durationNode(profile.deadline);
  node["lifespan"] = durationNode(profile.lifespan);
  node["liveliness"] = static_cast<int>(liveliness);
  node["liveliness_lease_duration"] = durationNode(profile.liveliness_lease_duration);
  node["avoid_ros_namespace_conventions"] = profile.avoid_ros_namespace_conventions;
  return node;
}

}  // namespace

std::string offeredQosProfilesText(
  const std::vector<rclcpp::QoS> & publishers, HistoryReport history)
{
  YAML::Node profiles(YAML::NodeType::Sequence);
  for (const auto & qos : publishers) {
    profiles.push_back(profileNode(qos.get_rmw_qos_profile(), history));
  }
  YAML::Emitter out;
  out << profiles;
  return out.c_str();
}

std::string sensorDataQosText(HistoryReport history)
{
  return offeredQosProfilesText({rclcpp::SensorDataQoS()}, history);
}

std::string staticTransformQosText(HistoryReport history)
{
  return offeredQosProfilesText({tf2_ros::StaticBroadcasterQoS()}, history);
}

std::string reliableQosText(size_t depth, HistoryReport history)
{
  return offeredQosProfilesText({rclcpp::QoS(depth)}, history);
}

}  // namespace quillon_tools
