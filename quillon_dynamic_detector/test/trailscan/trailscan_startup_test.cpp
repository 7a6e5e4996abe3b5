#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "quillon_dynamic_detector/trailscan_node.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

using namespace std::chrono_literals;
using ros2_compat::testing::LogCapture;

namespace
{

// Runs the whole program on a thread of this process, as main would.
class TrailscanThread
{
public:
  explicit TrailscanThread(std::vector<std::string> args) : args_(std::move(args))
  {
    args_.insert(args_.begin(), "trailscan");
    thread_ = std::thread([this] {
      std::vector<char *> argv;
      for (std::string & a : args_) {
        argv.push_back(a.data());
      }
      status_ = quillon_dynamic_detector::runTrailscan(static_cast<int>(argv.size()), argv.data());
    });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!rclcpp::ok() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(5ms);
    }
  }

  ~TrailscanThread()
  {
    if (thread_.joinable()) {
      rclcpp::shutdown();
      thread_.join();
    }
  }

  int join()
  {
    thread_.join();
    return status_;
  }

private:
  std::vector<std::string> args_;
  std::thread thread_;
  int status_ = -1;
};

tf2_msgs::msg::TFMessage transformMessage(
  const std::string & parent, const std::string & child, const rclcpp::Time & stamp)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.stamp = stamp;
  t.header.frame_id = parent;
  t.child_frame_id = child;
  t.transform.translation.x = 0.2;
  tf2_msgs::msg::TFMessage msg;
  msg.transforms.push_back(t);
  return msg;
}

// The rest of a robot for a trailscan under test: its mounts and odometry on TF, scanner 1's
// scans, and scanner 1's object lists as they come back.
struct RobotSource
{
  RobotSource()
  : node(std::make_shared<rclcpp::Node>("tf_and_scan_source")),
    tf_static(node->create_publisher<tf2_msgs::msg::TFMessage>(
      "/tf_static", rclcpp::QoS(10).transient_local())),
    tf(node->create_publisher<tf2_msgs::msg::TFMessage>("/tf", rclcpp::QoS(100))),
    scans(node->create_publisher<sensor_msgs::msg::LaserScan>("/scan_01", rclcpp::SensorDataQoS())),
    objects(node->create_subscription<quillon_protocol::msg::ObjectList>(
      "/objects_laser1", rclcpp::QoS(10),
      [this](const quillon_protocol::msg::ObjectList & msg) { received.push_back(msg); }))
  {
  }

  void mount(const std::string & scanner_frame)
  {
    tf_static->publish(
      transformMessage("base_footprint", scanner_frame, rclcpp::Time(0, 0, RCL_ROS_TIME)));
  }

  // How many subscribe to scanner 1's scans, once one does (10 s at most).
  std::size_t scanSubscriptions() const
  {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (scans->get_subscription_count() == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(10ms);
    }
    return scans->get_subscription_count();
  }

  // Publishes fresh scans of scanner 1, with the robot's pose known at their stamps, until an
  // object list of scanner 1 comes back (10 s at most), and checks its header.
  void expectAListOfScanner1()
  {
    rclcpp::Clock system_clock(RCL_ROS_TIME);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (received.empty() && std::chrono::steady_clock::now() < deadline) {
      const rclcpp::Time now = system_clock.now();
      tf->publish(transformMessage("odom", "base_footprint", now));
      sensor_msgs::msg::LaserScan scan;
      scan.header.stamp = now;
      scan.header.frame_id = "base_scan_01";
      scan.angle_increment = 0.01f;
      scan.range_max = 30.0f;
      scan.ranges.assign(100, 2.0f);
      scans->publish(scan);
      rclcpp::spin_some(node);
      std::this_thread::sleep_for(50ms);
      rclcpp::spin_some(node);
    }
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].header.frame_id, "base_scan_01");
    EXPECT_EQ(received[0].sensor_name, "top_scan_01");
    EXPECT_EQ(received[0].sensor_type, 3);
  }

  rclcpp::Node::SharedPtr node;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr tf_static;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr tf;
  rclcpp::Publisher<sensor_msgs::msg::LaserScan>::SharedPtr scans;
  std::vector<quillon_protocol::msg::ObjectList> received;
  rclcpp::Subscription<quillon_protocol::msg::ObjectList>::SharedPtr objects;
};

double secondsBetween(
  const ros2_compat::testing::LogRecord & a, const ros2_compat::testing::LogRecord & b)
{
  return (b.stamp_nanoseconds - a.stamp_nanoseconds) * 1e-9;
}

std::vector<ros2_compat::testing::LogRecord> recordsWith(
  const LogCapture & log, const std::string & text)
{
  std::vector<ros2_compat::testing::LogRecord> found;
  for (const auto & r : log.records()) {
    if (r.line.find(text) != std::string::npos) {
      found.push_back(r);
    }
  }
  return found;
}

