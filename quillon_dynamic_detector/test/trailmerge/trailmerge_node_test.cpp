#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "object_builders.hpp"
#include "quillon_dynamic_detector/trailmerge_node.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "ros2_compat/testing/time_control.hpp"
#include "rosgraph_msgs/msg/clock.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

using namespace std::chrono_literals;
using object_builders::Object;
using object_builders::objectAt;
using object_builders::ObjectList;
using object_builders::objectList;
using object_builders::stampAt;
using object_builders::withShapeAndReserved;
using object_builders::withVelocity;
using ros2_compat::testing::LogCapture;
using visualization_msgs::msg::Marker;
using visualization_msgs::msg::MarkerArray;

namespace
{

constexpr int64_t SECOND = 1000000000;

// Each test starts a minute after the previous one, so that no log throttle of an earlier test
// in this process holds back a line.
int64_t freshStartTime()
{
  static int64_t start = 1700000000 * SECOND;
  start += 60 * SECOND;
  return start;
}

class TrailmergeNodeTest : public ::testing::Test
{
protected:
  TrailmergeNodeTest() : now_(freshStartTime()), fake_time_(now_) {}

  void SetUp() override
  {
    rclcpp::init(0, nullptr);
    probe_ = std::make_shared<rclcpp::Node>("probe");
    input_1_ = probe_->create_publisher<ObjectList>("/objects_laser1", 10);
    input_2_ = probe_->create_publisher<ObjectList>("/objects_laser2", 10);
    fused_sub_ = probe_->create_subscription<ObjectList>(
      "/objects_laser", 10, [this](const ObjectList & msg) { fused_.push_back(msg); });
    markers_sub_ = probe_->create_subscription<MarkerArray>(
      "/objects_laser_markers", 10, [this](const MarkerArray & msg) { markers_.push_back(msg); });
  }

  void TearDown() override
  {
    node_.reset();
    rclcpp::shutdown();
  }

  void startNode(const std::vector<rclcpp::Parameter> & overrides = {})
  {
    node_ = std::make_shared<quillon_dynamic_detector::TrailmergeNode>(
      rclcpp::NodeOptions().parameter_overrides(overrides));
  }

  // Publishes on one input and lets the node fuse it and the probe receive the result.
  void send(const rclcpp::Publisher<ObjectList>::SharedPtr & input, const ObjectList & list)
  {
    input->publish(list);
    rclcpp::spin_some(node_);
    rclcpp::spin_some(probe_);
  }

  void advance(int64_t nanoseconds)
  {
    now_ += nanoseconds;
    ros2_compat::testing::set_system_time(now_);
  }

  // Publishes the robot's poses and sends `list` on input 1 until the newest fused list's first
  // object lies at (x, y), for at most 10 s: the listener thread stores poses soon, not at once.
  void sendWithPosesUntilAt(
    const tf2_msgs::msg::TFMessage & poses, const ObjectList & list, double x, double y)
  {
    if (!tf_) {
      tf_ = probe_->create_publisher<tf2_msgs::msg::TFMessage>("/tf", 10);
    }
    const auto at = [&] {
      const auto & p = fused_.back().objects.at(0).pose.position;
      return std::abs(p.x - x) < 1e-6 && std::abs(p.y - y) < 1e-6;
    };
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    do {
      tf_->publish(poses);
      std::this_thread::sleep_for(5ms);
      send(input_1_, list);
    } while (!at() && std::chrono::steady_clock::now() < deadline);
    EXPECT_TRUE(at()) << "fused at " << fused_.back().objects.at(0).pose.position.x << ", "
                      << fused_.back().objects.at(0).pose.position.y;
  }

  // A stamp `offset` nanoseconds from the fake now.
  builtin_interfaces::msg::Time ago(int64_t offset) const { return stampAt(now_ - offset); }

