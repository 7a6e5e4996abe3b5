// The input as a configuration file: either a detector YAML file, read by both moving-point
// detectors' loaders, or a ROS 2 parameter file handed to trailscan's and trailmerge's nodes with
// --params-file and read by their parameter declarations. Every file must either load or
// fail with a std::exception; whatever trailscan accepts must lie within its schema's limits of
// what can work; whatever loads is then used for a few scans or object lists, so that a value
// the loaders let through (a zero resolution, a negative size, a NaN) shows the harm it would do
// later.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ament_index_cpp/get_package_share_directory.hpp"
#include "finite_checks.hpp"
#include "fuzzed_bytes.hpp"
#include "harness_runtime.hpp"
#include "invariant.hpp"
#include "quillon_dynamic_detector/check_params/parameter_schema.hpp"
#include "quillon_dynamic_detector/geometric_detector_config.hpp"
#include "quillon_dynamic_detector/trailmerge_node.hpp"
#include "ros2_compat/testing/time_control.hpp"
#include "scanner_under_test.hpp"

namespace
{

using quillon_dynamic_detector::declareTrailscanParameters;
using quillon_dynamic_detector::defaultDetectorConfigPath;
using quillon_dynamic_detector::TrailscanSettings;
using quillon_fuzz::FuzzedBytes;
using sensor_msgs::msg::LaserScan;

constexpr int64_t SECOND_NS = 1000000000LL;
constexpr int64_t START_NS = 1700000000LL * SECOND_NS;
constexpr float PI_F = 3.14159265F;

// The file lives as long as the object: one per process, rewritten for every input.
class TemporaryFile
{
public:
  explicit TemporaryFile(const std::string & text)
  {
    char name[] = "/tmp/quillon_fuzz_config_XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) {
      close(fd);
      path_ = name;
      std::ofstream(path_, std::ios::binary) << text;
    }
  }
  ~TemporaryFile()
  {
    if (!path_.empty()) {
      std::remove(path_.c_str());
    }
  }
  TemporaryFile(const TemporaryFile &) = delete;
  TemporaryFile & operator=(const TemporaryFile &) = delete;

  const std::string & path() const { return path_; }

private:
  std::string path_;
};

// Enough scans for a value the loaders let through to show its harm (the detectors learn their
// map on the first, see motion from the second on); a short scanner keeps every input cheap.
constexpr int SCANS = 3;
constexpr std::size_t BEAMS = 541;

// A room 4 m away with a person-sized bump that moves a few beams per scan.
LaserScan::SharedPtr roomScan(int scan_index, int64_t stamp_ns)
{
  auto scan = std::make_shared<LaserScan>();
  scan->header.stamp.sec = static_cast<int32_t>(stamp_ns / SECOND_NS);
  scan->header.stamp.nanosec = static_cast<uint32_t>(stamp_ns % SECOND_NS);
  scan->header.frame_id = "base_scan_01";
  scan->angle_min = -0.75F * PI_F;
  scan->angle_increment = 1.5F * PI_F / static_cast<float>(BEAMS - 1);
  scan->angle_max = 0.75F * PI_F;
  scan->range_min = 0.05F;
  scan->range_max = 30.0F;
  scan->ranges.assign(BEAMS, 4.0F);
  for (int i = 250 + 2 * scan_index; i < 256 + 2 * scan_index; ++i) {
    scan->ranges[static_cast<std::size_t>(i)] = 1.5F;
  }
  return scan;
}

void runScans(const rclcpp::Node::SharedPtr & node, const TrailscanSettings & settings)
{
  quillon_fuzz::ScannerUnderTest scanner(node, settings);
  geometry_msgs::msg::TransformStamped odom;
  odom.header.frame_id = "odom";
  odom.child_frame_id = "base_footprint";
  scanner.setOdom(odom, true);
  int64_t now_ns = START_NS;
  for (int k = 0; k < SCANS; ++k) {
    ros2_compat::testing::set_system_time(now_ns);
    scanner.process(roomScan(k, now_ns), settings.use_geometric_motion_detector);
    now_ns += SECOND_NS / 10;
  }
}

// The options that hand a parameter file to one node alone: no global re-initialisation.
rclcpp::NodeOptions withParameterFile(const std::string & path)
{
  return rclcpp::NodeOptions().arguments({"--ros-args", "--params-file", path});
}

