// Publishing N messages before spin_some: which ones each spin_some delivers, per QoS, compared
// line by line with what Humble printed.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "node_test_support.hpp"
#include "rclcpp/rclcpp.hpp"
#include "std_msgs/msg/header.hpp"

namespace
{

using std_msgs::msg::Header;

struct Case
{
  rclcpp::QoS publisher_qos;
  rclcpp::QoS subscription_qos;
};

// The QoS pairs of the golden transcript, by the label it prints.
const std::map<std::string, Case> & cases()
{
  static const std::map<std::string, Case> all = {
    {"SensorDataQoS->SensorDataQoS", {rclcpp::SensorDataQoS(), rclcpp::SensorDataQoS()}},
    {"SensorDataQoS->SensorDataQoS(8 msgs)", {rclcpp::SensorDataQoS(), rclcpp::SensorDataQoS()}},
    {"KeepLast1(rel)->KeepLast1(rel)",
     {rclcpp::QoS(rclcpp::KeepLast(1)), rclcpp::QoS(rclcpp::KeepLast(1))}},
    {"SensorData.keep_last(1)->same",
     {rclcpp::SensorDataQoS().keep_last(1), rclcpp::SensorDataQoS().keep_last(1)}},
    {"QoS(10)->SensorDataQoS.keep_last(1)",
     {rclcpp::QoS(10), rclcpp::SensorDataQoS().keep_last(1)}},
    {"QoS(10)->QoS(10)", {rclcpp::QoS(10), rclcpp::QoS(10)}},
  };
  return all;
}

std::vector<std::string> golden_scenarios()
{
  std::ifstream file(std::string(QUILLON_GOLDEN_DIR) + "/console/qos_spin_some.txt");
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (line.find(" ipc=") != std::string::npos) {
      lines.push_back(line);
    }
  }
  return lines;
}

// Reruns the scenario a golden line describes and prints it the way the capture did.
std::string run(const std::string & golden, int scenario)
{
  const std::string label = golden.substr(0, golden.find(" ipc="));
  const bool ipc = golden.find(" ipc=1 ") != std::string::npos;
  const size_t at = golden.find("published=") + std::string("published=").size();
  const int published = std::stoi(golden.substr(at));
  const Case & qos = cases().at(label);

  auto node =
    std::make_shared<rclcpp::Node>("trailscan", rclcpp::NodeOptions().use_intra_process_comms(ipc));
  const std::string topic = "depth_case_" + std::to_string(scenario);
  std::vector<int> received;
  auto subscription = node->create_subscription<Header>(
    topic, qos.subscription_qos,
    [&received](Header::ConstSharedPtr msg) { received.push_back(msg->stamp.sec); });
  auto publisher = node->create_publisher<Header>(topic, qos.publisher_qos);
  for (int id = 1; id <= published; ++id) {
    Header msg;
    msg.stamp.sec = id;
    publisher->publish(msg);
  }

  std::ostringstream line;
  line << label << " ipc=" << ipc << " published=" << published;
  rclcpp::spin_some(node);
  line << " first spin_some got=" << received.size() << " [";
  for (int id : received) {
    line << id << " ";
  }
  received.clear();
  rclcpp::spin_some(node);
  line << "] second spin_some got=" << received.size();
  received.clear();
  for (int i = 0; i < 20; ++i) {
    rclcpp::spin_some(node);
  }
  line << " later=" << received.size();
  return line.str();
}

}  // namespace

class SpinSomeDepth : public RclcppTest
{
};

TEST_F(SpinSomeDepth, EveryGoldenRowComesOutExactly)
{
  const std::vector<std::string> golden = golden_scenarios();
  ASSERT_EQ(12u, golden.size());
  for (size_t i = 0; i < golden.size(); ++i) {
    EXPECT_EQ(golden[i], run(golden[i], static_cast<int>(i)));
  }
}
