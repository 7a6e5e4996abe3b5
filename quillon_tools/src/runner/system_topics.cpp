#include "quillon_tools/runner/system_topics.hpp"

#include <string>
#include <vector>

#include "quillon_tools/recording/offered_qos_text.hpp"

namespace quillon_tools
{
namespace
{

using rosidl_generator_traits::name;

bool startsWith(const std::string & text, const std::string & prefix)
{
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string & text, const std::string & suffix)
{
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isScan(const std::string & topic) { return topic == "/scan_01" || topic == "/scan_02"; }

// Deep enough that a recorder busy writing a burst does not drop what arrived meanwhile.
constexpr size_t RECORDING_DEPTH = 1000;
constexpr size_t PLAYBACK_DEPTH = 100;
// The depth "/tf" broadcasters offer; every other output of the nodes offers 1.
constexpr size_t TF_DEPTH = 100;
constexpr size_t NODE_OUTPUT_DEPTH = 1;

}  // namespace

std::optional<std::string> systemTopicType(const std::string & topic)
{
  if (isScan(topic)) {
    return name<sensor_msgs::msg::LaserScan>();
  }
  if (topic == "/tf" || topic == "/tf_static") {
    return name<tf2_msgs::msg::TFMessage>();
  }
  if (topic == "/clock") {
    return name<rosgraph_msgs::msg::Clock>();
  }
  if (topic == "/objects_laser_markers" || endsWith(topic, "/pedestrian_markers")) {
    return name<visualization_msgs::msg::MarkerArray>();
  }
  if (startsWith(topic, "/objects_laser")) {
    return name<quillon_protocol::msg::ObjectList>();
  }
  if (endsWith(topic, "_cloud")) {
    return name<sensor_msgs::msg::PointCloud2>();
  }
  return std::nullopt;
}

std::string knownTopicPatterns()
{
  return "/scan_01, /scan_02 (LaserScan); /tf, /tf_static (TFMessage); /objects_laser* "
         "(ObjectList); */pedestrian_markers, /objects_laser_markers (MarkerArray); *_cloud "
         "(PointCloud2); /clock (Clock)";
}

const std::vector<std::string> & allSystemTopics()
{
  static const std::vector<std::string> topics = [] {
    std::vector<std::string> all{"/tf_static", "/tf", "/scan_01", "/scan_02"};
    for (const char * prefix : {"/scan1", "/scan2"}) {
      for (const char * cloud :
           {"/dynamic_cloud", "/static_cloud", "/raw_dynamic_candidate_cloud",
            "/confirmed_dynamic_cloud", "/local_static_map_cloud", "/pedestrian_markers"}) {
        all.push_back(std::string(prefix) + cloud);
      }
    }
    for (const char * output :
         {"/objects_laser1", "/objects_laser2", "/objects_laser", "/objects_laser_markers"}) {
      all.push_back(output);
    }
    return all;
  }();
  return topics;
}

std::string offeredQosOfSystemTopic(const std::string & topic)
{
  // The standalone transport is Fast DDS, which reports remote history and depth as unknown.
  const auto report = HistoryReport::kUnknown;
  if (isScan(topic)) {
    return sensorDataQosText(report);
  }
  if (topic == "/tf_static") {
    return staticTransformQosText(report);
  }
  if (topic == "/clock") {
    return offeredQosProfilesText({rclcpp::ClockQoS()}, report);
  }
  return reliableQosText(topic == "/tf" ? TF_DEPTH : NODE_OUTPUT_DEPTH, report);
}

rclcpp::QoS recordingQos(const std::string & topic)
{
  rclcpp::QoS qos(RECORDING_DEPTH);
  if (isScan(topic) || topic == "/clock") {
    qos.best_effort();
  } else if (topic == "/tf_static") {
    qos.transient_local();
  }
  return qos;
}

rclcpp::QoS playbackQos(const std::string & topic)
{
  if (isScan(topic)) {
    return rclcpp::SensorDataQoS();
  }
  rclcpp::QoS qos(PLAYBACK_DEPTH);
  if (topic == "/tf_static") {
    qos.transient_local();
  }
  return qos;
}

}  // namespace quillon_tools
