#include <gtest/gtest.h>

#include <pcl/search/kdtree.h>
#include <pcl/segmentation/extract_clusters.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cluster_builders.hpp"
#include "quillon_dynamic_detector/cluster_palette.hpp"
#include "quillon_dynamic_detector/output_messages.hpp"
#include "quillon_dynamic_detector/scan_pipeline.hpp"
#include "quillon_dynamic_detector/self_filter.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "ros2_compat/testing/time_control.hpp"

using namespace quillon_dynamic_detector;
using ros2_compat::testing::LogCapture;
using sensor_msgs::msg::LaserScan;

namespace
{

constexpr int64_t START_NS = 1000LL * 1000000000LL;

// Everything a received message of one topic needs to be checked.
template <typename MessageT>
struct Received
{
  typename rclcpp::Subscription<MessageT>::SharedPtr subscription;
  std::vector<MessageT> messages;
};

// One scanner's processing, wired as start-up wires it, with every output topic collected.
class PipelineHarness
{
public:
  // `clusterer`: instead of the one start-up makes.
  explicit PipelineHarness(bool with_odom = true, std::shared_ptr<Clusterer> clusterer = nullptr)
  : node_(std::make_shared<rclcpp::Node>("laser_subscriber")),
    settings_(declareTrailscanParameters(*node_)),
    buffer_(std::make_shared<tf2_ros::Buffer>(node_->get_clock())),
    clusterer_(clusterer ? clusterer : makeClusterer(settings_.clustering)),
    closed_(settings_.detector_cfg_file),
    geometric_(settings_.detector_cfg_file),
    tracker_(std::make_unique<PedestrianTracker>(settings_.tracker))
  {
    buffer_->setUsingDedicatedThread(true);
    if (with_odom) {
      geometry_msgs::msg::TransformStamped odom;
      odom.header.frame_id = "odom";
      odom.child_frame_id = "base_footprint";
      buffer_->setTransform(odom, "test", true);
    }
    const rclcpp::QoS qos(1);
    dynamic_pub_ =
      node_->create_publisher<sensor_msgs::msg::PointCloud2>("/scan1/dynamic_cloud", qos);
    static_pub_ =
      node_->create_publisher<sensor_msgs::msg::PointCloud2>("/scan1/static_cloud", qos);
    raw_pub_ = node_->create_publisher<sensor_msgs::msg::PointCloud2>(
      "/scan1/raw_dynamic_candidate_cloud", qos);
    confirmed_pub_ =
      node_->create_publisher<sensor_msgs::msg::PointCloud2>("/scan1/confirmed_dynamic_cloud", qos);
    map_pub_ =
      node_->create_publisher<sensor_msgs::msg::PointCloud2>("/scan1/local_static_map_cloud", qos);
    objects_pub_ =
      node_->create_publisher<quillon_protocol::msg::ObjectList>("/objects_laser1", qos);
    markers_pub_ = node_->create_publisher<visualization_msgs::msg::MarkerArray>(
      "/scan1/pedestrian_markers", qos);
    collect(dynamic_, "/scan1/dynamic_cloud");
    collect(static_, "/scan1/static_cloud");
    collect(raw_, "/scan1/raw_dynamic_candidate_cloud");
    collect(confirmed_, "/scan1/confirmed_dynamic_cloud");
    collect(map_, "/scan1/local_static_map_cloud");
    collect(objects, "/objects_laser1");
    collect(markers, "/scan1/pedestrian_markers");
  }

  ScanOutcome process(const LaserScan::ConstSharedPtr & scan, bool geometric = false)
  {
    const ScanOutcome outcome = geometric ? run(scan, geometric_) : run(scan, closed_);
    rclcpp::spin_some(node_);
    return outcome;
  }

  std::size_t messagesOnAnyTopic() const
  {
    return dynamic_.messages.size() + static_.messages.size() + raw_.messages.size() +
           confirmed_.messages.size() + map_.messages.size() + objects.messages.size() +
           markers.messages.size();
  }

  std::vector<const sensor_msgs::msg::PointCloud2 *> detectorClouds() const
  {
    return {&raw_.messages.back(), &confirmed_.messages.back(), &map_.messages.back()};
  }

  const sensor_msgs::msg::PointCloud2 & lastDynamicCloud() const
  {
    return dynamic_.messages.back();
  }

  const sensor_msgs::msg::PointCloud2 & lastStaticCloud() const { return static_.messages.back(); }

  // Every cloud published so far, topic by topic.
  std::vector<std::vector<sensor_msgs::msg::PointCloud2>> allClouds() const
  {
    return {dynamic_.messages, static_.messages, raw_.messages, confirmed_.messages, map_.messages};
  }