  int64_t now_;
  ros2_compat::testing::ScopedFakeSystemTime fake_time_;
  std::shared_ptr<rclcpp::Node> probe_;
  std::shared_ptr<quillon_dynamic_detector::TrailmergeNode> node_;
  rclcpp::Publisher<ObjectList>::SharedPtr input_1_;
  rclcpp::Publisher<ObjectList>::SharedPtr input_2_;
  rclcpp::Publisher<tf2_msgs::msg::TFMessage>::SharedPtr tf_;
  rclcpp::Subscription<ObjectList>::SharedPtr fused_sub_;
  rclcpp::Subscription<MarkerArray>::SharedPtr markers_sub_;
  std::vector<ObjectList> fused_;
  std::vector<MarkerArray> markers_;
};

}  // namespace

// A list without a frame or already in the target frame keeps everything but range and
// bearing, even a speed that does not match its velocity.
TEST_F(TrailmergeNodeTest, ListsInTheTargetFramePassThrough)
{
  LogCapture log;
  startNode();
  EXPECT_EQ(
    log.count("[trailmerge]: trailmerge started: inputs=(/objects_laser1,/objects_laser2) "
              "output=/objects_laser target_frame=base_footprint merge_distance=0.45"),
    1u);

  auto object = withShapeAndReserved(withVelocity(objectAt(3.0, 4.0, 15), 0.3, 0.0));
  object.speed = 2.0;
  object.range = 0.0;
  object.bearing = 0.0;
  Object expected = object;
  expected.range = 5.0;
  expected.bearing = std::atan2(4.0, 3.0);

  for (const char * frame : {"", "base_footprint"}) {
    send(input_1_, objectList(frame, ago(0), {object}));
    ASSERT_FALSE(fused_.empty());
    const ObjectList & out = fused_.back();
    EXPECT_EQ(out.header.stamp, stampAt(now_));
    EXPECT_EQ(out.header.frame_id, "base_footprint");
    EXPECT_EQ(out.sensor_name, "laser_fused");
    EXPECT_EQ(out.sensor_type, 3);
    ASSERT_EQ(out.objects.size(), 1u);
    EXPECT_EQ(out.objects[0], expected);
  }
}

// One looked-up transform carries the pose, the outline and the velocity of every object.
TEST_F(TrailmergeNodeTest, ObjectsOfAScannerFrameAreCarriedIntoTheTargetFrame)
{
  startNode({rclcpp::Parameter("tf_timeout", 0.0)});
  auto tf_static = probe_->create_publisher<tf2_msgs::msg::TFMessage>(
    "/tf_static", rclcpp::QoS(1).transient_local());
  tf2_msgs::msg::TFMessage tf;
  tf.transforms.push_back(
    object_builders::planarTransform("base_footprint", "base_scan_01", 0.3, -0.2, M_PI / 2.0));
  tf_static->publish(tf);

  // The listener thread stores the transform soon; until then objects are dropped.
  const auto list = objectList(
    "base_scan_01", ago(0), {withVelocity(objectAt(1.0, 0.0), 1.0, 0.0), objectAt(1.0, 2.0)});
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while ((fused_.empty() || fused_.back().objects.empty()) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
    send(input_1_, list);
  }
  ASSERT_EQ(fused_.back().objects.size(), 2u);
  const Object & out = fused_.back().objects[0];
  EXPECT_NEAR(out.pose.position.x, 0.3, 1e-9);
  EXPECT_NEAR(out.pose.position.y, 0.8, 1e-9);
  EXPECT_NEAR(out.velocity_x, 0.0, 1e-9);
  EXPECT_NEAR(out.velocity_y, 1.0, 1e-9);
  EXPECT_NEAR(out.speed, 1.0, 1e-9);
  EXPECT_NEAR(out.polygon[0].x, 0.4, 1e-6);  // corner (0.9, -0.1)
  EXPECT_NEAR(out.polygon[0].y, 0.7, 1e-6);
  EXPECT_NEAR(fused_.back().objects[1].pose.position.x, -1.7, 1e-9);
}

