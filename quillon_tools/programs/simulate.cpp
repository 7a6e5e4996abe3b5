// Plays a built-in scenario live, as the robot would: both scanners' LaserScans, odometry on
// "/tf" and the scanner mounts on "/tf_static", paced by the wall clock and stamped with the
// current ROS time. With --bag it writes the whole scenario into a bag instead, as fast as it
// can, with the simulation's own stamps, and with --truth its ground truth as CSV.
//   quillon_simulate [--scenario NAME] [--scanner MODEL] [--seed N] [--duration S]
//                    [--rate-factor F] [--loop] [--truth OUT.csv] [--ros-args ...]
//   quillon_simulate --bag OUT_BAG [--truth OUT.csv] [--scenario NAME] [--scanner MODEL]
//                    [--seed N] [--duration S]
// Live, --truth writes the ground truth stamped like the published scans (rate factor 1 only).
// --scanner simulates a real scanner model instead of the scenario's own (or the built-in one).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/scenario_bag.hpp"
#include "quillon_tools/simulation/scanner_model.hpp"
#include "quillon_tools/simulation/scenario.hpp"
#include "quillon_tools/simulation/simulator.hpp"
#include "quillon_tools/simulation/stamp.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "tf2_ros/qos.hpp"

namespace
{

using quillon_tools::SimulatedScan;
using quillon_tools::Simulator;
using quillon_tools::SimulatorConfig;

struct Options
{
  std::string scenario = quillon_tools::DEFAULT_SCENARIO;
  std::string scanner;  // empty keeps the scenario's own
  uint64_t seed = 1;
  double rate_factor = 1.0;
  double duration_s = 0.0;  // seconds; 0 keeps the scenario's own length
  bool loop = false;
  std::string bag;
  std::string truth;
};

std::string usageText()
{
  std::string names;
  for (const auto & n : quillon_tools::scenarioNames()) {
    names += " " + n;
  }
  for (const auto & n : quillon_tools::longScenarioNames()) {
    names += " " + n;
  }
  std::string models;
  for (const auto & n : quillon_tools::scannerModelNames()) {
    models += " " + n;
  }
  return "usage: quillon_simulate [--scenario NAME] [--scanner MODEL] [--seed N] [--duration S] "
         "[--rate-factor F] [--loop] [--truth OUT.csv]\n"
         "       quillon_simulate --bag OUT_BAG [--truth OUT.csv] [--scenario NAME] "
         "[--scanner MODEL] [--seed N] [--duration S]\n"
         "scenarios:" +
         names +
         "\nscanner models (default: the scenario's, else the built-in idealised scanner):" +
         models + "\n";
}

bool parseUnsigned(const std::string & text, uint64_t & value)
{
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  try {
    value = std::stoull(text);
  } catch (const std::exception &) {
    return false;
  }
  return true;
}

bool parsePositive(const std::string & text, double & value)
{
  char * end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && std::isfinite(value) && value > 0.0;
}

// Our own options come before any "--ros-args" section, which is left to rclcpp::init.
bool parseOptions(int argc, char ** argv, Options & options)
{
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--ros-args") {
      break;
    }
    if (arg == "--loop") {
      options.loop = true;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "quillon_simulate: %s needs a value\n", arg.c_str());
      return false;
    }
    const std::string value = argv[++i];
    bool ok = true;
    if (arg == "--scenario") {
      options.scenario = value;
    } else if (arg == "--scanner") {
      options.scanner = value;
    } else if (arg == "--seed") {
      ok = parseUnsigned(value, options.seed);
    } else if (arg == "--bag") {
      options.bag = value;
    } else if (arg == "--truth") {
      options.truth = value;
    } else if (arg == "--duration") {
      ok = parsePositive(value, options.duration_s);
    } else if (arg == "--rate-factor") {
      ok = parsePositive(value, options.rate_factor);
    } else {
      std::fprintf(stderr, "quillon_simulate: unknown option %s\n", arg.c_str());
      return false;
    }
    if (!ok) {
      std::fprintf(
        stderr, "quillon_simulate: bad value \"%s\" for %s\n", value.c_str(), arg.c_str());
      return false;
    }
  }
  // Live ground truth is stamped with the published stamps, which only match the simulated
  // motion at the real pace and for a single pass.
  if (
    !options.truth.empty() && options.bag.empty() && (options.rate_factor != 1.0 || options.loop)) {
    std::fprintf(stderr, "quillon_simulate: a live --truth needs rate factor 1 and no --loop\n");
    return false;
  }
  return true;
}

// The whole scenario at once, on the simulation's own time; nothing goes on the network.
int writeBag(
  const quillon_tools::Scenario & scenario, const SimulatorConfig & config, const Options & options)
{
  try {
    const auto truth = quillon_tools::writeScenarioBag(scenario, config, options.bag);
    std::printf(
      "Scenario \"%s\" (%.0f s, seed %llu): %zu scans written to %s\n", scenario.name.c_str(),
      scenario.duration_s, static_cast<unsigned long long>(options.seed), truth.frames.size(),
      options.bag.c_str());
    if (!options.truth.empty()) {
      quillon_tools::writeGroundTruthCsv(options.truth, truth);
      std::printf("Ground truth: %s\n", options.truth.c_str());
    }
  } catch (const std::exception & e) {
    std::fprintf(stderr, "quillon_simulate: %s\n", e.what());
    return 1;
  }
  return 0;
}

// Sleeps until the wall-clock moment, waking early when the context shuts down.
void waitUntil(std::chrono::steady_clock::time_point when)
{
  const auto remaining = when - std::chrono::steady_clock::now();
  if (remaining > std::chrono::steady_clock::duration::zero()) {
    rclcpp::sleep_for(std::chrono::duration_cast<std::chrono::nanoseconds>(remaining));
  }
}