  // Puts the robot, standing still, at (x, y, yaw) in "odom", with the scanner at its centre.
  void placeRobot(double x, double y, double yaw)
  {
    geometry_msgs::msg::TransformStamped odom;
    odom.header.frame_id = "odom";
    odom.child_frame_id = "base_footprint";
    odom.transform.translation.x = x;
    odom.transform.translation.y = y;
    odom.transform.rotation.z = std::sin(yaw / 2.0);
    odom.transform.rotation.w = std::cos(yaw / 2.0);
    buffer_->setTransform(odom, "test", true);
    geometry_msgs::msg::TransformStamped mount;
    mount.header.frame_id = "base_footprint";
    mount.child_frame_id = "base_scan_01";
    buffer_->setTransform(mount, "test", true);
  }

  // A fresh tracker with `config` instead of the declared parameters' one.
  void useTracker(const TrackerConfig & config)
  {
    tracker_ = std::make_unique<PedestrianTracker>(config);
  }

  Received<quillon_protocol::msg::ObjectList> objects;
  Received<visualization_msgs::msg::MarkerArray> markers;
  TrackingFrame tracking_frame = TrackingFrame::Scanner;
  SelfFilter self_filter;
  ScanObservers observers;

private:
  template <typename Detector>
  ScanOutcome run(const LaserScan::ConstSharedPtr & scan, Detector & detector)
  {
    return processLaserScan(
      scan, buffer_, detector, *clusterer_, dynamic_pub_, static_pub_, raw_pub_, confirmed_pub_,
      map_pub_, objects_pub_, markers_pub_, "top_scan_01", "base_scan_01", settings_.clustering,
      settings_.cluster_merge, settings_.classifier, settings_.max_input_age_ms, *tracker_,
      tracking_frame, self_filter, observers);
  }

  template <typename MessageT>
  void collect(Received<MessageT> & received, const std::string & topic)
  {
    received.subscription = node_->create_subscription<MessageT>(
      topic, rclcpp::QoS(10),
      [&received](const MessageT & msg) { received.messages.push_back(msg); });
  }

  rclcpp::Node::SharedPtr node_;
  TrailscanSettings settings_;
  std::shared_ptr<tf2_ros::Buffer> buffer_;
  std::shared_ptr<Clusterer> clusterer_;
  orvane::perception::DynamicLaserDetector closed_;
  GeometricMotionDetector geometric_;
  std::unique_ptr<PedestrianTracker> tracker_;
  CloudPublisher dynamic_pub_, static_pub_, raw_pub_, confirmed_pub_, map_pub_;
  ObjectListPublisher objects_pub_;
  MarkerPublisher markers_pub_;
  Received<sensor_msgs::msg::PointCloud2> dynamic_, static_, raw_, confirmed_, map_;
};

LaserScan::SharedPtr roomScanAt(const cluster_builders::Room & room, int64_t stamp_ns)
{
  auto scan = cluster_builders::makeRoomScan(room);
  scan->header.stamp.sec = static_cast<int32_t>(stamp_ns / 1000000000LL);
  scan->header.stamp.nanosec = static_cast<uint32_t>(stamp_ns % 1000000000LL);
  return scan;
}

class ScanPipelineTest : public ::testing::Test
{
protected:
  void SetUp() override { rclcpp::init(0, nullptr); }
  void TearDown() override { rclcpp::shutdown(); }
};

}  // namespace

// The age limit is inclusive; a scan 0.1 ms older is dropped before any work. The closed
// detector's debug topics get empty clouds, stamped like the scan, the map one in "odom".
TEST_F(ScanPipelineTest, AgeLimitAndTheClosedDetectorsDebugClouds)
{
  ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
  LogCapture log;
  PipelineHarness harness;
  const cluster_builders::Room room;

  harness.process(roomScanAt(room, START_NS - 250000000LL));
  ASSERT_EQ(harness.objects.messages.size(), 1u);
  const auto & list = harness.objects.messages[0];
  EXPECT_EQ(list.header.frame_id, "base_scan_01");
  EXPECT_EQ(list.header.stamp.sec, 999);
  EXPECT_EQ(list.header.stamp.nanosec, 750000000u);
  EXPECT_EQ(list.sensor_name, "top_scan_01");
  EXPECT_EQ(list.sensor_type, 3);
  EXPECT_TRUE(list.objects.empty());
  EXPECT_TRUE(harness.markers.messages.empty());  // no track, so no marker array at all
  const std::vector<std::string> frames{"base_scan_01", "base_scan_01", "odom"};
  const auto clouds = harness.detectorClouds();
  for (std::size_t i = 0; i < clouds.size(); ++i) {
    EXPECT_EQ(clouds[i]->header.frame_id, frames[i]);
    EXPECT_EQ(clouds[i]->header.stamp, list.header.stamp);
    EXPECT_EQ(clouds[i]->width, 0u);
    EXPECT_EQ(clouds[i]->height, 1u);
  }
  EXPECT_EQ(harness.lastDynamicCloud().width, 0u);  // an empty room has no moving cluster
  EXPECT_EQ(harness.lastDynamicCloud().height, 1u);

  const std::size_t before = harness.messagesOnAnyTopic();
  harness.process(roomScanAt(room, START_NS - 250100000LL));
  EXPECT_EQ(harness.messagesOnAnyTopic(), before);
  EXPECT_EQ(
    log.count("[PERF] drop_stale_frame sensor=top_scan_01 input_age=250.1ms threshold=250.0ms"),
    1u);
  EXPECT_EQ(log.count("[PERF] sensor=top_scan_01 input_age=250.0ms output_age=250.0ms"), 1u);
}