// With the list age compensated, an object seen 0.1 s ago, while the robot has since driven
// 0.5 m towards it and turned a quarter, is fused where it stands now; without, where it was.
TEST_F(TrailmergeNodeTest, ListAgeCompensationCarriesObjectsAlongTheRobotsMotion)
{
  for (const bool compensate : {false, true}) {
    fused_.clear();
    startNode(
      {rclcpp::Parameter("tf_timeout", 0.0), rclcpp::Parameter("compensate_list_age", compensate)});
    tf2_msgs::msg::TFMessage poses;
    poses.transforms.push_back(
      object_builders::planarTransform("odom", "base_footprint", 0.0, 0.0, 0.0));
    poses.transforms.back().header.stamp = ago(SECOND / 10);
    poses.transforms.push_back(
      object_builders::planarTransform("odom", "base_footprint", 0.5, 0.0, M_PI / 2.0));
    poses.transforms.back().header.stamp = ago(0);
    const auto list = objectList("base_footprint", ago(SECOND / 10), {objectAt(2.0, 0.0)});
    sendWithPosesUntilAt(poses, list, compensate ? 0.0 : 2.0, compensate ? -1.5 : 0.0);
    node_.reset();
  }
}

// With list age compensated, the drawing's memory of where each id was moves with the robot
// too: an object that swings 2.7 m across base_footprint as the robot turns a quarter keeps its
// display id.
TEST_F(TrailmergeNodeTest, DisplayIdsFollowObjectsWhileTheRobotTurns)
{
  startNode({rclcpp::Parameter("tf_timeout", 0.0), rclcpp::Parameter("compensate_list_age", true)});
  tf2_msgs::msg::TFMessage poses;
  const auto add_pose = [&poses](double x, double yaw, const builtin_interfaces::msg::Time & at) {
    poses.transforms.push_back(
      object_builders::planarTransform("odom", "base_footprint", x, 0.0, yaw));
    poses.transforms.back().header.stamp = at;
  };
  // Sends a list of one object seen at (2, 0) by the robot 0.2 s ago until the node shows it
  // where the newest pose puts it.
  const auto send_until_at = [&](double x, double y) {
    sendWithPosesUntilAt(
      poses, objectList("base_footprint", ago(SECOND / 5), {objectAt(2.0, 0.0)}), x, y);
    return markers_.back().markers.at(0).id;
  };
  add_pose(-0.1, 0.0, ago(SECOND / 5));
  add_pose(0.0, 0.0, ago(SECOND / 10));
  EXPECT_EQ(send_until_at(1.9, 0.0), 0);
  advance(SECOND / 10);
  add_pose(0.0, M_PI / 2.0, ago(0));
  EXPECT_EQ(send_until_at(0.0, -2.0), 0);  // 2.7 m from where id 0 was drawn in the robot's frame
}

// Without the transform every object is dropped; the warning shows once per 2 s.
TEST_F(TrailmergeNodeTest, MissingTransformDropsEveryObjectWithAThrottledWarning)
{
  LogCapture log;
  startNode({rclcpp::Parameter("tf_timeout", 0.0)});
  const auto list = [this] {
    return objectList("base_scan_02", ago(0), {objectAt(1, 0), objectAt(2, 0), objectAt(3, 0)});
  };
  const std::string warning = "failed to transform object from base_scan_02 to base_footprint: ";
  send(input_2_, list());
  ASSERT_EQ(fused_.size(), 1u);
  EXPECT_TRUE(fused_[0].objects.empty());
  EXPECT_EQ(log.count("[WARN]"), 2u);  // the transform and the performance line
  EXPECT_EQ(log.count(warning), 1u);
  EXPECT_EQ(log.count("collected=0 fused=0"), 1u);

  advance(1999 * SECOND / 1000);
  send(input_2_, list());
  EXPECT_EQ(log.count(warning), 1u);
  advance(SECOND / 1000);
  send(input_2_, list());
  EXPECT_EQ(log.count(warning), 2u);
  EXPECT_EQ(fused_.size(), 3u);
  EXPECT_TRUE(fused_[2].objects.empty());
}