struct ProcessResult
{
  int status;
  std::vector<std::string> lines;
};

ProcessResult runTrailscanProcess(const std::string & ros_args)
{
  const std::string command =
    std::string(TRAILSCAN_EXECUTABLE) + " --ros-args " + ros_args + " 2>&1";
  FILE * pipe = popen(command.c_str(), "r");
  ProcessResult result{-1, {}};
  char buffer[4096];
  while (fgets(buffer, sizeof(buffer), pipe)) {
    result.lines.emplace_back(buffer);
  }
  const int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return result;
}

}  // namespace

// Start-up blocks, one ERROR per attempt about 1.2 s apart, until both scanners' mounting
// transforms resolve; only then does it subscribe and process scans.
TEST(TrailscanStartup, SubscribesOnlyAfterBothMountingTransformsResolve)
{
  LogCapture log;
  TrailscanThread app({});
  ASSERT_TRUE(rclcpp::ok());
  RobotSource robot;

  const std::string scan1_error = "Transform base_scan_01 to base_footprint error of sensor data";
  ASSERT_TRUE(log.wait_for(scan1_error, 10s, 2));
  const auto attempts = recordsWith(log, scan1_error);
  EXPECT_EQ(attempts[0].severity, 40);
  EXPECT_GE(secondsBetween(attempts[0], attempts[1]), 1.1);
  EXPECT_LE(secondsBetween(attempts[0], attempts[1]), 3.0);
  EXPECT_EQ(robot.scans->get_subscription_count(), 0u);

  robot.mount("base_scan_01");
  ASSERT_TRUE(
    log.wait_for("Transform base_scan_02 to base_footprint error of sensor data", 10s, 2));
  EXPECT_EQ(robot.scans->get_subscription_count(), 0u);
  EXPECT_FALSE(log.contains("[config]"));

  robot.mount("base_scan_02");
  ASSERT_TRUE(
    log.wait_for("[config] tolerance=0.18 min_cluster_size=10 max_cluster_size=1000", 10s));
  EXPECT_EQ(recordsWith(log, "[config]")[0].logger, "trailscan");
  ASSERT_EQ(robot.scanSubscriptions(), 1u);
  robot.expectAListOfScanner1();

  rclcpp::shutdown();
  EXPECT_EQ(app.join(), 0);
}

// On a robot with one scanner, "single_scanner" starts trailscan on scanner 1's mount alone: it
// subscribes to "/scan_01" only and processes its scans.
TEST(TrailscanStartup, OneScannerStartsWithoutTheSecondMount)
{
  LogCapture log;
  TrailscanThread app({"--ros-args", "-p", "single_scanner:=true"});
  ASSERT_TRUE(rclcpp::ok());
  RobotSource robot;
  auto second_scans =
    robot.node->create_publisher<sensor_msgs::msg::LaserScan>("/scan_02", rclcpp::SensorDataQoS());

  robot.mount("base_scan_01");
  ASSERT_TRUE(log.wait_for("[config]", 10s));
  ASSERT_EQ(robot.scanSubscriptions(), 1u);
  EXPECT_EQ(second_scans->get_subscription_count(), 0u);
  EXPECT_FALSE(log.contains("base_scan_02"));
  robot.expectAListOfScanner1();

  rclcpp::shutdown();
  EXPECT_EQ(app.join(), 0);
}