// Each form of the pipeline throttles its own lines; malformed scans are dropped with a line.
TEST_F(ScanPipelineTest, DropsMalformedScansAndThrottlesPerForm)
{
  // Throttles live for the whole process: start later than the other tests' lines.
  const int64_t start = START_NS + 100LL * 1000000000LL;
  ros2_compat::testing::ScopedFakeSystemTime fake_time(start);
  LogCapture log;
  PipelineHarness harness;
  const cluster_builders::Room room;
  const auto stale = roomScanAt(room, start - 2000000000LL);
  EXPECT_EQ(harness.process(stale, false), ScanOutcome::kStale);
  harness.process(stale, false);  // same statement within 1 s: throttled
  harness.process(stale, true);   // the other form has its own throttle
  EXPECT_EQ(log.count("drop_stale_frame"), 2u);

  auto no_angle = roomScanAt(room, start);
  no_angle->angle_increment = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(harness.process(no_angle), ScanOutcome::kMalformed);
  auto negative = roomScanAt(room, start);
  negative->header.stamp.sec = -5;
  EXPECT_EQ(harness.process(negative), ScanOutcome::kMalformed);
  // Finite angle settings whose later beams overflow to an infinite angle (a NaN point).
  auto overflowing = roomScanAt(room, start);
  overflowing->angle_increment = std::numeric_limits<float>::max();
  EXPECT_EQ(harness.process(overflowing), ScanOutcome::kMalformed);
  EXPECT_EQ(harness.messagesOnAnyTopic(), 0u);
  EXPECT_EQ(
    log.count(
      "[INPUT] drop_malformed_scan sensor=top_scan_01 angle_min=-2.356194 angle_increment=nan"),
    1u);
  EXPECT_EQ(log.count("[INPUT] drop_invalid_stamp sensor=top_scan_01 stamp=-5."), 1u);

  // Up to the beam limit a scan is processed, beyond it dropped before any work.
  auto widest = roomScanAt(room, start);
  widest->ranges.assign(MAX_SCAN_BEAMS, 3.0F);
  widest->angle_increment =
    widest->angle_increment * 1080.0F / static_cast<float>(MAX_SCAN_BEAMS - 1);
  EXPECT_EQ(harness.process(widest), ScanOutcome::kProcessed);
  EXPECT_EQ(harness.objects.messages.size(), 1u);
  auto oversized = roomScanAt(room, start);
  oversized->ranges.assign(MAX_SCAN_BEAMS + 1, 0.0F);
  EXPECT_EQ(harness.process(oversized), ScanOutcome::kMalformed);
  EXPECT_EQ(harness.objects.messages.size(), 1u);
  EXPECT_EQ(
    log.count(
      "[INPUT] drop_oversized_scan sensor=top_scan_01 beams=" + std::to_string(MAX_SCAN_BEAMS + 1) +
      " limit=" + std::to_string(MAX_SCAN_BEAMS) + ": too many beams"),
    1u);
}

// Without the robot's pose nothing of that scan reaches any topic.
TEST_F(ScanPipelineTest, FailedPoseLookupPublishesNothing)
{
  LogCapture log;
  PipelineHarness harness(false);
  const auto now = rclcpp::Clock(RCL_ROS_TIME).now().nanoseconds();
  EXPECT_EQ(harness.process(roomScanAt(cluster_builders::Room(), now)), ScanOutcome::kNoTransform);
  EXPECT_EQ(harness.messagesOnAnyTopic(), 0u);
  EXPECT_EQ(log.count("Transform base_footprint to odom error of sensor data"), 1u);

  // Tracking in odom also needs the scanner's mount; without it the scan goes the same way.
  PipelineHarness without_mount;
  without_mount.tracking_frame = TrackingFrame::Odom;
  EXPECT_EQ(
    without_mount.process(roomScanAt(cluster_builders::Room(), now)), ScanOutcome::kNoTransform);
  EXPECT_EQ(without_mount.messagesOnAnyTopic(), 0u);
}