// A list counts as fresh within max_msg_age of the clock on either side, limits included.
TEST_F(TrailmergeNodeTest, FreshnessIsTheAbsoluteAgeWithinTheLimit)
{
  startNode();
  const auto objectsFusedWithStampOffset = [this](int64_t offset) {
    send(input_1_, objectList("base_footprint", ago(offset), {objectAt(1, 0)}));
    return fused_.back().objects.size();
  };
  EXPECT_EQ(objectsFusedWithStampOffset(300000000), 1u);
  EXPECT_EQ(objectsFusedWithStampOffset(300000001), 0u);
  EXPECT_EQ(objectsFusedWithStampOffset(-300000000), 1u);
  EXPECT_EQ(objectsFusedWithStampOffset(-300000001), 0u);
}

// Input 1's objects come first whichever input arrived last, and both are fused together.
TEST_F(TrailmergeNodeTest, InputOneIsCollectedBeforeInputTwo)
{
  startNode();
  send(input_2_, objectList("", ago(0), {objectAt(5, 0), objectAt(1.2, 0, 30)}));
  send(input_1_, objectList("", ago(0), {objectAt(1, 0, 10)}));
  ASSERT_EQ(fused_.size(), 2u);
  ASSERT_EQ(fused_[1].objects.size(), 2u);
  EXPECT_DOUBLE_EQ(fused_[1].objects[0].pose.position.x, (10 * 1.0 + 30 * 1.2) / 40);
  EXPECT_EQ(fused_[1].objects[0].point_count, 40);
  EXPECT_DOUBLE_EQ(fused_[1].objects[1].pose.position.x, 5.0);
}

// With a pair distance, one person's two objects 0.55 m apart, one in each list, are one fused
// object; objects a list loses as unusable do not shift which list the others came from.
TEST_F(TrailmergeNodeTest, APairDistanceJoinsOnePersonsObjectsOfTheTwoLists)
{
  LogCapture log;
  startNode({rclcpp::Parameter("pair_distance", 0.6)});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  send(input_1_, objectList("", ago(0), {objectAt(nan, 0), objectAt(1, 0, 10)}));
  send(input_2_, objectList("", ago(0), {objectAt(1.55, 0, 10), objectAt(4, 0)}));
  ASSERT_EQ(fused_.size(), 2u);
  ASSERT_EQ(fused_[1].objects.size(), 2u);
  EXPECT_DOUBLE_EQ(fused_[1].objects[0].pose.position.x, 1.275);
  EXPECT_DOUBLE_EQ(fused_[1].objects[1].pose.position.x, 4.0);
}

// Two people side by side that the first scanner sees as one object and the second apart stay
// where the second scanner puts them.
TEST_F(TrailmergeNodeTest, KeepingSeparatedObjectsLeavesTwoPeopleTheOtherScannerSeesApart)
{
  startNode({rclcpp::Parameter("keep_separated_objects", true)});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  send(input_1_, objectList("", ago(0), {objectAt(nan, 0), objectAt(1, 0.25, 5)}));
  send(input_2_, objectList("", ago(0), {objectAt(1, 0, 3), objectAt(1, 0.6, 3)}));
  ASSERT_EQ(fused_.size(), 2u);
  ASSERT_EQ(fused_[1].objects.size(), 2u);
  EXPECT_DOUBLE_EQ(fused_[1].objects[0].pose.position.y, 0.0);
  EXPECT_EQ(fused_[1].objects[0].point_count, 8);
  EXPECT_DOUBLE_EQ(fused_[1].objects[1].pose.position.y, 0.6);
}

// Stale inputs still give a published, empty list and a performance line with their ages.
TEST_F(TrailmergeNodeTest, StaleOrMissingInputsPublishAnEmptyList)
{
  LogCapture log;
  startNode();
  send(input_1_, objectList("", ago(SECOND), {objectAt(1, 0), objectAt(4, 0)}));
  EXPECT_EQ(
    log.count(
      "[FUSION_PERF] age1=1000.0ms fresh1=0 input1=2 age2=-1.0ms fresh2=0 input2=0 collected=0 "
      "fused=0 pedestrians=0 collect="),
    1u);
  EXPECT_EQ(log.count("[FUSION] pedestrians=0 total_objects=0 frame=base_footprint"), 1u);

  advance(SECOND);
  send(input_2_, objectList("", ago(-SECOND / 2), {objectAt(1, 0)}));
  EXPECT_EQ(log.count("age1=2000.0ms fresh1=0 input1=2 age2=-500.0ms fresh2=0 input2=1"), 1u);
  ASSERT_EQ(fused_.size(), 2u);
  EXPECT_TRUE(fused_[1].objects.empty());
  EXPECT_EQ(fused_[1].header.stamp, stampAt(now_));
  EXPECT_EQ(fused_[1].header.frame_id, "base_footprint");
}