// Two lists in the target frame (no transform lookups, which would wait on the frozen clock).
void runFusion(const std::string & parameter_file)
{
  auto probe = std::make_shared<rclcpp::Node>("probe");
  auto node = std::make_shared<quillon_dynamic_detector::TrailmergeNode>(
    withParameterFile(parameter_file), false);
  const std::string input = node->get_parameter("input_topic_1").as_string();
  const std::string output = node->get_parameter("output_topic").as_string();
  const std::string markers = node->get_parameter("marker_topic").as_string();
  auto publisher = probe->create_publisher<quillon_protocol::msg::ObjectList>(input, 10);
  auto fused_check = probe->create_subscription<quillon_protocol::msg::ObjectList>(
    output, 10, [output](const quillon_protocol::msg::ObjectList & msg) {
      quillon_fuzz::requireFiniteObjects(msg, output);
    });
  auto markers_check = probe->create_subscription<visualization_msgs::msg::MarkerArray>(
    markers, 10, [markers](const visualization_msgs::msg::MarkerArray & msg) {
      quillon_fuzz::requireFiniteMarkers(msg, markers);
    });
  quillon_protocol::msg::ObjectList list;
  list.header.stamp.sec = static_cast<int32_t>(START_NS / SECOND_NS);
  list.header.frame_id = "";
  for (int k = 0; k < 3; ++k) {
    quillon_protocol::msg::Object o;
    o.pose.position.x = 1.0 + 0.2 * k;
    o.pose.position.y = 0.5;
    o.point_count = 5 + k;
    o.polygon.resize(4);
    list.objects.push_back(o);
  }
  for (int k = 0; k < 2; ++k) {
    publisher->publish(list);
    rclcpp::spin_some(node);
    rclcpp::spin_some(probe);
  }
}

void detectorFile(const std::string & path)
{
  // Either loader may refuse the file; a refusal is a std::exception and ends the input.
  try {
    (void)quillon_dynamic_detector::loadGeometricDetectorConfig(path);
    (void)orvane::perception::DynamicLaserDetector(path);
  } catch (const std::exception &) {
    return;
  }
  quillon_fuzz::initialiseRosOnce();
  for (const bool geometric : {false, true}) {
    auto node = std::make_shared<rclcpp::Node>("laser_subscriber");
    TrailscanSettings settings = declareTrailscanParameters(*node);
    settings.detector_cfg_file = path;
    settings.use_geometric_motion_detector = geometric;
    runScans(node, settings);
  }
}

// Whatever trailscan accepted lies within the limits its schema says can work: a value beyond
// them must have stopped the declaration.
void expectWorkable(rclcpp::Node & node)
{
  static const quillon_dynamic_detector::check_params::ParameterSchema schema =
    quillon_dynamic_detector::check_params::ParameterSchema::load(
      ament_index_cpp::get_package_share_directory("quillon_dynamic_detector") +
      "/schema/trailscan.schema.json");
  for (const auto & parameter : schema.parameters()) {
    if (!node.has_parameter(parameter.name)) {
      continue;
    }
    const rclcpp::Parameter value = node.get_parameter(parameter.name);
    double number = 0.0;
    if (value.get_type() == rclcpp::PARAMETER_DOUBLE) {
      number = value.as_double();
    } else if (value.get_type() == rclcpp::PARAMETER_INTEGER) {
      number = static_cast<double>(value.as_int());
    } else {
      continue;
    }
    if (std::isfinite(number) && !parameter.hard.admits(number)) {
      quillon_fuzz::invariantBroken(
        "trailscan accepted " + parameter.name + " = " + std::to_string(number) +
        ", beyond what can work (" + parameter.hard.text() + ")");
    }
  }
}

// The file is handed to each node through its own arguments, as a launch file does; a file
// that does not parse makes the node's construction throw.
void parameterFile(const std::string & path)
{
  quillon_fuzz::initialiseRosOnce();
  try {
    auto node = std::make_shared<rclcpp::Node>("laser_subscriber", withParameterFile(path));
    TrailscanSettings settings = declareTrailscanParameters(*node);
    expectWorkable(*node);
    // A path from the file could name a device or a huge file; the detector file is fuzzed
    // on its own.
    settings.detector_cfg_file = defaultDetectorConfigPath();
    runScans(node, settings);
    runFusion(path);
  } catch (const std::exception &) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  quillon_fuzz::initialiseRosOnce();
  quillon_fuzz::silenceTransformLookupErrors();
  FuzzedBytes in(data, size);
  const bool as_parameter_file = in.flag();
  const TemporaryFile file(in.rest());
  if (file.path().empty()) {
    return 0;
  }
  ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
  if (as_parameter_file) {
    parameterFile(file.path());
  } else {
    detectorFile(file.path());
  }
  return 0;
}