// Beams that read 0, less than 0 or less than the received scan's minimum are beams without an
// echo: the clustered clouds come out as for beams without a return, no cluster on the scanner.
TEST_F(ScanPipelineTest, ReadingsBelowTheScansMinimumAreNoReturns)
{
  ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
  cluster_builders::Room room;
  cluster_builders::addPerson(room, 1.5F, 0.3F);
  const auto withReading = [&](float reading) {
    auto scan = roomScanAt(room, START_NS);
    for (std::size_t i = 290; i < 490; ++i) {
      scan->ranges[i] = reading;
      scan->ranges[i + 300] = reading;
    }
    return scan;
  };
  // One harness at a time: harnesses listen on the same topics.
  const auto cloudsOf = [&](float reading, bool geometric) {
    PipelineHarness harness;
    EXPECT_EQ(harness.process(withReading(reading), geometric), ScanOutcome::kProcessed);
    return std::make_pair(harness.lastStaticCloud().data, harness.lastDynamicCloud().data);
  };
  for (const bool geometric : {false, true}) {
    SCOPED_TRACE(geometric ? "geometric detector" : "closed detector");
    const auto expected = cloudsOf(cluster_builders::NO_RETURN, geometric);
    ASSERT_FALSE(expected.first.empty());  // the walls and the person
    for (const float reading : {0.0F, -2.0F, 0.049F}) {
      EXPECT_TRUE(cloudsOf(reading, geometric) == expected) << "reading " << reading;
    }
  }
}

// Everything one harness published on its seven topics.
struct Published
{
  std::vector<quillon_protocol::msg::ObjectList> objects;
  std::vector<visualization_msgs::msg::MarkerArray> markers;
  std::vector<std::vector<sensor_msgs::msg::PointCloud2>> clouds;
};

// The clusterer's grid search finds exactly what PCL's kd-tree finds: every message of a walk
// through a furnished room is the same as with a kd-tree-searched clusterer.
TEST_F(ScanPipelineTest, PublishesWhatAKdTreeSearchedClustererPublishes)
{
  const ClusteringConfig config;
  auto kd_tree_clusterer = std::make_shared<Clusterer>();
  kd_tree_clusterer->setClusterTolerance(config.tolerance);
  kd_tree_clusterer->setMinClusterSize(config.min_cluster_size);
  kd_tree_clusterer->setMaxClusterSize(config.max_cluster_size);
  kd_tree_clusterer->setSearchMethod(std::make_shared<pcl::search::KdTree<pcl::PointXYZ>>(true));
  // One harness at a time: harnesses listen on the same topics.
  const auto walk = [](bool geometric, const std::shared_ptr<Clusterer> & clusterer) {
    ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
    PipelineHarness harness(true, clusterer);
    for (int k = 0; k < 30; ++k) {
      cluster_builders::Room room;
      room.circles = {{3.0F, 2.0F, 0.4F}, {-2.0F, 1.5F, 0.03F}, {-1.2F, 1.5F, 0.03F}};
      cluster_builders::addWalkingPerson(room, -2.0F, 1.0F, 1.0F, 0.1F * k);
      cluster_builders::addWalkingPerson(room, 2.0F, -1.2F, -0.8F, 0.1F * k);
      cluster_builders::addPerson(room, 0.5F, -0.6F);
      const int64_t now = START_NS + k * 100000000LL;
      ros2_compat::testing::set_system_time(now);
      harness.process(roomScanAt(room, now), geometric);
    }
    return Published{harness.objects.messages, harness.markers.messages, harness.allClouds()};
  };
  for (const bool geometric : {false, true}) {
    SCOPED_TRACE(geometric ? "geometric detector" : "closed detector");
    const Published grid = walk(geometric, nullptr);
    const Published kd_tree = walk(geometric, kd_tree_clusterer);
    ASSERT_EQ(grid.objects.size(), 30u);
    EXPECT_FALSE(grid.markers.empty());
    EXPECT_TRUE(grid.objects == kd_tree.objects);
    EXPECT_TRUE(grid.markers == kd_tree.markers);
    EXPECT_TRUE(grid.clouds == kd_tree.clouds);
  }
}