// A list stamped before 1970 cannot be a ROS time: it is dropped with a warning, not a crash,
// and the input's previous list stays.
TEST_F(TrailmergeNodeTest, AListWithANegativeStampIsDropped)
{
  LogCapture log;
  startNode();
  send(input_1_, objectList("", ago(0), {objectAt(1, 0)}));
  builtin_interfaces::msg::Time before_epoch;
  before_epoch.sec = -1;
  EXPECT_NO_THROW(send(input_1_, objectList("", before_epoch, {objectAt(2, 0)})));
  EXPECT_EQ(
    log.count(
      "dropping object list from /objects_laser1: stamp -1.000000000 is not a valid ROS time"),
    1u);
  ASSERT_EQ(fused_.size(), 1u);

  send(input_2_, objectList("", ago(0), {}));
  ASSERT_EQ(fused_.size(), 2u);
  ASSERT_EQ(fused_[1].objects.size(), 1u);
  EXPECT_EQ(fused_[1].objects[0].pose.position.x, 1.0);
}

// Display ids stay with moving objects; a vanished object's three markers are removed once.
TEST_F(TrailmergeNodeTest, MarkersOfVanishedObjectsAreRemoved)
{
  startNode();
  send(input_1_, objectList("", ago(0), {objectAt(1, 0), objectAt(4, 0)}));
  send(input_1_, objectList("", ago(0), {objectAt(4.2, 0)}));
  send(input_1_, objectList("", ago(0), {}));
  ASSERT_EQ(markers_.size(), 3u);
  ASSERT_EQ(markers_[0].markers.size(), 6u);
  EXPECT_EQ(markers_[0].markers[3].id, 1);

  const auto & second = markers_[1].markers;
  ASSERT_EQ(second.size(), 6u);
  EXPECT_EQ(second[0].id, 1);  // followed the object from x = 4
  EXPECT_EQ(second[0].action, Marker::ADD);
  const char * namespaces[] = {
    "fused_pedestrian_polygon", "fused_pedestrian_arrow", "fused_pedestrian_label"};
  for (int i = 0; i < 3; ++i) {
    Marker removal;  // nothing but namespace, id and action
    removal.ns = namespaces[i];
    removal.id = 0;
    removal.action = Marker::DELETE;
    EXPECT_EQ(second[3 + i], removal);
  }

  ASSERT_EQ(markers_[2].markers.size(), 3u);
  EXPECT_EQ(markers_[2].markers[0].id, 1);
}