// A misspelt key would leave its parameter at the default without a word: start-up names every
// key that trailscan or its detectors do not have, with the nearest spelling, and goes on.
TEST(TrailscanStartup, KeysItDoesNotHaveAreNamedWithTheirNearestSpelling)
{
  const std::string cfg = std::string(::testing::TempDir()) + "misspelt_cfg.yaml";
  std::FILE * file = std::fopen(cfg.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("dynamic_laser_detector:\n  free_space_memroy: 2.0\nlocal_map_max_rnage: 6.0\n", file);
  std::fclose(file);
  LogCapture log;
  TrailscanThread app(
    {"--ros-args", "-p", "clustering.tolerence:=0.3", "-p", "detector_cfg_file:=" + cfg});
  ASSERT_TRUE(log.wait_for("no such parameter", 10s));
  EXPECT_EQ(
    log.count(
      "parameter 'clustering.tolerence' is set, but laser_subscriber has no such parameter; did "
      "you mean 'clustering.tolerance'? It is ignored."),
    1u);
  EXPECT_TRUE(log.wait_for("neither detector has", 10s, 2));
  EXPECT_EQ(
    log.count(
      "sets 'dynamic_laser_detector.free_space_memroy', which neither detector has; did you mean "
      "'dynamic_laser_detector.free_space_memory'? It is ignored."),
    1u);
  EXPECT_EQ(log.count("sets 'local_map_max_rnage'"), 1u);
  std::remove(cfg.c_str());
}

// A key that needs another says so at start-up.
TEST(TrailscanStartup, BeamTimeInOdomWithoutTrackingInOdomIsNamedAsWithoutEffect)
{
  LogCapture log;
  TrailscanThread app({"--ros-args", "-p", "tracker.odom_at_beam_time:=true"});
  ASSERT_TRUE(log.wait_for("has no effect without", 10s));
  EXPECT_EQ(
    log.count("parameter 'tracker.odom_at_beam_time' is set, but it has no effect without "
              "'tracker.track_in_odom'"),
    1u);
}

// A replay serves TF from the node's own executor on a simulated clock that only that executor
// advances: a lookup cannot wait for a missing mounting, start-up reports it at once.
TEST(TrailscanStartup, ReplayLookupsFailAtOnceOnASimulatedClock)
{
  rclcpp::init(0, nullptr);
  LogCapture log;
  {
    auto node = std::make_shared<rclcpp::Node>(
      "laser_subscriber", rclcpp::NodeOptions().use_clock_thread(false).parameter_overrides(
                            {rclcpp::Parameter("use_sim_time", true)}));
    quillon_dynamic_detector::TrailscanNode::Options options;
    options.dedicated_tf_thread = false;
    quillon_dynamic_detector::TrailscanNode trailscan(node, options);
    auto starting = std::async(std::launch::async, [&trailscan] { return trailscan.start(false); });
    if (starting.wait_for(60s) != std::future_status::ready) {
      ADD_FAILURE() << "the lookup waits for a clock that cannot move";
      rclcpp::shutdown();  // ends the wait
    }
    EXPECT_FALSE(starting.get());
    EXPECT_EQ(log.count("Transform base_scan_01 to base_footprint error of sensor data: "), 1u);
  }
  rclcpp::shutdown();
}

// Ctrl-C while start-up waits for TF ends the program normally.
TEST(TrailscanStartup, InterruptWhileWaitingForTransformsExitsCleanly)
{
  LogCapture log;
  TrailscanThread app({});
  ASSERT_TRUE(log.wait_for("Transform base_scan_01 to base_footprint error of sensor data", 10s));
  std::raise(SIGINT);
  EXPECT_EQ(app.join(), 0);
  EXPECT_FALSE(rclcpp::ok());
}

// Start-up errors end the program with one clear line and a non-zero status, not an abort.
TEST(TrailscanStartup, StartUpErrorsEndWithOneLineAndStatusOne)
{
  const auto type_error = runTrailscanProcess("-p clustering.min_cluster_size:=2.5");
  EXPECT_EQ(type_error.status, 1);
  ASSERT_EQ(type_error.lines.size(), 1u);
  EXPECT_NE(type_error.lines[0].find("[FATAL] "), std::string::npos);
  EXPECT_NE(
    type_error.lines[0].find(
      "[trailscan]: start-up failed: parameter 'clustering.min_cluster_size' has invalid type: "
      "Wrong parameter type, parameter {clustering.min_cluster_size} is of type {integer}, "
      "setting it to {double} is not allowed."),
    std::string::npos)
    << type_error.lines[0];

  const auto missing_file = runTrailscanProcess("-p detector_cfg_file:=/nonexistent/cfg.yaml");
  EXPECT_EQ(missing_file.status, 1);
  ASSERT_EQ(missing_file.lines.size(), 1u);
  EXPECT_NE(missing_file.lines[0].find("start-up failed:"), std::string::npos);
  EXPECT_NE(missing_file.lines[0].find("/nonexistent/cfg.yaml"), std::string::npos);

  // A number that cannot work is refused with the key, the value and what it must be.
  const auto unworkable = runTrailscanProcess("-p tracker.process_noise_position:=-5.0");
  EXPECT_EQ(unworkable.status, 1);
  ASSERT_EQ(unworkable.lines.size(), 1u);
  EXPECT_NE(
    unworkable.lines[0].find(
      "start-up failed: parameter 'tracker.process_noise_position' is -5, which cannot work: it "
      "must be >= 0 m^2/s^2"),
    std::string::npos)
    << unworkable.lines[0];

  const auto bad_argument = runTrailscanProcess("--bogus");
  EXPECT_EQ(bad_argument.status, 1);
  ASSERT_EQ(bad_argument.lines.size(), 1u);
  EXPECT_NE(
    bad_argument.lines[0].find("start-up failed: found unknown ROS arguments: '--bogus'"),
    std::string::npos);
}