TEST(ColouredClusterCloud, PaletteIndicesRunOnFromMovingToStaticClustersModulo80)
{
  cluster_builders::ClusterList twenty;
  for (int k = 0; k < 20; ++k) {
    twenty.push_back(cluster_builders::makeLeg(0.5F * k, 1.0F));
  }
  const auto moving = buildColouredClusterCloud(twenty, 0);
  ASSERT_EQ(moving.size(), 20u * 9u);
  EXPECT_EQ(moving.width, moving.size());
  EXPECT_EQ(moving.height, 1u);
  EXPECT_EQ(moving[9 * 19].r, CLUSTER_PALETTE[19].r);
  EXPECT_EQ(moving[9 * 19].b, CLUSTER_PALETTE[19].b);
  EXPECT_EQ(moving[0].a, 255);
  const auto statics = buildColouredClusterCloud({cluster_builders::makeLeg(0.0F, 2.0F)}, 20);
  EXPECT_EQ(statics[0].r, 170);  // entry 20 is (170, 255, 0)
  EXPECT_EQ(statics[0].g, 255);
  EXPECT_EQ(statics[0].b, 0);

  cluster_builders::ClusterList many(81, cluster_builders::makeLeg(1.0F, 1.0F));
  const auto wrapped = buildColouredClusterCloud(many, 0);
  EXPECT_EQ(wrapped[9 * 80].r, 0);  // the 81st cluster reuses entry 0: (0, 114, 189)
  EXPECT_EQ(wrapped[9 * 80].g, 114);
  EXPECT_EQ(wrapped[9 * 80].b, 189);
  EXPECT_EQ(buildColouredClusterCloud({}, 0).height, 1u);
}

// The geometric form publishes the detector's own debug clouds: its learnt map in "odom".
TEST_F(ScanPipelineTest, TheGeometricFormPublishesTheDetectorsMapInOdom)
{
  ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
  PipelineHarness harness;
  harness.process(roomScanAt(cluster_builders::Room(), START_NS), true);
  harness.process(roomScanAt(cluster_builders::Room(), START_NS), true);
  ASSERT_EQ(harness.objects.messages.size(), 2u);
  const auto clouds = harness.detectorClouds();
  EXPECT_EQ(clouds[2]->header.frame_id, "odom");
  EXPECT_GT(clouds[2]->width, 100u);  // the room's walls were learnt on the first scan
  EXPECT_EQ(clouds[0]->header.frame_id, "base_scan_01");
}

// A person walking across the scanner's field becomes a published, confirmed pedestrian with a
// plausible velocity; markers appear only with tracks.
TEST_F(ScanPipelineTest, AWalkingPersonBecomesAPublishedPedestrian)
{
  for (const bool geometric : {false, true}) {
    SCOPED_TRACE(geometric ? "geometric detector" : "closed detector");
    ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
    PipelineHarness harness;
    int64_t now = START_NS;
    auto step = [&](const cluster_builders::Room & room) {
      harness.process(roomScanAt(room, now), geometric);
      now += 100000000LL;
      ros2_compat::testing::set_system_time(now);
    };
    for (int k = 0; k < 10; ++k) {
      step(cluster_builders::Room());  // the empty room first
    }
    EXPECT_EQ(harness.objects.messages.size(), 10u);
    EXPECT_TRUE(harness.markers.messages.empty());

    // Walk 1 m/s along y = 1.5 for 3.5 s, then look at the last published list.
    float truth_x = 0.0F;
    for (int k = 0; k < 35; ++k) {
      cluster_builders::Room room;
      truth_x = cluster_builders::addWalkingPerson(room, -2.0F, 1.5F, 1.0F, 0.1F * k);
      step(room);
    }
    // Wall stretches that the walker uncovers may be reported too: take the one on the walker.
    const quillon_protocol::msg::Object * pedestrian = nullptr;
    for (const auto & o : harness.objects.messages.back().objects) {
      if (o.classification == 1 && std::abs(o.pose.position.y - 1.5) < 0.5) {
        pedestrian = &o;
      }
    }
    ASSERT_NE(pedestrian, nullptr);
    EXPECT_NEAR(pedestrian->pose.position.x, truth_x, 0.3);
    EXPECT_NEAR(pedestrian->velocity_x, 1.0, 0.3);
    EXPECT_NEAR(pedestrian->velocity_y, 0.0, 0.3);
    EXPECT_FALSE(harness.markers.messages.empty());
    EXPECT_EQ(harness.markers.messages.back().markers[0].header.frame_id, "base_scan_01");
  }
}