// A walker missing from a list or two keeps their display id when the id memory allows it,
// and only then, also when they walked on meanwhile; an id forgotten for longer than the memory
// is not taken up again. A reach that grows with the gap takes back someone who reappears
// farther from where they were expected, the longer they were gone.
TEST_F(TrailmergeNodeTest, AnIdMemoryLetsAnObjectComeBackUnderItsOldIdAfterAShortGap)
{
  const auto idAfterAGap =
    [this](double memory_s, double growth, int64_t gap, double speed, double back_at_x) {
      markers_.clear();
      startNode(
        {rclcpp::Parameter("marker_id_memory", memory_s),
         rclcpp::Parameter("marker_id_reach_growth", growth)});
      send(
        input_1_, objectList("", ago(0), {withVelocity(objectAt(2, 0), speed, 0), objectAt(5, 0)}));
      advance(SECOND / 20);
      send(input_1_, objectList("", ago(0), {objectAt(5, 0)}));
      advance(gap);
      send(input_1_, objectList("", ago(0), {objectAt(back_at_x, 0), objectAt(5, 0)}));
      node_.reset();
      return markers_.back().markers.at(0).id;
    };
  EXPECT_EQ(idAfterAGap(0.0, 0.0, SECOND / 20, 0.0, 2.2), 2);  // the memory is off: a new id
  EXPECT_EQ(idAfterAGap(0.3, 0.0, SECOND / 20, 0.0, 2.2), 0);  // back under its old id
  EXPECT_EQ(idAfterAGap(0.3, 0.0, SECOND / 5, 3.0, 2.8), 0);   // 0.75 m on, at 3 m/s for 0.25 s
  EXPECT_EQ(idAfterAGap(0.3, 0.0, SECOND / 5, 0.0, 2.8), 2);   // 0.8 m off and not moving: another
  EXPECT_EQ(idAfterAGap(0.3, 0.0, SECOND / 2, 0.0, 2.2), 2);   // forgotten after 0.55 s
  // 1 m off after 1.05 s: beyond 0.6 m, within 0.6 + 0.5 m/s * 1.05 s, not within 0.6 + 0.3.
  EXPECT_EQ(idAfterAGap(2.0, 0.0, SECOND, 0.0, 3.0), 2);
  EXPECT_EQ(idAfterAGap(2.0, 0.5, SECOND, 0.0, 3.0), 0);
  EXPECT_EQ(idAfterAGap(2.0, 0.3, SECOND, 0.0, 3.0), 2);
}

// Following track ids, a fused object keeps the display id of the tracks it is made of: a walker
// whom scanner 2 took over keeps their id even where the takeover jumps farther than the
// association distance, which without it starts a new id. Inputs that carry no track ids are
// named in a warning and fall back to positions, also when their lists hold one object each.
TEST_F(TrailmergeNodeTest, FollowingTrackIdsKeepsAWalkerHandedToTheOtherScannerUnderOneId)
{
  const auto tracked = [](double x, double track_id) {
    Object object = objectAt(x, 0);
    object.reserved_0 = track_id;
    return object;
  };
  const auto idAfterHandOver = [&](bool follow) {
    fused_.clear();
    startNode(
      {rclcpp::Parameter("follow_track_ids", follow),
       rclcpp::Parameter("publish_object_ids", true)});
    send(input_1_, objectList("", ago(0), {tracked(1.0, 5)}));
    send(input_2_, objectList("", ago(0), {tracked(1.2, 2)}));  // both see them: one object
    advance(SECOND / 10);
    send(input_1_, objectList("", ago(0), {}));  // scanner 1 lost them
    send(input_2_, objectList("", ago(0), {tracked(1.9, 2)}));
    node_.reset();
    EXPECT_EQ(fused_.back().objects.size(), 1u);
    return fused_.back().objects.at(0).reserved_0;
  };
  EXPECT_EQ(idAfterHandOver(true), 0.0);
  EXPECT_EQ(idAfterHandOver(false), 1.0);

  LogCapture log;
  markers_.clear();
  startNode({rclcpp::Parameter("follow_track_ids", true)});
  send(input_1_, objectList("", ago(0), {objectAt(1, 0), objectAt(3, 0)}));
  advance(SECOND / 10);
  send(input_1_, objectList("", ago(0), {objectAt(1.1, 0), objectAt(3.1, 0)}));
  EXPECT_EQ(
    log.count(
      "follow_track_ids: the objects of input 1 carry no track ids in reserved_0 (set "
      "tracker.publish_track_ids on its trailscan); their display ids follow positions only"),
    1u);
  ASSERT_EQ(markers_.size(), 2u);
  EXPECT_EQ(markers_[1].markers.at(0).id, 0);
  EXPECT_EQ(markers_[1].markers.at(3).id, 1);
  node_.reset();

  // Nor is the 0 of a list of one object a track id: a stranger appearing far away after the
  // one person left takes a new id, not theirs.
  fused_.clear();
  startNode(
    {rclcpp::Parameter("follow_track_ids", true), rclcpp::Parameter("marker_id_memory", 2.0),
     rclcpp::Parameter("publish_object_ids", true)});
  send(input_1_, objectList("", ago(0), {objectAt(1, 0)}));
  advance(SECOND / 10);
  send(input_1_, objectList("", ago(0), {}));
  advance(SECOND / 10);
  send(input_1_, objectList("", ago(0), {objectAt(5, 0)}));
  ASSERT_EQ(fused_.size(), 3u);
  EXPECT_EQ(fused_[0].objects.at(0).reserved_0, 0.0);
  EXPECT_EQ(fused_[2].objects.at(0).reserved_0, 1.0);
}

