// The text a bag keeps in "offered_qos_profiles": the QoS offered by each publisher of a topic,
// as a YAML block sequence with rmw's enum numbers, the way a Humble recorder writes it.
#ifndef QUILLON_TOOLS__RECORDING__OFFERED_QOS_TEXT_HPP_
#define QUILLON_TOOLS__RECORDING__OFFERED_QOS_TEXT_HPP_

#include <cstddef>
#include <string>
#include <vector>

#include "rclcpp/qos.hpp"

namespace quillon_tools
{

// Cyclone DDS reports the history and depth of a remote publisher; Fast DDS reports them as
// unknown (history 3, depth 0). Everything else is reported alike by both.
enum class HistoryReport
{
  kAsOffered,
  kUnknown
};

// Values a publisher left to the system are written as DDS reports them: unspecified
// deadline, lifespan and lease as infinite, liveliness as automatic.
std::string offeredQosProfilesText(
  const std::vector<rclcpp::QoS> & publishers, HistoryReport history = HistoryReport::kAsOffered);

// The publishers of the system, one each: LaserScans (sensor data: keep last 5, best effort,
// volatile), "/tf_static" (keep last 1, reliable, transient local) and everything else
// (keep last `depth`, reliable, volatile: "/tf" uses 100, markers and objects 10).
std::string sensorDataQosText(HistoryReport history = HistoryReport::kAsOffered);
std::string staticTransformQosText(HistoryReport history = HistoryReport::kAsOffered);
std::string reliableQosText(size_t depth, HistoryReport history = HistoryReport::kAsOffered);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__OFFERED_QOS_TEXT_HPP_
