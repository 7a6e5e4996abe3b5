#include "quillon_tools/runner/replay_runner.hpp"

#include <chrono>
#include <stdexcept>
#include <utility>

#include "quillon_dynamic_detector/trailmerge_node.hpp"
#include "quillon_dynamic_detector/trailscan_node.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "rclcpp/executors/single_threaded_executor.hpp"
#include "rclcpp/rclcpp.hpp"
#include "rosgraph_msgs/msg/clock.hpp"

namespace quillon_tools
{
namespace
{

using quillon_protocol::msg::ObjectList;
using visualization_msgs::msg::MarkerArray;

// A list arrives at most three callbacks after its scan (trailscan, then trailmerge, then the
// collector); one more pass proves that nothing is left.
constexpr int SETTLING_PASSES = 4;

// Recorded stamps are old compared with this machine's clock. trailscan measures ages on the
// replay's simulated clock, where a scan arrives at its own stamp; the limit stays out of reach
// all the same, so that no scan the replay hands over late is dropped.
constexpr double REPLAY_MAX_INPUT_AGE_MS = 1.0e15;

rclcpp::NodeOptions simulatedTimeOptions(std::vector<rclcpp::Parameter> overrides)
{
  overrides.insert(overrides.begin(), rclcpp::Parameter("use_sim_time", true));
  return rclcpp::NodeOptions().use_clock_thread(false).parameter_overrides(overrides);
}

// Declares trailscan's parameters on a throw-away node of its name, so that values from the
// process's parameter files meet the program's own checks before the runner overrides them.
void checkTrailscanParameters()
{
  const auto probe = std::make_shared<rclcpp::Node>(
    "laser_subscriber", rclcpp::NodeOptions().use_clock_thread(false));
  quillon_dynamic_detector::declareTrailscanParameters(*probe);
}

builtin_interfaces::msg::Time toStamp(int64_t time_ns)
{
  builtin_interfaces::msg::Time t;
  t.sec = static_cast<int32_t>(time_ns / 1000000000LL);
  t.nanosec = static_cast<uint32_t>(time_ns % 1000000000LL);
  return t;
}

}  // namespace

struct ReplayRunner::Nodes
{
  rclcpp::executors::SingleThreadedExecutor executor;
  rclcpp::Node::SharedPtr source;
  rclcpp::Publisher<rosgraph_msgs::msg::Clock>::SharedPtr clock_pub;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr tf_pub;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr tf_static_pub;
  std::map<std::string, rclcpp::Publisher<sensor_msgs::msg::LaserScan>::SharedPtr> scan_pubs;
  std::vector<rclcpp::SubscriptionBase::SharedPtr> collectors;
  std::unique_ptr<quillon_dynamic_detector::TrailscanNode> trailscan;
  std::shared_ptr<quillon_dynamic_detector::TrailmergeNode> trailmerge;
  tf2_msgs::msg::TFMessage static_transforms;
  ReplayOutputs outputs;
  std::chrono::steady_clock::time_point fed_at;

  ReplayOptions options;