// A robot that consumes the fused list can ask for the ids its markers show: each object carries
// its display id in reserved_0, also with the markers off; otherwise reserved_0 passes through.
TEST_F(TrailmergeNodeTest, TheListCarriesEachObjectsDisplayIdWhenAsked)
{
  for (const bool markers : {true, false}) {
    SCOPED_TRACE(markers);
    fused_.clear();
    markers_.clear();
    startNode(
      {rclcpp::Parameter("publish_object_ids", true),
       rclcpp::Parameter("publish_markers", markers)});
    send(input_1_, objectList("", ago(0), {objectAt(1, 0), objectAt(4, 0)}));
    send(input_1_, objectList("", ago(0), {objectAt(4.2, 0), objectAt(7, 0)}));
    ASSERT_EQ(fused_.size(), 2u);
    EXPECT_EQ(fused_[0].objects.at(0).reserved_0, 0.0);
    EXPECT_EQ(fused_[0].objects.at(1).reserved_0, 1.0);
    EXPECT_EQ(fused_[1].objects.at(0).reserved_0, 1.0);  // followed the object from x = 4
    EXPECT_EQ(fused_[1].objects.at(1).reserved_0, 2.0);  // a new one
    if (markers) {
      ASSERT_EQ(markers_.size(), 2u);
      EXPECT_EQ(markers_[1].markers.at(0).id, 1);
    }
    node_.reset();
  }
  fused_.clear();
  startNode();
  send(input_1_, objectList("", ago(0), {object_builders::withShapeAndReserved(objectAt(1, 0))}));
  ASSERT_EQ(fused_.size(), 1u);
  EXPECT_EQ(fused_[0].objects.at(0).reserved_0, 1.5);
}

TEST_F(TrailmergeNodeTest, NoMarkersWhenTheyAreSwitchedOff)
{
  startNode({rclcpp::Parameter("publish_markers", false)});
  send(input_1_, objectList("", ago(0), {objectAt(1, 0)}));
  EXPECT_EQ(fused_.size(), 1u);
  EXPECT_TRUE(markers_.empty());
}

// A parameter of the wrong type ends the program with one line and a failure status.
TEST(TrailmergeProgram, WrongParameterTypeFailsWithOneLine)
{
  const std::string command =
    std::string(TRAILMERGE_EXECUTABLE) + " --ros-args -p merge_distance:=1 2>&1";
  FILE * pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<std::string> lines;
  char buffer[4096];
  while (fgets(buffer, sizeof(buffer), pipe)) {
    lines.emplace_back(buffer);
  }
  const int status = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("[FATAL] [", 0), 0u);
  EXPECT_NE(
    lines[0].find(
      "[trailmerge]: start-up failed: parameter 'merge_distance' has invalid type: Wrong "
      "parameter type, parameter {merge_distance} is of type {double}, setting it to {integer} "
      "is not allowed."),
    std::string::npos);
}