// Tracking in "odom" is invisible to a robot that stands still, wherever it stands, whether the
// returns are carried there at the scan's stamp or at each beam's moment of a timed sweep: the
// same pedestrian is published at the same place in the scanner frame, with the same velocity
// and markers, as when tracking in the scanner frame.
TEST_F(ScanPipelineTest, TrackingInOdomPublishesInTheScannerFrameAsBefore)
{
  const TrackingFrame frames[] = {
    TrackingFrame::Scanner, TrackingFrame::Odom, TrackingFrame::OdomAtBeamTime};
  std::vector<quillon_protocol::msg::ObjectList> lists[3];
  std::vector<visualization_msgs::msg::MarkerArray> markers[3];
  for (int f = 0; f < 3; ++f) {
    ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
    PipelineHarness harness;
    harness.placeRobot(12.0, -7.0, 2.0);
    harness.tracking_frame = frames[f];
    int64_t now = START_NS;
    for (int k = 0; k < 45; ++k) {
      cluster_builders::Room room;
      if (k >= 10) {
        cluster_builders::addWalkingPerson(room, -2.0F, 1.5F, 1.0F, 0.1F * (k - 10));
      }
      const LaserScan::SharedPtr scan = roomScanAt(room, now);
      scan->time_increment = 0.05F / static_cast<float>(scan->ranges.size());
      EXPECT_EQ(harness.process(scan), ScanOutcome::kProcessed);
      now += 100000000LL;
      ros2_compat::testing::set_system_time(now);
    }
    lists[f] = harness.objects.messages;
    markers[f] = harness.markers.messages;
  }
  ASSERT_FALSE(lists[0].back().objects.empty());
  for (int f = 1; f < 3; ++f) {
    ASSERT_EQ(lists[0].size(), lists[f].size());
    for (std::size_t i = 0; i < lists[0].size(); ++i) {
      ASSERT_EQ(lists[0][i].objects.size(), lists[f][i].objects.size()) << i;
      EXPECT_EQ(lists[f][i].header.frame_id, "base_scan_01");
      for (std::size_t j = 0; j < lists[0][i].objects.size(); ++j) {
        const auto & a = lists[0][i].objects[j];
        const auto & b = lists[f][i].objects[j];
        EXPECT_NEAR(a.pose.position.x, b.pose.position.x, 1e-3);
        EXPECT_NEAR(a.pose.position.y, b.pose.position.y, 1e-3);
        EXPECT_NEAR(a.velocity_x, b.velocity_x, 1e-2);
        EXPECT_NEAR(a.velocity_y, b.velocity_y, 1e-2);
        EXPECT_EQ(a.classification, b.classification);
      }
    }
    ASSERT_EQ(markers[0].size(), markers[f].size());
    const auto & label_in_scanner = markers[0].back().markers.at(2);
    const auto & label_in_odom = markers[f].back().markers.at(2);
    EXPECT_EQ(label_in_odom.header.frame_id, "base_scan_01");
    EXPECT_NEAR(label_in_scanner.pose.position.x, label_in_odom.pose.position.x, 1e-3);
    EXPECT_NEAR(label_in_scanner.pose.position.y, label_in_odom.pose.position.y, 1e-3);
    EXPECT_EQ(label_in_scanner.text, label_in_odom.text);
  }
}

// At the clock's start there is no pose a sweep before the stamp, nor one after it yet: the scan
// is carried at its stamp instead of failing.
TEST_F(ScanPipelineTest, AScanAtTheClocksStartIsTrackedAtBeamTimeWithoutAnEarlierPose)
{
  const int64_t now = 10000000LL;  // 10 ms after the clock's zero, within one sweep
  ros2_compat::testing::ScopedFakeSystemTime fake_time(now);
  PipelineHarness harness;
  harness.placeRobot(1.0, 2.0, 0.5);
  harness.tracking_frame = TrackingFrame::OdomAtBeamTime;
  const LaserScan::SharedPtr scan = roomScanAt(cluster_builders::Room(), now);
  scan->time_increment = 0.05F / static_cast<float>(scan->ranges.size());
  EXPECT_EQ(harness.process(scan), ScanOutcome::kProcessed);
  EXPECT_EQ(harness.objects.messages.size(), 1u);
}

