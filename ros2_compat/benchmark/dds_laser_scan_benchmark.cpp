// Publish-to-callback latency and throughput of a 1081-beam LaserScan between two processes
// over the DDS transport, in a network namespace of its own when the system allows one.
//   dds_laser_scan_benchmark [latency_messages=1000] [bursts=5] [burst_messages=2000]
// The parent starts a copy of itself that subscribes, measures and reports on stdout, then
// - publishes scans at 100 Hz on /bench_scan (SensorDataQoS, as a scanner driver does), each
//   stamped just before publish: latency = callback time - stamp;
// - publishes bursts of scans as fast as it can, on /bench_flood (SensorDataQoS: the reader
//   keeps up what it can, the rest is dropped) and on /bench_burst (reliable, keep all: every
//   scan arrives, lost datagrams are repaired): throughput = scans received / time from the
//   first to the last callback of a burst;
// and prints the medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.hpp"
#include "network_namespace.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "std_msgs/msg/header.hpp"

namespace
{

using namespace std::chrono_literals;
using sensor_msgs::msg::LaserScan;
using std_msgs::msg::Header;

constexpr int beams = 1081;

int64_t now_ns()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
           std::chrono::system_clock::now().time_since_epoch())
    .count();
}

double median(std::vector<double> values)
{
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

double percentile(std::vector<double> values, double fraction)
{
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// Subscriber side: latency of each scan (receive time - stamp set just before publish), and
// per burst the count and the time from first to last scan; reports on each control command.
int run_subscriber(int burst_messages)
{
  rclcpp::init(0, nullptr);
  auto node = std::make_shared<rclcpp::Node>("bench_subscriber");
  std::vector<double> latencies_ms;
  auto scans = node->create_subscription<LaserScan>(
    "/bench_scan", rclcpp::SensorDataQoS(), [&](const LaserScan & scan) {
      const int64_t sent =
        static_cast<int64_t>(scan.header.stamp.sec) * 1000000000 + scan.header.stamp.nanosec;
      latencies_ms.push_back(static_cast<double>(now_ns() - sent) * 1e-6);
    });
  int floods = 0;
  int flood_count = 0;
  int64_t flood_first = 0;
  int64_t flood_last = 0;
  auto flood_scans = node->create_subscription<LaserScan>(
    "/bench_flood", rclcpp::SensorDataQoS(), [&](const LaserScan &) {
      flood_last = now_ns();
      flood_first = flood_count++ == 0 ? flood_last : flood_first;
    });
  int bursts = 0;
  int burst_count = 0;
  int64_t burst_first = 0;
  auto burst_scans = node->create_subscription<LaserScan>(
    "/bench_burst", rclcpp::QoS(rclcpp::KeepAll()).reliable(), [&](const LaserScan &) {
      const int64_t received = now_ns();
      burst_first = burst_count == 0 ? received : burst_first;
      if (++burst_count == burst_messages) {
        std::printf(
          "burst %d count=%d seconds=%.6f\n", ++bursts, burst_count,
          static_cast<double>(received - burst_first) * 1e-9);
        std::fflush(stdout);
        burst_count = 0;
      }
    });
  auto control = node->create_subscription<Header>(
    "/bench_control", rclcpp::QoS(10), [&](const Header & command) {
      if (command.frame_id == "latency_end") {
        std::printf(
          "latency count=%zu median_ms=%.4f p90_ms=%.4f max_ms=%.4f\n", latencies_ms.size(),
          median(latencies_ms), percentile(latencies_ms, 0.9), percentile(latencies_ms, 1.0));
      } else if (command.frame_id == "flood_end") {
        std::printf(
          "flood %d count=%d seconds=%.6f\n", ++floods, flood_count,
          static_cast<double>(flood_last - flood_first) * 1e-9);
        flood_count = 0;
      } else if (command.frame_id == "quit") {
        rclcpp::shutdown();
      }
      std::fflush(stdout);
    });
  while (scans->get_publisher_count() == 0 || flood_scans->get_publisher_count() == 0 ||
         burst_scans->get_publisher_count() == 0 || control->get_publisher_count() == 0) {
    std::this_thread::sleep_for(10ms);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  rclcpp::spin(node);
  return 0;
}

LaserScan bench_scan()
{
  LaserScan scan;
  scan.header.frame_id = "laser_front";
  scan.angle_min = -2.35619449f;
  scan.angle_increment = 0.00436332313f;
  scan.angle_max = scan.angle_min + (beams - 1) * scan.angle_increment;
  scan.range_max = 30.0f;
  scan.ranges.assign(beams, 4.5f);
  scan.intensities.assign(beams, 100.0f);
  return scan;
}

void send(rclcpp::Publisher<Header> & control, const std::string & command)
{
  std::this_thread::sleep_for(200ms);  // lets the last scans arrive first
  Header msg;
  msg.frame_id = command;
  control.publish(msg);
}

// Values of "key=" in the lines of `output` that start with `prefix`.
std::vector<double> values_of(
  const std::string & output, const std::string & prefix, const std::string & key)
{
  std::vector<double> values;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find(key + "=");
    if (line.rfind(prefix, 0) == 0 && at != std::string::npos) {
      values.push_back(std::stod(line.substr(at + key.size() + 1)));
    }
  }
  return values;
}

// Scans per second of each burst reported in lines starting with `prefix`.
std::vector<double> rates_of(const std::string & output, const std::string & prefix)
{
  const auto counts = values_of(output, prefix, "count");
  const auto seconds = values_of(output, prefix, "seconds");
  std::vector<double> rates;
  for (size_t i = 0; i < counts.size() && i < seconds.size(); ++i) {
    rates.push_back(seconds[i] > 0.0 ? counts[i] / seconds[i] : 0.0);
  }
  return rates;
}

int run_publisher(const char * self, int latency_messages, int bursts, int burst_messages)
{
  const std::string network = network_namespace::enter_fresh();
  std::printf("network: %s\n", network.empty() ? "own namespace, loopback only" : network.c_str());
  ChildProcess subscriber(
    {self, "--subscriber", std::to_string(burst_messages)}, {{"ROS2_COMPAT_TRANSPORT", "dds"}});
  rclcpp::init(0, nullptr);
  auto node = std::make_shared<rclcpp::Node>("bench_publisher");
  auto scans = node->create_publisher<LaserScan>("/bench_scan", rclcpp::SensorDataQoS());
  auto flood_scans = node->create_publisher<LaserScan>("/bench_flood", rclcpp::SensorDataQoS());
  auto burst_scans =
    node->create_publisher<LaserScan>("/bench_burst", rclcpp::QoS(rclcpp::KeepAll()).reliable());
  auto control = node->create_publisher<Header>("/bench_control", rclcpp::QoS(10));
  if (!subscriber.wait_for_output("ready", 60s)) {
    std::fprintf(stderr, "subscriber did not start:\n%s", subscriber.output().c_str());
    return 1;
  }
  LaserScan scan = bench_scan();
  for (int i = 0; i < latency_messages; ++i) {
    const int64_t stamp = now_ns();
    scan.header.stamp.sec = static_cast<int32_t>(stamp / 1000000000);
    scan.header.stamp.nanosec = static_cast<uint32_t>(stamp % 1000000000);
    scans->publish(scan);
    std::this_thread::sleep_for(10ms);  // 100 Hz, more than a scanner's rate
  }
  send(*control, "latency_end");
  for (int flood = 1; flood <= bursts; ++flood) {
    for (int i = 0; i < burst_messages; ++i) {
      flood_scans->publish(scan);
    }
    send(*control, "flood_end");
  }
  for (int burst = 1; burst <= bursts; ++burst) {
    for (int i = 0; i < burst_messages; ++i) {
      burst_scans->publish(scan);
    }
    if (!subscriber.wait_for_output("burst " + std::to_string(burst) + " ", 120s)) {
      std::fprintf(stderr, "burst %d did not arrive:\n%s", burst, subscriber.output().c_str());
      return 1;
    }
  }
  send(*control, "quit");
  const int status = subscriber.wait_for_exit(60s);
  const std::string output = subscriber.output();
  std::printf("%s", output.c_str());

  const double bytes_per_scan = 4.0 + 28.0 + 7 * 4.0 + 2 * (4.0 + 4.0 * beams);
  const double flood_rate = median(rates_of(output, "flood"));
  const double burst_rate = median(rates_of(output, "burst"));
  std::printf(
    "summary: %d-beam LaserScan (%.0f bytes), medians: latency %.3f ms (%d scans at 100 Hz); "
    "throughput best effort %.0f scans/s = %.1f MB/s with %.0f%% of each burst delivered, "
    "reliable %.0f scans/s = %.1f MB/s with all delivered (%d bursts of %d)\n",
    beams, bytes_per_scan, median(values_of(output, "latency", "median_ms")), latency_messages,
    flood_rate, flood_rate * bytes_per_scan * 1e-6,
    100.0 * median(values_of(output, "flood", "count")) / burst_messages, burst_rate,
    burst_rate * bytes_per_scan * 1e-6, bursts, burst_messages);
  node.reset();
  rclcpp::shutdown();
  return status == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char ** argv)
{
  if (argc > 2 && std::string(argv[1]) == "--subscriber") {
    return run_subscriber(std::atoi(argv[2]));
  }
  const int latency_messages = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int bursts = argc > 2 ? std::atoi(argv[2]) : 5;
  const int burst_messages = argc > 3 ? std::atoi(argv[3]) : 2000;
  return run_publisher(argv[0], latency_messages, bursts, burst_messages);
}
