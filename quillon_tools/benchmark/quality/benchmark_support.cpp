#include "benchmark_support.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_tools
{

double median(std::vector<double> values)
{
  if (values.empty()) {
    return std::nan("");
  }
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

std::string fixed3(double v)
{
  if (!std::isfinite(v)) {
    return "-";
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%.3f", v);
  return text;
}

std::map<std::string, std::vector<sensor_msgs::msg::LaserScan>> scansOf(
  const std::filesystem::path & bag)
{
  BagReader reader;
  reader.open(bag);
  reader.setTopicFilter({"/scan_01", "/scan_02"});
  std::map<std::string, std::vector<sensor_msgs::msg::LaserScan>> scans;
  BagMessage message;
  while (reader.readNext(message)) {
    scans[message.topic].push_back(deserialize<sensor_msgs::msg::LaserScan>(message));
  }
  return scans;
}

void restartRosWith(const std::string & params_file, const std::optional<ScannerProfile> & profile)
{
  if (rclcpp::ok()) {
    rclcpp::shutdown();
  }
  std::vector<std::string> args{"quillon_quality_benchmark"};
  if (!params_file.empty()) {
    args.insert(args.end(), {"--ros-args", "--params-file", params_file});
  }
  std::vector<char *> argv;
  for (auto & arg : args) {
    argv.push_back(arg.data());
  }
  RosCommandLine command_line(static_cast<int>(argv.size()), argv.data(), profile);
  rclcpp::init(command_line.argc(), command_line.argv());
}

double processingMedian(const ReplayOutputs & outputs)
{
  std::vector<double> latencies;
  for (const char * topic : {"/objects_laser1", "/objects_laser2"}) {
    const auto lists = outputs.lists.find(topic);
    if (lists != outputs.lists.end()) {
      for (const auto & list : lists->second) {
        latencies.push_back(list.latency_ms);
      }
    }
  }
  return median(latencies);
}

}  // namespace quillon_tools