// A tool watching the tracker sees every track, in the scanner frame even when tracking in
// "odom": the walker's track before it is confirmed, and afterwards the very objects the list
// publishes. The detector's observer sees the scan before the tracker's.
TEST_F(ScanPipelineTest, ObserversSeeEveryTrackInTheScannerFrameBeforeItIsPublished)
{
  ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
  PipelineHarness harness;
  harness.placeRobot(12.0, -7.0, 2.0);
  harness.tracking_frame = TrackingFrame::Odom;
  std::vector<std::string> calls;
  std::vector<TrackSnapshot> tracks;
  std::vector<quillon_protocol::msg::Object> detections;
  harness.observers.detector_output = [&](const auto &, const auto &, const auto &) {
    calls.push_back("detector");
  };
  harness.observers.tracker_output = [&](const auto &, const auto & d, const auto & t) {
    calls.push_back("tracker");
    detections = d;
    tracks = t;
  };
  int64_t now = START_NS;
  bool seen_tentative_before_publication = false;
  int published_scans = 0;
  int walker_detected = 0;
  for (int k = 0; k < 45; ++k) {
    cluster_builders::Room room;
    float walker_x = 0.0F;
    if (k >= 10) {
      walker_x = cluster_builders::addWalkingPerson(room, -2.0F, 1.5F, 1.0F, 0.1F * (k - 10));
    }
    ASSERT_EQ(harness.process(roomScanAt(room, now)), ScanOutcome::kProcessed);
    now += 100000000LL;
    ros2_compat::testing::set_system_time(now);
    const auto on_walker = [&](float x, float y) {
      return k >= 10 && std::hypot(x - walker_x, y - 1.5F) < 0.3F;
    };
    const auto & published = harness.objects.messages.back().objects;
    if (published.empty()) {
      seen_tentative_before_publication |=
        std::any_of(tracks.begin(), tracks.end(), [&](const TrackSnapshot & t) {
          return t.state == TrackState::Tentative && on_walker(t.x, t.y);
        });
      continue;
    }
    std::size_t published_tracks = 0;
    for (const TrackSnapshot & t : tracks) {
      published_tracks += t.pedestrian && t.state != TrackState::Tentative ? 1 : 0;
    }
    ASSERT_EQ(published_tracks, published.size()) << "scan " << k;
    EXPECT_TRUE(std::any_of(tracks.begin(), tracks.end(), [&](const TrackSnapshot & t) {
      return std::hypot(t.x - published[0].pose.position.x, t.y - published[0].pose.position.y) <
             1e-3;
    }));
    ++published_scans;
    walker_detected += std::any_of(detections.begin(), detections.end(), [&](const auto & d) {
      return on_walker(
        static_cast<float>(d.pose.position.x), static_cast<float>(d.pose.position.y));
    });
  }
  EXPECT_TRUE(seen_tentative_before_publication);
  EXPECT_GT(walker_detected, published_scans / 2);
  ASSERT_FALSE(harness.objects.messages.back().objects.empty());
  ASSERT_EQ(calls.size(), 90u);
  EXPECT_EQ(calls[0], "detector");
  EXPECT_EQ(calls[1], "tracker");
}

// With "tracker.seen_empty_timeout", a pedestrian who vanishes where the scan now sees the wall
// behind them leaves the list within that time, in the scanner frame as in "odom" from a robot
// that stands elsewhere and faces another way; without it the track coasts on.
TEST_F(ScanPipelineTest, APedestrianWhosePlaceTheScanSeesEmptyLeavesTheListInTime)
{
  // Lists after the person vanished that still hold a pedestrian.
  const auto lists_still_with_a_pedestrian = [](float timeout_s, bool in_odom) {
    ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
    PipelineHarness harness;
    harness.placeRobot(12.0, -7.0, 2.0);
    harness.tracking_frame = in_odom ? TrackingFrame::Odom : TrackingFrame::Scanner;
    TrackerConfig config;
    config.seen_empty_timeout = timeout_s;
    harness.useTracker(config);
    int64_t now = START_NS;
    int with_pedestrian = 0;
    for (int k = 0; k < 55; ++k) {
      cluster_builders::Room room;
      const bool walking = k >= 10 && k < 45;
      if (walking) {
        cluster_builders::addWalkingPerson(room, -2.0F, 1.5F, 1.0F, 0.1F * (k - 10));
      }
      harness.process(roomScanAt(room, now));
      now += 100000000LL;
      ros2_compat::testing::set_system_time(now);
      const auto & objects = harness.objects.messages.back().objects;
      const bool pedestrian = std::any_of(
        objects.begin(), objects.end(), [](const auto & o) { return o.classification == 1; });
      with_pedestrian += !walking && k >= 45 && pedestrian;
      EXPECT_TRUE(!walking || k < 20 || pedestrian) << "walking, scan " << k;
    }
    return with_pedestrian;
  };
  for (const bool in_odom : {false, true}) {
    SCOPED_TRACE(in_odom ? "tracking in odom" : "tracking in the scanner frame");
    EXPECT_GE(lists_still_with_a_pedestrian(0.0F, in_odom), 3);
    EXPECT_LE(lists_still_with_a_pedestrian(0.05F, in_odom), 1);
  }
}

// A robot driving along +x at 1 m/s past three posts and a person walking the same way at
// 1.5 m/s, tracking in "odom", with a leg-sized part of its own body in view 0.7 m behind it to
// the left, which moves along with it.
constexpr double BODY_X = -0.5;
constexpr double BODY_Y = 0.5;