class LivePublisher
{
public:
  explicit LivePublisher(const rclcpp::Node::SharedPtr & node)
  : node_(node),
    tf_static_(node->create_publisher<tf2_msgs::msg::TFMessage>(
      "/tf_static", tf2_ros::StaticBroadcasterQoS())),
    tf_(node->create_publisher<tf2_msgs::msg::TFMessage>("/tf", tf2_ros::DynamicBroadcasterQoS())),
    scan_01_(
      node->create_publisher<sensor_msgs::msg::LaserScan>("/scan_01", rclcpp::SensorDataQoS())),
    scan_02_(
      node->create_publisher<sensor_msgs::msg::LaserScan>("/scan_02", rclcpp::SensorDataQoS()))
  {
  }

  void publishMounts(const Simulator & simulator)
  {
    tf2_msgs::msg::TFMessage message;
    message.transforms = simulator.staticTransforms();
    const auto now = node_->now();
    for (auto & t : message.transforms) {
      t.header.stamp = now;
    }
    tf_static_->publish(message);
  }

  void publish(geometry_msgs::msg::TransformStamped odom_to_base)
  {
    odom_to_base.header.stamp = node_->now();
    tf2_msgs::msg::TFMessage odometry;
    odometry.transforms.push_back(odom_to_base);
    tf_->publish(odometry);
  }

  // Stamps the scan with its first beam's time, `sweep_ns` before now (as a driver publishing at
  // the end of the sweep does), and returns that stamp.
  int64_t publish(SimulatedScan & scan, int64_t sweep_ns)
  {
    const int64_t stamp_ns = node_->now().nanoseconds() - sweep_ns;
    scan.scan.header.stamp = quillon_tools::stampFromNanoseconds(stamp_ns);
    (scan.topic == "/scan_01" ? scan_01_ : scan_02_)->publish(scan.scan);
    return stamp_ns;
  }

private:
  rclcpp::Node::SharedPtr node_;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr tf_static_;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr tf_;
  rclcpp::Publisher<sensor_msgs::msg::LaserScan>::SharedPtr scan_01_;
  rclcpp::Publisher<sensor_msgs::msg::LaserScan>::SharedPtr scan_02_;
};

// One pass through the scenario, each odometry sample and each scan published when its simulated
// time comes.
void playOnce(
  const quillon_tools::Scenario & scenario, const SimulatorConfig & config, double rate_factor,
  LivePublisher & publisher, quillon_tools::GroundTruth * truth)
{
  Simulator simulator(scenario, config);
  const auto wall_start = std::chrono::steady_clock::now();
  // Waits for a simulated stamp; false once the context shuts down.
  const auto reached = [&](int64_t stamp_ns) {
    const double simulated = static_cast<double>(stamp_ns - config.start_stamp_ns) * 1e-9;
    waitUntil(
      wall_start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                     std::chrono::duration<double>(simulated / rate_factor)));
    return rclcpp::ok();
  };
  SimulatedScan scan;
  while (rclcpp::ok() && simulator.next(scan)) {
    for (const auto & odometry : scan.odometry) {
      if (!reached(quillon_tools::stampNanoseconds(odometry.header.stamp))) {
        return;
      }
      publisher.publish(odometry);
    }
    if (!reached(scan.published_ns)) {
      break;
    }
    const auto sweep_ns = static_cast<double>(scan.published_ns - scan.truth.stamp_ns);
    const int64_t stamp_ns = publisher.publish(scan, std::llround(sweep_ns / rate_factor));
    if (truth != nullptr) {
      truth->frames.push_back(scan.truth);
      truth->frames.back().stamp_ns = stamp_ns;
    }
  }
}

}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  const bool help = quillon_tools::asksForHelp(argc, argv);
  if (help || !parseOptions(argc, argv, options)) {
    return quillon_tools::printUsage(usageText(), help);
  }
  quillon_tools::Scenario scenario;
  try {
    scenario = quillon_tools::makeScenario(options.scenario);
    if (!options.scanner.empty()) {
      scenario.scanner = quillon_tools::scannerModel(options.scanner).name;
    }
  } catch (const std::invalid_argument & e) {
    std::fprintf(stderr, "quillon_simulate: %s\n", e.what());
    return 2;
  }
  SimulatorConfig config;
  config.seed = options.seed;
  if (options.duration_s > 0.0) {
    scenario.duration_s = options.duration_s;
  }
  if (!options.bag.empty()) {
    return writeBag(scenario, config, options);
  }

  rclcpp::init(argc, argv);
  auto node = std::make_shared<rclcpp::Node>("scenario_simulator");
  LivePublisher publisher(node);
  std::printf(
    "Simulating scenario \"%s\" (%.0f s, seed %llu, rate factor %g%s)\n", scenario.name.c_str(),
    scenario.duration_s, static_cast<unsigned long long>(options.seed), options.rate_factor,
    options.loop ? ", looping" : "");
  std::fflush(stdout);
  publisher.publishMounts(Simulator(scenario, config));
  quillon_tools::GroundTruth truth = Simulator(scenario, config).groundTruthHeader();
  do {
    playOnce(
      scenario, config, options.rate_factor, publisher, options.truth.empty() ? nullptr : &truth);
  } while (options.loop && rclcpp::ok());
  if (!options.truth.empty()) {
    quillon_tools::writeGroundTruthCsv(options.truth, truth);
    std::printf("Ground truth of the published scans: %s\n", options.truth.c_str());
  }
  node.reset();
  rclcpp::shutdown();
  return 0;
}