  void collectLists(const std::string & topic);
  void collectMarkers(const std::string & topic);
  void watchStaticMap(const std::string & topic);
  void watchDebugCloud(const std::string & topic);
  void setClock(int64_t time_ns);
  void settle();
};

void ReplayRunner::Nodes::collectLists(const std::string & topic)
{
  collectors.push_back(source->create_subscription<ObjectList>(
    topic, rclcpp::QoS(100), [this, topic](ObjectList::ConstSharedPtr msg) {
      const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - fed_at;
      ReceivedList received{*msg, took.count()};
      if (options.on_list) {
        options.on_list(topic, received);
      }
      if (options.keep_outputs) {
        outputs.lists[topic].push_back(std::move(received));
      }
    }));
}

void ReplayRunner::Nodes::watchStaticMap(const std::string & topic)
{
  collectors.push_back(source->create_subscription<sensor_msgs::msg::PointCloud2>(
    topic, rclcpp::QoS(10), [this, topic](sensor_msgs::msg::PointCloud2::ConstSharedPtr msg) {
      options.on_static_map(topic, *msg);
    }));
}

void ReplayRunner::Nodes::watchDebugCloud(const std::string & topic)
{
  collectors.push_back(source->create_subscription<sensor_msgs::msg::PointCloud2>(
    topic, rclcpp::QoS(10), [this, topic](sensor_msgs::msg::PointCloud2::ConstSharedPtr msg) {
      options.on_debug_cloud(topic, *msg);
    }));
}

void ReplayRunner::Nodes::collectMarkers(const std::string & topic)
{
  collectors.push_back(source->create_subscription<MarkerArray>(
    topic, rclcpp::QoS(100), [this, topic](MarkerArray::ConstSharedPtr msg) {
      if (options.keep_outputs) {
        outputs.markers[topic].push_back(*msg);
      }
    }));
}

void ReplayRunner::Nodes::setClock(int64_t time_ns)
{
  rosgraph_msgs::msg::Clock clock;
  clock.clock = toStamp(time_ns);
  clock_pub->publish(clock);
  settle();
}

void ReplayRunner::Nodes::settle()
{
  for (int pass = 0; pass < SETTLING_PASSES; ++pass) {
    executor.spin_some();
  }
}

ReplayRunner::ReplayRunner(const ReplayOptions & options) : nodes_(std::make_unique<Nodes>())
{
  checkTrailscanParameters();
  Nodes & n = *nodes_;
  n.options = options;
  n.source = std::make_shared<rclcpp::Node>("replay_source");
  n.clock_pub = n.source->create_publisher<rosgraph_msgs::msg::Clock>("/clock", rclcpp::ClockQoS());
  n.tf_pub = n.source->create_publisher<tf2_msgs::msg::TFMessage>("/tf", rclcpp::QoS(100));
  n.tf_static_pub = n.source->create_publisher<tf2_msgs::msg::TFMessage>(
    "/tf_static", rclcpp::QoS(1).transient_local());
  for (const char * topic : {"/scan_01", "/scan_02"}) {
    n.scan_pubs[topic] =
      n.source->create_publisher<sensor_msgs::msg::LaserScan>(topic, rclcpp::SensorDataQoS());
  }
  for (const char * topic : {"/objects_laser1", "/objects_laser2", "/objects_laser"}) {
    n.collectLists(topic);
  }
  for (const char * topic :
       {"/scan1/pedestrian_markers", "/scan2/pedestrian_markers", "/objects_laser_markers"}) {
    n.collectMarkers(topic);
  }
  if (options.on_static_map) {
    for (const char * topic : {"/scan1/local_static_map_cloud", "/scan2/local_static_map_cloud"}) {
      n.watchStaticMap(topic);
    }
  }

  if (options.on_debug_cloud) {
    for (const char * scanner : {"/scan1", "/scan2"}) {
      for (const char * cloud :
           {"/dynamic_cloud", "/static_cloud", "/raw_dynamic_candidate_cloud",
            "/confirmed_dynamic_cloud", "/local_static_map_cloud"}) {
        n.watchDebugCloud(std::string(scanner) + cloud);
      }
    }
  }

  std::vector<rclcpp::Parameter> trailscan_parameters{
    rclcpp::Parameter("runtime.max_input_age_ms", REPLAY_MAX_INPUT_AGE_MS),
    rclcpp::Parameter("runtime.input_age_on_node_clock", true),
    rclcpp::Parameter("frontend.use_geometric_motion_detector", options.geometric_detector)};
  trailscan_parameters.insert(
    trailscan_parameters.end(), options.trailscan_parameters.begin(),
    options.trailscan_parameters.end());
  auto trailscan_node =
    std::make_shared<rclcpp::Node>("laser_subscriber", simulatedTimeOptions(trailscan_parameters));
  quillon_dynamic_detector::TrailscanNode::Options trailscan_options;
  trailscan_options.dedicated_tf_thread = false;
  if (options.on_detector_output) {
    trailscan_options.on_detector_output = [observer = options.on_detector_output](
                                             std::size_t scanner, const auto & scan,
                                             const auto & moving, const auto & still) {
      observer(scanner == 0 ? "/scan_01" : "/scan_02", scan, moving, still);
    };
  }
  if (options.on_tracker_output) {
    trailscan_options.on_tracker_output = [observer = options.on_tracker_output](
                                            std::size_t scanner, const auto & scan,
                                            const auto & detections, const auto & tracks) {
      observer(scanner == 0 ? "/scan_01" : "/scan_02", scan, detections, tracks);
    };
  }
  n.trailscan =
    std::make_unique<quillon_dynamic_detector::TrailscanNode>(trailscan_node, trailscan_options);
  n.trailmerge = std::make_shared<quillon_dynamic_detector::TrailmergeNode>(
    simulatedTimeOptions(options.trailmerge_parameters), false);

  n.executor.add_node(n.source);
  n.executor.add_node(trailscan_node);
  n.executor.add_node(n.trailmerge);
}

ReplayRunner::~ReplayRunner()
{
  Nodes & n = *nodes_;
  n.executor.remove_node(n.trailmerge);
  n.executor.remove_node(n.trailscan->node());
  n.executor.remove_node(n.source);
}

void ReplayRunner::feedStaticTransforms(
  const tf2_msgs::msg::TFMessage & transforms, int64_t time_ns)
{
  Nodes & n = *nodes_;
  n.setClock(time_ns);
  // Like a static broadcaster: every static transform so far, in one latched message.
  for (const auto & t : transforms.transforms) {
    n.static_transforms.transforms.push_back(t);
  }
  n.tf_static_pub->publish(n.static_transforms);
  n.settle();
}

bool ReplayRunner::start() { return nodes_->trailscan->start(false); }

void ReplayRunner::feedTransforms(const tf2_msgs::msg::TFMessage & transforms, int64_t time_ns)
{
  Nodes & n = *nodes_;
  n.setClock(time_ns);
  n.tf_pub->publish(transforms);
  n.settle();
}

void ReplayRunner::feedScan(
  const std::string & topic, const sensor_msgs::msg::LaserScan & scan, int64_t time_ns)
{
  Nodes & n = *nodes_;
  const auto publisher = n.scan_pubs.find(topic);
  if (publisher == n.scan_pubs.end()) {
    throw std::invalid_argument("no scanner listens on '" + topic + "'");
  }
  n.setClock(time_ns);
  n.fed_at = std::chrono::steady_clock::now();
  publisher->second->publish(scan);
  n.settle();
}

const ReplayOutputs & ReplayRunner::outputs() const { return nodes_->outputs; }

std::size_t ReplayRunner::trackCount(std::size_t scanner) const
{
  return nodes_->trailscan->trackCount(scanner);
}

const quillon_dynamic_detector::ScanOutcomeCounts & ReplayRunner::scanOutcomes(
  std::size_t scanner) const
{
  return nodes_->trailscan->scanOutcomes(scanner);
}

bool ReplayRunner::poseAvailable(const builtin_interfaces::msg::Time & stamp) const
{
  return nodes_->trailscan->poseAvailable(stamp);
}

rclcpp::Parameter ReplayRunner::trailscanParameter(const std::string & name) const
{
  return nodes_->trailscan->node()->get_parameter(name);
}

}  // namespace quillon_tools