Published driveWithTheBodyInView(bool geometric, const SelfFilter & self_filter)
{
  ros2_compat::testing::ScopedFakeSystemTime fake_time(START_NS);
  PipelineHarness harness;
  harness.self_filter = self_filter;
  harness.tracking_frame = TrackingFrame::Odom;
  for (int k = 0; k < 40; ++k) {
    const float travelled = 0.1F * static_cast<float>(k);
    cluster_builders::Room room;  // walls beyond every range that is examined
    room.half_x = 12.0F;
    room.half_y = 12.0F;
    room.circles = {{static_cast<float>(BODY_X), static_cast<float>(BODY_Y), 0.05F}};
    for (const float post_x : {1.0F, 3.0F, 5.0F}) {
      room.circles.push_back({post_x - travelled, -1.5F, 0.1F});
    }
    cluster_builders::addWalkingPerson(room, -1.0F - travelled, 1.5F, 1.5F, 0.1F * k);
    const int64_t now = START_NS + k * 100000000LL;
    ros2_compat::testing::set_system_time(now);
    harness.placeRobot(travelled, 0.0, 0.0);
    harness.process(roomScanAt(room, now), geometric);
  }
  return Published{harness.objects.messages, harness.markers.messages, harness.allClouds()};
}

bool onTheBody(const quillon_protocol::msg::Object & o)
{
  return std::hypot(o.pose.position.x - BODY_X, o.pose.position.y - BODY_Y) < 0.3;
}

// Points of a published cluster cloud within 0.1 m of the body.
std::size_t cloudPointsOnTheBody(const sensor_msgs::msg::PointCloud2 & cloud)
{
  uint32_t x_offset = 0;
  uint32_t y_offset = 0;
  for (const auto & field : cloud.fields) {
    x_offset = field.name == "x" ? field.offset : x_offset;
    y_offset = field.name == "y" ? field.offset : y_offset;
  }
  std::size_t count = 0;
  for (std::size_t at = 0; at + cloud.point_step <= cloud.data.size(); at += cloud.point_step) {
    float x = 0.0F;
    float y = 0.0F;
    std::memcpy(&x, &cloud.data[at + x_offset], sizeof(x));
    std::memcpy(&y, &cloud.data[at + y_offset], sizeof(y));
    count += std::hypot(x - BODY_X, y - BODY_Y) < 0.1;
  }
  return count;
}

// While the robot drives, the geometric detector takes its own body for a pedestrian walking
// along with it (the stand-in never does: the body keeps its range). With the body outlined,
// neither detector sees it: no object and no clustered point lies on it, and every other
// object is published exactly as without the self-filter.
TEST_F(ScanPipelineTest, TheSelfFilterKeepsTheRobotsBodyOutAndChangesNothingElse)
{
  SelfFilter body;
  body.footprint = {{-0.7, 0.3}, {-0.3, 0.3}, {-0.3, 0.7}, {-0.7, 0.7}};
  for (const bool geometric : {false, true}) {
    SCOPED_TRACE(geometric ? "geometric detector" : "closed detector");
    const Published off = driveWithTheBodyInView(geometric, SelfFilter());
    const Published on = driveWithTheBodyInView(geometric, body);
    ASSERT_EQ(off.objects.size(), 40u);
    ASSERT_EQ(on.objects.size(), 40u);
    std::size_t body_objects = 0;
    std::size_t other_objects = 0;
    for (std::size_t i = 0; i < off.objects.size(); ++i) {
      std::vector<quillon_protocol::msg::Object> others;
      for (const auto & o : off.objects[i].objects) {
        if (onTheBody(o)) {
          ++body_objects;
        } else {
          others.push_back(o);
        }
      }
      other_objects += others.size();
      ASSERT_EQ(on.objects[i].objects.size(), others.size()) << "scan " << i;
      for (std::size_t j = 0; j < others.size(); ++j) {
        EXPECT_EQ(on.objects[i].objects[j].pose.position, others[j].pose.position);
        EXPECT_EQ(on.objects[i].objects[j].velocity_x, others[j].velocity_x);
        EXPECT_EQ(on.objects[i].objects[j].classification, others[j].classification);
      }
    }
    EXPECT_GT(other_objects, 20u);  // the walker, in most of the 40 lists
    EXPECT_EQ(body_objects > 20u, geometric);
    // The last scan's clustered moving and static points.
    const auto bodyPoints = [](const Published & run) {
      return cloudPointsOnTheBody(run.clouds[0].back()) +
             cloudPointsOnTheBody(run.clouds[1].back());
    };
    EXPECT_GT(bodyPoints(off), 0u);
    EXPECT_EQ(bodyPoints(on), 0u);
  }
}