// Objects with a NaN or an infinity, sent so or grown by merging absurd magnitudes, never reach
// the fused list; one throttled warning says how many went.
TEST_F(TrailmergeNodeTest, NonFiniteObjectsAreDroppedWithAThrottledWarning)
{
  LogCapture log;
  startNode();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto fast = withVelocity(objectAt(2.0, 0.0), std::numeric_limits<double>::infinity(), 0.0);
  auto far_a = objectAt(1e308, 0.0, 10);
  auto far_b = objectAt(1e308, 0.1, 10);  // merges with far_a; the weighted mean overflows
  far_a.polygon.clear();  // an outline there would be infinite in single precision already
  far_b.polygon.clear();
  send(
    input_1_, objectList("", ago(0), {objectAt(nan, 1.0), fast, objectAt(4.0, 4.0), far_a, far_b}));
  ASSERT_EQ(fused_.size(), 1u);
  ASSERT_EQ(fused_[0].objects.size(), 1u);
  EXPECT_DOUBLE_EQ(fused_[0].objects[0].pose.position.x, 4.0);
  EXPECT_EQ(log.count("dropping 3 objects with a NaN or infinite value"), 1u);
  ASSERT_EQ(markers_.size(), 1u);
  for (const auto & marker : markers_[0].markers) {
    EXPECT_TRUE(std::isfinite(marker.pose.position.x));
  }
}

// A number that would end up NaN in a marker, overflow a duration or cannot work (a negative
// distance, a line of no width) stops the start; a key trailmerge does not have is named with the
// nearest spelling.
TEST_F(TrailmergeNodeTest, NumbersThatCannotWorkAreRefusedAtStartAndUnknownKeysNamed)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(startNode({rclcpp::Parameter("marker_line_width", nan)}), std::invalid_argument);
  EXPECT_THROW(
    startNode({rclcpp::Parameter("merge_distance", std::numeric_limits<double>::infinity())}),
    std::invalid_argument);
  EXPECT_THROW(startNode({rclcpp::Parameter("marker_lifetime", 1e300)}), std::invalid_argument);
  EXPECT_NO_THROW(startNode({rclcpp::Parameter("marker_lifetime", 5.0)}));
  try {
    startNode({rclcpp::Parameter("merge_distance", -0.5)});
    ADD_FAILURE() << "a negative merge distance was accepted";
  } catch (const std::invalid_argument & e) {
    EXPECT_STREQ(
      e.what(), "parameter 'merge_distance' is -0.5, which cannot work: it must be >= 0");
  }
  EXPECT_THROW(startNode({rclcpp::Parameter("marker_line_width", 0.0)}), std::invalid_argument);
  EXPECT_THROW(startNode({rclcpp::Parameter("tf_timeout", -1.0)}), std::invalid_argument);

  LogCapture log;
  startNode({rclcpp::Parameter("merge_distanse", 0.3)});
  EXPECT_EQ(
    log.count(
      "parameter 'merge_distanse' is set, but trailmerge has no such parameter; did you mean "
      "'merge_distance'? It is ignored."),
    1u);
}

// In a replay the node's own executor serves TF on a simulated clock that only that executor
// advances: a lookup cannot wait for a missing transform, it fails at once with the warning.
TEST_F(TrailmergeNodeTest, ReplayLookupsFailAtOnceOnASimulatedClock)
{
  LogCapture log;
  node_ = std::make_shared<quillon_dynamic_detector::TrailmergeNode>(
    rclcpp::NodeOptions().use_clock_thread(false).parameter_overrides(
      {rclcpp::Parameter("use_sim_time", true)}),
    false);
  // Later than any fake time of the other tests, so that the warning's throttle lets it out.
  const int64_t simulated_now = 1800000000 * SECOND;
  rosgraph_msgs::msg::Clock clock;
  clock.clock = stampAt(simulated_now);
  probe_->create_publisher<rosgraph_msgs::msg::Clock>("/clock", rclcpp::ClockQoS())->publish(clock);
  rclcpp::spin_some(node_);
  auto fusing = std::async(std::launch::async, [this, simulated_now] {
    send(input_1_, objectList("base_scan_01", stampAt(simulated_now), {objectAt(1, 0)}));
  });
  if (fusing.wait_for(60s) != std::future_status::ready) {
    ADD_FAILURE() << "the lookup waits for a clock that cannot move";
    rclcpp::shutdown();  // ends the wait
  }
  fusing.get();
  ASSERT_EQ(fused_.size(), 1u);
  EXPECT_TRUE(fused_[0].objects.empty());
  EXPECT_EQ(log.count("failed to transform object from base_scan_01 to base_footprint: "), 1u);
}
